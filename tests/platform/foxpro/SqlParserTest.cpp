#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/sql/SqlParser.h"

namespace foxpro {
namespace {

std::string Describe(const SqlStatement& statement) {
  struct Printer {
    static std::string Table(const TableReference& t) { return (t.isPath ? "path:" : "name:") + t.text; }
    std::string operator()(const SelectAllStatement& s) const { return "SELECT " + Table(s.table); }
    std::string operator()(const DropTableStatement& s) const { return "DROP " + Table(s.table); }
    std::string operator()(const RenameTableStatement& s) const {
      return "RENAME " + Table(s.from) + " TO " + Table(s.to);
    }
    std::string operator()(const CreateTableStatement& s) const {
      std::string out = "CREATE " + Table(s.table) + (s.codePage != 0 ? " cp:" + std::to_string(s.codePage) : "");
      for (const ColumnDefinition& c : s.columns) {
        out += " [" + c.name + " " + c.type + "(" + std::to_string(c.width) + "," + std::to_string(c.decimals) + ")" +
               (c.nullable ? " null" : "") + (c.binary ? " bin" : "") +
               (c.autoIncrement ? " auto:" + std::to_string(c.nextValue) + "+" + std::to_string(c.step) : "") + "]";
      }
      return out;
    }
    std::string operator()(const AddIndexTagStatement& s) const {
      static const char* kinds[] = {"regular", "unique", "candidate", "primary"};
      return "TAG " + Table(s.table) + " " + s.tag.name + " ON <" + s.tag.expression + "> " +
             kinds[static_cast<int>(s.tag.kind)] + (s.tag.descending ? " desc" : "");
    }
    std::string operator()(const AddRelationStatement& s) const {
      return "RELATION " + Table(s.child) + " " + s.childTag + " ON <" + s.expression + "> -> " + Table(s.parent) +
             " " + (s.parentTag.empty() ? "<primary>" : s.parentTag) + " " + s.riInfo;
    }
    std::string operator()(const InsertStatement& s) const {
      std::string out = "INSERT " + Table(s.table);
      for (const auto& v : s.values) {
        out += s.parameterMarkers ? " ?" : v ? " <" + *v + ">" : " NULL";
      }
      return out;
    }
  };
  return std::visit(Printer{}, statement);
}

struct Accepted {
  const char* sql;
  const char* parsed;
};

void PrintTo(const Accepted& a, std::ostream* os) { *os << a.sql; }

class SqlParserAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(SqlParserAccepts, StatementGivesItsParts) {
  EXPECT_EQ(Describe(SqlParser::Parse(GetParam().sql)), GetParam().parsed) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, SqlParserAccepts,
    testing::Values(
        // The shapes the program builds.
        Accepted{"SELECT * FROM `orders`", "SELECT name:orders"}, Accepted{"DROP TABLE `emp`", "DROP name:emp"},
        Accepted{"RENAME TABLE `emp` TO `staff`", "RENAME name:emp TO name:staff"},
        Accepted{"CREATE TABLE 'C:\\data\\EMP.DBF'([EMPNO] M,[HIRE_DATE] M,[PHOTO] BLOB);",
                 "CREATE path:C:\\data\\EMP.DBF [EMPNO M(0,0)] [HIRE_DATE M(0,0)] [PHOTO W(0,0)]"},
        Accepted{"INSERT INTO 'C:\\data\\EMP.DBF' VALUES('42', '', '')", "INSERT path:C:\\data\\EMP.DBF <42> <> <>"},
        // Names keep spaces and odd characters inside their delimiters.
        Accepted{"SELECT * FROM `order details`", "SELECT name:order details"},
        Accepted{"CREATE TABLE '/d/x.DBF'([PRICE-1] M,[A_B_C] M);",
                 "CREATE path:/d/x.DBF [PRICE-1 M(0,0)] [A_B_C M(0,0)]"},
        // Literals: doubled apostrophes, joints, CHR(), NULL, double quotes.
        Accepted{"INSERT INTO 'x.dbf' VALUES('it''s')", "INSERT path:x.dbf <it's>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES('x''+y')", "INSERT path:x.dbf <x'+y>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES('ab'+'cd', 'e'+'')", "INSERT path:x.dbf <abcd> <e>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES('a'''+'b')", "INSERT path:x.dbf <a'b>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES('a'+CHR(13)+CHR(10)+'b')", "INSERT path:x.dbf <a\r\nb>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES(CHR(39), chr ( 65 ))", "INSERT path:x.dbf <'> <A>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES(NULL, 'a', null)", "INSERT path:x.dbf NULL <a> NULL"},
        Accepted{"INSERT INTO 'x.dbf' VALUES(\"say \"\"hi\"\" 'now'\")", "INSERT path:x.dbf <say \"hi\" 'now'>"},
        Accepted{"INSERT INTO 'x.dbf' VALUES('a, b)', ')')", "INSERT path:x.dbf <a, b)> <)>"},
        Accepted{"INSERT INTO 'it''s.dbf' VALUES('a')", "INSERT path:it's.dbf <a>"},
        // Letter case, blanks, one trailing ';'.
        Accepted{"  select   *   from   `t`  ;  ", "SELECT name:t"}, Accepted{"\r\nDrop Table `t`;", "DROP name:t"},
        Accepted{"SELECT*FROM`t`", "SELECT name:t"}, Accepted{"rename table `a` to `b`", "RENAME name:a TO name:b"},
        // Plain names and quoted paths where a name may stand.
        Accepted{"SELECT * FROM customers", "SELECT name:customers"},
        Accepted{"DROP TABLE 'data/emp.dbf'", "DROP path:data/emp.dbf"},
        Accepted{"INSERT INTO emp VALUES('1')", "INSERT name:emp <1>"},
        // Column types, long names, widths and options.
        Accepted{"CREATE TABLE t ([A] C(10) NULL, B N(8,2) NOT NULL, C V(20) NOCPTRANS, D I, E L, F D)",
                 "CREATE name:t [A C(10,0) null] [B N(8,2)] [C V(20,0) bin] [D I(0,0)] [E L(0,0)] [F D(0,0)]"},
        Accepted{"CREATE TABLE t (G T, H B(2), I Y, J W, K G, L Q(5), M F(10,3))",
                 "CREATE name:t [G T(0,0)] [H B(0,0)] [I Y(0,0)] [J W(0,0)] [K G(0,0)] [L Q(5,0)] [M F(10,3)]"},
        Accepted{"CREATE TABLE t (a Memo, b Blob, c Character(3), d Integer, e Currency, f DateTime, g General)",
                 "CREATE name:t [a M(0,0)] [b W(0,0)] [c C(3,0)] [d I(0,0)] [e Y(0,0)] [f T(0,0)] [g G(0,0)]"},
        Accepted{"CREATE TABLE t FREE ([A] M NULL NOCPTRANS)", "CREATE name:t [A M(0,0) null bin]"},
        Accepted{"CREATE TABLE t (`a b` M, c int(4), d memo(10))", "CREATE name:t [a b M(0,0)] [c I(0,0)] [d M(0,0)]"},
        // The typed copy's statements: code page, autoincrement, long type names, markers.
        Accepted{"CREATE TABLE 'p.dbf' CODEPAGE=1251 (NAME C(40) NULL, PRICE N(20,4) NULL, ID I NULL AUTOINC "
                 "NEXTVALUE 5 STEP 2, PIC W NULL, TAG Q(16) NULL, NOTE M NOCPTRANS NULL, V V(30) NULL)",
                 "CREATE path:p.dbf cp:1251 [NAME C(40,0) null] [PRICE N(20,4) null] [ID I(0,0) null auto:5+2] "
                 "[PIC W(0,0) null] [TAG Q(16,0) null] [NOTE M(0,0) null bin] [V V(30,0) null]"},
        Accepted{"CREATE TABLE t FREE codepage = 932 (A integer AUTOINC, B int autoinc nextvalue -3, c varbinary(2))",
                 "CREATE name:t cp:932 [A I(0,0) auto:1+1] [B I(0,0) auto:-3+1] [c Q(2,0)]"},
        Accepted{"CREATE TABLE t (a varchar(3), b double(8,2), c numeric(5,1), d logical, e date, f float(4))",
                 "CREATE name:t [a V(3,0)] [b B(0,2)] [c N(5,1)] [d L(0,0)] [e D(0,0)] [f F(4,0)]"},
        Accepted{"INSERT INTO 'x.dbf' VALUES(?, ?,?)", "INSERT path:x.dbf ? ? ?"},
        // Index tags: the expression runs up to TAG; the index file names its table.
        Accepted{"ALTER TABLE 'l.dbf' ADD FOREIGN KEY orderid+code TAG ordcode REFERENCES 'o.dbf' TAG pk RIINFO 'RCR'",
                 "RELATION path:l.dbf ordcode ON <orderid+code> -> path:o.dbf pk RCR"},
        Accepted{"alter table lines add foreign key orderid tag orderid references orders",
                 "RELATION name:lines orderid ON <orderid> -> name:orders <primary> "},
        Accepted{"ALTER TABLE 'o.dbf' ADD PRIMARY KEY orderid TAG orderid",
                 "TAG path:o.dbf orderid ON <orderid> primary"},
        Accepted{"alter table o add unique STR(a)+last + first TAG names",
                 "TAG name:o names ON <STR(a)+last + first> candidate"},
        Accepted{"INDEX ON UPPER(tag_name) TAG upname OF 'd/o.CDX' DESCENDING UNIQUE",
                 "TAG path:d/o.dbf upname ON <UPPER(tag_name)> unique desc"},
        Accepted{"INDEX ON city TAG city OF o CANDIDATE", "TAG name:o city ON <city> candidate"}));

struct Rejected {
  const char* sql;
  const char* description;  // how the failure text starts
};

void PrintTo(const Rejected& r, std::ostream* os) { *os << r.sql; }

class SqlParserRejects : public testing::TestWithParam<Rejected> {};

TEST_P(SqlParserRejects, StatementFailsWithDescription) {
  try {
    SqlParser::Parse(GetParam().sql);
    ADD_FAILURE() << "accepted: " << GetParam().sql;
  } catch (const ado::Failure& failure) {
    EXPECT_EQ(failure.Description().rfind(GetParam().description, 0), 0u)
        << GetParam().sql << " -> " << failure.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, SqlParserRejects,
    testing::Values(
        Rejected{"", "Unrecognized command verb. The statement ends too early."},
        Rejected{"   ;", "Unrecognized command verb."},
        Rejected{"UPDATE `t` SET a = 1", "Unrecognized command verb. Found \"UPDATE `t` SET a = 1\" at character 1."},
        Rejected{"SELECT a FROM `t`",
                 "Command contains unrecognized phrase/keyword. Found \"a FROM `t`\" at character 8."},
        Rejected{"SELECT * FROM `t` WHERE 1=1", "Command contains unrecognized phrase/keyword. Found \"WHERE 1=1\""},
        Rejected{"SELECT * FROM `t`;;", "Command contains unrecognized phrase/keyword. Found \";\" at character 19."},
        Rejected{"SELECT * FROM `t`; DROP TABLE `t`", "Command contains unrecognized phrase/keyword."},
        Rejected{"SELECT * FROM", "Missing table name. The statement ends too early."},
        Rejected{"SELECT * FROM ``", "Missing table name."},
        Rejected{"SELECT * FROM `t", "Syntax error. The name is not closed."},
        Rejected{"DROP `t`", "Command contains unrecognized phrase/keyword."},
        Rejected{"DROP TABLE `a` `b`", "Command contains unrecognized phrase/keyword."},
        Rejected{"RENAME TABLE `a` `b`", "Command contains unrecognized phrase/keyword."},
        Rejected{"RENAME TABLE `a` TO", "Missing table name."},
        Rejected{"CREATE TABLE 'x.dbf'()", "Field name is a duplicate or invalid."},
        Rejected{"ALTER TABLE t ADD UNIQUE TAG a", "Missing operand."},
        Rejected{"ALTER TABLE t ADD UNIQUE a FOR a > 1 TAG a", "FOR clauses of index tags are not supported."},
        Rejected{"ALTER TABLE t ADD PRIMARY KEY a", "Command contains unrecognized phrase/keyword."},
        Rejected{"ALTER TABLE t ADD FOREIGN KEY a TAG a REFERENCES p RIINFO RCR",
                 "Function argument value, type, or count is invalid."},
        Rejected{"INDEX ON a TAG a", "The index file is missing"},
        Rejected{"CREATE TABLE 'x.dbf'", "Command contains unrecognized phrase/keyword. The statement ends too early."},
        Rejected{"CREATE TABLE 'x.dbf'([A] M", "Command contains unrecognized phrase/keyword."},
        Rejected{"CREATE TABLE 'x.dbf'([A] M,)", "Field name is a duplicate or invalid."},
        Rejected{"CREATE TABLE 'x.dbf'([A] XYZ)", "Field type is invalid. Found \"XYZ)\""},
        Rejected{"CREATE TABLE 'x.dbf'([A])", "Command contains unrecognized phrase/keyword."},
        Rejected{"CREATE TABLE 'x.dbf'([A] C)", "Field width or decimal is invalid."},
        Rejected{"CREATE TABLE 'x.dbf'([A M)", "Syntax error. The name has no closing ']'."},
        Rejected{"CREATE TABLE 'x.dbf'([A] M PRIMARY KEY)", "Command contains unrecognized phrase/keyword."},
        Rejected{"CREATE TABLE 'x.dbf([A] M)", "Syntax error. The string is not closed."},
        Rejected{"CREATE INDEX i ON t (a)", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES()", "Command contains unrecognized phrase/keyword. Found \")\""},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a'", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a)",
                 "Syntax error. The string is not closed. Found \"'a)\" at character 28."},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a' 'b')", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a'+)", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a'+", "Missing operand."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(42)", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(NULL+'a')", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(CHR(256))", "Function argument value, type, or count is invalid."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(CHR(99999999999))", "Function argument value, type, or count is invalid."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(CHR(-1))", "Missing operand."},
        Rejected{"INSERT INTO 'x.dbf' VALUES(CHR 13)", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' (a) VALUES('1')", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT 'x.dbf' VALUES('1')", "Command contains unrecognized phrase/keyword."},
        Rejected{"CREATE TABLE t CODEPAGE=1200 (a I)", "Code page number is invalid. Found \"1200 (a I)\""},
        Rejected{"CREATE TABLE t CODEPAGE 1251 (a I)", "Command contains unrecognized phrase/keyword."},
        Rejected{"CREATE TABLE t (a N(5) AUTOINC)", "AUTOINC is allowed only for an Integer field."},
        Rejected{"CREATE TABLE t (a I AUTOINC NEXTVALUE 1 STEP 0)", "Function argument value, type, or count"},
        Rejected{"CREATE TABLE t (a I AUTOINC NEXTVALUE 1 STEP 256)", "Function argument value, type, or count"},
        Rejected{"CREATE TABLE t (a I AUTOINC NEXTVALUE 2147483648)", "Function argument value, type, or count"},
        Rejected{"INSERT INTO 'x.dbf' VALUES(?, 'a')", "Command contains unrecognized phrase/keyword."},
        Rejected{"INSERT INTO 'x.dbf' VALUES('a', ?)", "Command contains unrecognized phrase/keyword."}));

TEST(SqlParser, FailureExcerptOfAHugeStatementStaysShort) {
  const std::string sql = "SELECT * FROM `t` " + std::string(1'000'000, 'x');
  try {
    SqlParser::Parse(sql);
    FAIL() << "accepted";
  } catch (const ado::Failure& failure) {
    EXPECT_LT(failure.Description().size(), 200u);
    EXPECT_NE(failure.Description().find("xxx...\" at character 19."), std::string::npos) << failure.Description();
  }
}

// The transfer cuts values into 200-character pieces and sends line breaks as CHR() terms;
// a table of long texts makes INSERT statements of many megabytes.
TEST(SqlParser, MegabyteInsertParsesInLinearTime) {
  std::string piece(200, 'a');
  piece[199] = '\'';
  std::string sql = "INSERT INTO '/t/big.DBF' VALUES('";
  std::string expected;
  for (int i = 0; i < 40'000; ++i) {
    sql += "a" + std::string(198, 'b') + "''" + "'+CHR(13)+CHR(10)+'";
    expected += "a" + std::string(198, 'b') + "'\r\n";
  }
  sql += "', 'end')";
  ASSERT_GT(sql.size(), 8'000'000u);
  const auto start = std::chrono::steady_clock::now();
  const SqlStatement statement = SqlParser::Parse(sql);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto& insert = std::get<InsertStatement>(statement);
  ASSERT_EQ(insert.values.size(), 2u);
  EXPECT_EQ(*insert.values[0], expected);
  EXPECT_EQ(*insert.values[1], "end");
  // Generous for sanitizer builds; a quadratic parser takes minutes here.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 5);
}

TEST(SqlParser, EveryByteValueSurvivesInsideALiteral) {
  std::string sql = "INSERT INTO 'b.dbf' VALUES('";
  std::string expected;
  for (int c = 1; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    sql += ch == '\'' ? std::string("''") : std::string(1, ch);
    expected += ch;
  }
  sql += std::string("\0", 1) + "')";
  expected += '\0';
  const SqlStatement statement = SqlParser::Parse(sql);
  EXPECT_EQ(*std::get<InsertStatement>(statement).values.at(0), expected);
}

TEST(SqlParser, ChrGivesTheCharacterOfThatCode) {
  const SqlStatement statement = SqlParser::Parse("INSERT INTO t VALUES(CHR(0)+CHR(233)+CHR(255))");
  EXPECT_EQ(*std::get<InsertStatement>(statement).values.at(0), std::string("\0\xC3\xA9\xC3\xBF", 5));
}

}  // namespace
}  // namespace foxpro
