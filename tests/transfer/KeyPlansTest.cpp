// Which keys travel, under which names and as which statements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/transfer/KeyPlans.h"

namespace transfer {
namespace {

FoxProColumn Field(const std::string& name, char type) {
  FoxProColumn column;
  column.name = name;
  column.field.typeLetter = type;
  return column;
}

MappedColumn Column(const std::string& oracleName, const std::string& foxProName, char type) {
  MappedColumn column;
  column.oracle.name = oracleName;
  column.foxProName = foxProName;
  column.mapping.field.typeLetter = type;
  return column;
}

std::vector<std::string> Lines(const KeyPlan& plan) { return KeyPlanLines(plan); }

struct TagCase {
  FoxProTag tag;
  std::string line;
};

TEST(KeyPlansTest, EachFoxProTagBecomesItsOracleKeyOrIsListedAsNotCarried) {
  const std::vector<FoxProColumn> columns = {Field("id", 'I'), Field("last", 'C'), Field("first", 'V'),
                                             Field("born", 'D'), Field("note", 'M')};
  const TagCase cases[] = {
      {{"id", "id", "", false, true, true, false}, R"(ALTER TABLE "T" ADD CONSTRAINT "ID" PRIMARY KEY ("id"))"},
      {{"names", "LAST + First", "", false, false, true, false},
       R"(ALTER TABLE "T" ADD CONSTRAINT "NAMES" UNIQUE ("last", "first"))"},
      // A UNIQUE tag indexes distinct keys of rows that may repeat them: a plain index.
      {{"firstu", "first", "", false, false, false, true}, R"(CREATE INDEX "FIRSTU" ON "T" ("first"))"},
      {{"upu", "UPPER(last)", "", false, false, false, true}, R"(CREATE INDEX "UPU" ON "T" (UPPER("last")))"},
      {{"born", "born", "", false, false, false, false}, R"(CREATE INDEX "BORN" ON "T" ("born"))"},
      {{"up", "UPPER(last)", "", false, false, false, false}, R"(CREATE INDEX "UP" ON "T" (UPPER("last")))"},
      {{"upc", "upper( last )", "", false, false, true, false}, R"(CREATE UNIQUE INDEX "UPC" ON "T" (UPPER("last")))"},
      {{"mixed", "STR(id)+last", "", false, false, false, false}, R"(CREATE INDEX "MIXED" ON "T" ("id", "last"))"},
      {{"idborn", "id+born", "", false, false, false, false},
       "tag idborn (id+born) not carried: Oracle has no column list for the expression"},
      {{"memo", "note", "", false, false, false, false},
       "tag memo (note) not carried: Oracle has no column list for the expression"},
      {{"upid", "UPPER(id)", "", false, false, false, false},
       "tag upid (UPPER(id)) not carried: Oracle has no column list for the expression"},
      {{"live", "id", "!DELETED()", false, false, true, false},
       "tag live (id) not carried: it has the filter FOR !DELETED()"},
      {{"down", "born", "", true, false, false, false}, "tag down (born) not carried: it is descending"},
  };
  for (const TagCase& c : cases) {
    EXPECT_EQ(Lines(KeysForOracle("T", {c.tag}, columns, {})), std::vector<std::string>{c.line}) << c.tag.name;
  }
}

struct ExpressionCase {
  FoxProTag tag;
  std::vector<std::string> lines;  // the statement, then what the key does not do alike
  std::string recorded;            // the expression the table's comment keeps
};

TEST(KeyPlansTest, ATagOverFunctionsOfItsFieldsBecomesAKeyOnTheColumnsAndRecordsItsExpression) {
  std::vector<FoxProColumn> columns = {Field("orderid", 'I'), Field("qty", 'N'), Field("code", 'C'), Field("city", 'C'),
                                       Field("born", 'D')};
  columns[1].field.width = 5;
  columns[1].field.decimals = 1;
  const ExpressionCase cases[] = {
      {{"primarykey", "STR(orderid)+STR(qty, 4)", "", false, true, true, false},
       {R"(ALTER TABLE "T" ADD CONSTRAINT "PRIMARYKEY" PRIMARY KEY ("orderid", "qty"))",
        "primary tag primarykey (STR(orderid)+STR(qty, 4)) becomes PRIMARY KEY (orderid, qty), which tells values "
        "of orderid wider than 10 characters, which STR() shows alike as asterisks and 1.2 from 1.4, which STR() "
        "rounds alike"},
       "STR(orderid)+STR(qty, 4)"},
      {{"custtypeid", "ALLTRIM(UPPER(code))", "", false, true, true, false},
       {R"(ALTER TABLE "T" ADD CONSTRAINT "CUSTTYPEID" PRIMARY KEY ("code"))",
        "primary tag custtypeid (ALLTRIM(UPPER(code))) becomes PRIMARY KEY (code), which tells 'a' from 'A' and "
        "' a' from 'a'"},
       "ALLTRIM(UPPER(code))"},
      {{"place", "RTRIM(city)+LTRIM(code)", "", false, false, true, false},
       {R"(ALTER TABLE "T" ADD CONSTRAINT "PLACE" UNIQUE ("city", "code"))",
        "candidate tag place (RTRIM(city)+LTRIM(code)) becomes UNIQUE (city, code), which tells 'ab'+'c' from "
        "'a'+'bc' and ' a' from 'a'"},
       "RTRIM(city)+LTRIM(code)"},
      {{"bycode", "upper(alltrim(code))", "", false, false, false, false},
       {R"(CREATE INDEX "BYCODE" ON "T" ("code"))"},
       "upper(alltrim(code))"},
      {{"plain", "city+code", "", false, true, true, false},
       {R"(ALTER TABLE "T" ADD CONSTRAINT "PLAIN" PRIMARY KEY ("city", "code"))"},
       ""},
      // Still refused: other functions, a function of two fields, numbers or dates joined as they are.
      {{"sub", "SUBSTR(code, 1, 2)", "", false, false, false, false},
       {"tag sub (SUBSTR(code, 1, 2)) not carried: Oracle has no column list for the expression"},
       ""},
      {{"two", "UPPER(city+code)", "", false, false, false, false},
       {"tag two (UPPER(city+code)) not carried: Oracle has no column list for the expression"},
       ""},
      {{"dated", "DTOS(born)+code", "", false, false, false, false},
       {"tag dated (DTOS(born)+code) not carried: Oracle has no column list for the expression"},
       ""},
      {{"strtext", "STR(code)", "", false, false, false, false},
       {"tag strtext (STR(code)) not carried: Oracle has no column list for the expression"},
       ""},
      {{"uppernum", "ALLTRIM(STR(orderid))", "", false, false, false, false},
       {"tag uppernum (ALLTRIM(STR(orderid))) not carried: Oracle has no column list for the expression"},
       ""},
  };
  for (const ExpressionCase& c : cases) {
    const KeyPlan plan = KeysForOracle("T", {c.tag}, columns, {});
    EXPECT_EQ(Lines(plan), c.lines) << c.tag.name;
    const NameRecord record = KeyRecord(plan);
    EXPECT_EQ(record.Expression(OracleNameOf(c.tag.name)).value_or(""), c.recorded) << c.tag.name;
  }
}

struct RecordedExpressionCase {
  OracleKey key;
  std::string expression;  // recorded with the table
  std::vector<std::string> lines;
};

TEST(KeyPlansTest, AKeyWithARecordedExpressionGetsItBackWhereItIsOverTheKeysColumns) {
  const std::vector<MappedColumn> columns = {Column("ORDERID", "orderid", 'I'), Column("PRODUCTID", "productid", 'I'),
                                             Column("CODE", "code", 'C'), Column("TAG", "tag", 'C')};
  const RecordedExpressionCase cases[] = {
      {{"ORDERDETAILS_PK", KeyKind::Primary, {"ORDERID", "PRODUCTID"}, false},
       "STR(orderid)+STR(productid)",
       {"ALTER TABLE 't.dbf' ADD PRIMARY KEY STR(orderid)+STR(productid) TAG orderdetai"}},
      {{"CUSTTYPEID", KeyKind::Unique, {"CODE"}, false},
       "ALLTRIM(UPPER(code))",
       {"ALTER TABLE 't.dbf' ADD UNIQUE ALLTRIM(UPPER(code)) TAG custtypeid"}},
      // The key changed in Oracle since, or the engine would refuse: the key's own expression.
      {{"BYCODE", KeyKind::Plain, {"CODE"}, false},
       "UPPER(orderid)",
       {"INDEX ON code TAG bycode OF 't.cdx'",
        "index BYCODE (CODE): the table's comment records the tag expression UPPER(orderid), which is not over the "
        "key's columns or which FoxPro cannot index; the tag takes the key's columns"}},
      {{"BYCODE", KeyKind::Plain, {"ORDERID"}, false},
       "STR(orderid, 5)",
       {"INDEX ON orderid TAG bycode OF 't.cdx'",
        "index BYCODE (ORDERID): the table's comment records the tag expression STR(orderid, 5), which is not over "
        "the key's columns or which FoxPro cannot index; the tag takes the key's columns"}},
      {{"BYTAG", KeyKind::Plain, {"TAG"}, false},
       "UPPER(tag)",
       {"index BYTAG (TAG): the table's comment records the tag expression UPPER(tag), which is not over the key's "
        "columns or which FoxPro cannot index; the tag takes the key's columns",
        "index BYTAG (TAG) not carried: a key over the field TAG, which the index statement takes for its keyword"}},
  };
  for (const RecordedExpressionCase& c : cases) {
    NameRecord kept;
    kept.expressions = {{c.key.name, c.expression}};
    EXPECT_EQ(Lines(KeysForFoxPro("t.dbf", true, {c.key}, columns, kept)), c.lines) << c.expression;
  }
}

TEST(KeyPlansTest, OracleKeysComePrimaryFirstUnderNamesFreeInTheSchema) {
  const std::vector<FoxProColumn> columns = {Field("id", 'I'), Field("city", 'C')};
  const KeyPlan plan = KeysForOracle("T",
                                     {{"city", "city", "", false, false, false, false},
                                      {"id", "id", "", false, true, true, false},
                                      {"city2", "city", "", false, false, true, false}},
                                     columns, {"ID", "city2", "city2_2"});
  EXPECT_EQ(Lines(plan),
            (std::vector<std::string>{
                R"(ALTER TABLE "T" ADD CONSTRAINT "ID_2" PRIMARY KEY ("id"))",
                R"(ALTER TABLE "T" ADD CONSTRAINT "CITY2_3" UNIQUE ("city"))", R"(CREATE INDEX "CITY" ON "T" ("city"))",
                "tag id becomes ID_2: the schema holds ID already; the tag's name is recorded in the "
                "table's comment",
                "tag city2 becomes CITY2_3: the schema holds CITY2 already; the tag's name is recorded in "
                "the table's comment"}));
  // Only constraints can be broken by duplicates; their columns are the ones to look at.
  EXPECT_EQ(plan.carried[0].columns, std::vector<std::string>{"id"});
  EXPECT_TRUE(plan.carried[2].columns.empty());
}

struct OracleKeyCase {
  OracleKey key;
  bool container;
  std::string line;
};

TEST(KeyPlansTest, EachOracleKeyBecomesItsTagOrIsListedAsNotCarried) {
  const std::vector<MappedColumn> columns = {Column("ORDER_ID", "order_id", 'I'),
                                             Column("LINE", "line", 'N'),
                                             Column("LAST", "last", 'C'),
                                             Column("FIRST", "first", 'C'),
                                             Column("BODY", "body", 'M'),
                                             Column("PAID", "paid", 'L'),
                                             Column("STAMP", "stamp", 'T'),
                                             Column("A_LONG_COLUMN", "a_long_co", 'Y'),
                                             Column("TAG", "tag", 'C')};
  const std::string path = "/d/orders.dbf";
  const OracleKeyCase cases[] = {
      {{"ORDERS_PK", KeyKind::Primary, {"ORDER_ID", "LINE"}, false},
       true,
       "primary key ORDERS_PK (ORDER_ID, LINE) not carried: a key over columns that are not all character"},
      {{"PK", KeyKind::Primary, {"ORDER_ID"}, false},
       true,
       "ALTER TABLE '/d/orders.dbf' ADD PRIMARY KEY order_id TAG pk"},
      {{"PK", KeyKind::Primary, {"ORDER_ID"}, false}, false, "ALTER TABLE '/d/orders.dbf' ADD UNIQUE order_id TAG pk"},
      {{"NAMES_UNIQUE_KEY", KeyKind::Unique, {"LAST", "FIRST"}, false},
       true,
       "ALTER TABLE '/d/orders.dbf' ADD UNIQUE last+first TAG names_uniq"},
      {{"BY_PAID", KeyKind::Plain, {"PAID"}, false}, true, "INDEX ON paid TAG by_paid OF '/d/orders.cdx'"},
      {{"BY_STAMP", KeyKind::Plain, {"STAMP"}, false}, true, "INDEX ON stamp TAG by_stamp OF '/d/orders.cdx'"},
      {{"BY_LONG", KeyKind::Plain, {"A_LONG_COLUMN"}, false},
       true,
       "INDEX ON a_long_co TAG by_long OF '/d/orders.cdx'"},
      {{"UP", KeyKind::Plain, {"UPPER(\"LAST\")"}, false}, true, "INDEX ON UPPER(last) TAG up OF '/d/orders.cdx'"},
      {{"BY_BODY", KeyKind::Plain, {"BODY"}, false}, true, "index BY_BODY (BODY) not carried: a key over a M field"},
      {{"SUB", KeyKind::Plain, {"SUBSTR(\"LAST\",1,2)"}, false},
       true,
       "index SUB (SUBSTR(\"LAST\",1,2)) not carried: an expression FoxPro has no key for"},
      {{"DOWN", KeyKind::Plain, {"LAST"}, true}, true, "index DOWN (LAST) not carried: it is descending"},
      {{"BY_TAG", KeyKind::Plain, {"TAG"}, false},
       true,
       "index BY_TAG (TAG) not carried: a key over the field TAG, which the index statement takes for its keyword"},
  };
  for (const OracleKeyCase& c : cases) {
    EXPECT_EQ(Lines(KeysForFoxPro(path, c.container, {c.key}, columns)), std::vector<std::string>{c.line})
        << c.key.name;
  }
}

TEST(KeyPlansTest, TagNamesAreCutToTenCharactersAndKeptApart) {
  const std::vector<MappedColumn> columns = {Column("A", "a", 'C'), Column("B", "b", 'C')};
  const KeyPlan plan = KeysForFoxPro("t.dbf", true,
                                     {{"CUSTOMER_NAME_IX", KeyKind::Plain, {"A"}, false},
                                      {"CUSTOMER_NAME_IY", KeyKind::Plain, {"B"}, false},
                                      {"CUSTOMER_KEY", KeyKind::Unique, {"B"}, false}},
                                     columns);
  EXPECT_EQ(Lines(plan),
            (std::vector<std::string>{"ALTER TABLE 't.dbf' ADD UNIQUE b TAG customer_k",
                                      "INDEX ON a TAG customer_n OF 't.cdx'", "INDEX ON b TAG customer_2 OF 't.cdx'"}));
}

TEST(KeyPlansTest, KeyNamesThatCouldEndTheirQuotesBecomePlainNames) {
  EXPECT_EQ(Lines(KeysForOracle("T", {{"x\" ON \"y", "id", "", false, false, false, false}}, {Field("id", 'I')}, {})),
            std::vector<std::string>{R"(CREATE INDEX "X__ON__Y" ON "T" ("id"))"});
  const std::vector<MappedColumn> columns = {Column("A", "a", 'C')};
  EXPECT_EQ(Lines(KeysForFoxPro("t.dbf", false, {{"1 OF 'x", KeyKind::Plain, {"A"}, false}}, columns)),
            std::vector<std::string>{"INDEX ON a TAG k1_of__x OF 't.cdx'"});
}

TEST(KeyPlansTest, NamesRecordedWithTheTableWinOverTheFoldedOnes) {
  // Both ways: a container's record of Oracle's key names, an Oracle comment's of the tags'.
  const NameRecord oracleNames{std::nullopt, {}, {{"byname", "ByName"}, {"kord_place", "KORD_PLACED"}}};
  const KeyPlan toOracle = KeysForOracle("T",
                                         {{"BYNAME", "last", "", false, false, false, false},
                                          {"kord_place", "last", "", false, false, false, false},
                                          {"other", "last", "", false, false, false, false}},
                                         {Field("last", 'C')}, {}, oracleNames);
  EXPECT_EQ(Lines(toOracle), (std::vector<std::string>{R"(CREATE INDEX "ByName" ON "T" ("last"))",
                                                       R"(CREATE INDEX "KORD_PLACED" ON "T" ("last"))",
                                                       R"(CREATE INDEX "OTHER" ON "T" ("last"))"}));
  // A name a record gave back goes back without one: the side that made it holds it.
  EXPECT_EQ(KeyNamePairs(toOracle), (std::vector<NamePair>{{"OTHER", "other"}}));
  const NameRecord foxProNames{std::nullopt, {}, {{"CITY_2", "city"}}};
  const KeyPlan toFoxPro =
      KeysForFoxPro("t.dbf", true, {{"CITY_2", KeyKind::Plain, {"A"}, false}, {"NAME_3", KeyKind::Plain, {"A"}, false}},
                    {Column("A", "a", 'C')}, foxProNames);
  EXPECT_EQ(Lines(toFoxPro),
            (std::vector<std::string>{"INDEX ON a TAG city OF 't.cdx'", "INDEX ON a TAG name_3 OF 't.cdx'"}));
  EXPECT_EQ(KeyNamePairs(toFoxPro), (std::vector<NamePair>{{"name_3", "NAME_3"}}));
}

}  // namespace
}  // namespace transfer
