#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/indexes/CdxKeyExpression.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/DbfHeader.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "support/QueryToolRun.h"

// Structural indexes: keys as FoxPro encodes them, tags built by SQL and kept by appends,
// read back by our reader and by Perl's XBase::Index.
namespace foxpro {
namespace {

namespace fs = std::filesystem;
const std::string kData = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/";

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

DbfHeader HeaderOf(const std::string& dbf) {
  auto file = DiskFileSystem().Open(dbf, OpenMode::Read);
  return ReadDbfHeader(*file);
}

struct TagKeys {
  std::vector<std::uint32_t> records;
  std::vector<std::string> keys;  // hex, fill bytes at the end left out
};

TagKeys OurKeys(const std::string& cdx, const std::string& tag, char fill) {
  auto file = DiskFileSystem().Open(cdx, OpenMode::Read);
  CdxReader reader(*file);
  const CdxTag* found = reader.FindTag(tag);
  if (found == nullptr) throw ado::Failure("no tag " + tag);
  TagKeys out;
  for (const CdxKey& key : reader.Keys(*found, fill)) {
    std::string bytes = key.bytes;
    while (!bytes.empty() && bytes.back() == fill) bytes.pop_back();
    out.records.push_back(key.record);
    out.keys.push_back(Hex(bytes));
  }
  return out;
}

// Perl's reader restores compressed fill as NUL bytes and, for character keys, drops them.
TagKeys PerlKeys(const std::string& cdx, const std::string& tag) {
  const std::string script =
      "use XBase::Index; my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1], type => 'C') or die "
      "XBase::Index->errstr; $i->prepare_select; while (my ($k, $r) = $i->fetch) { print uc(unpack('H*', $k)), "
      "\"\\t$r\\n\"; }";
  const auto run = test_support::RunQueryTool("/usr/bin/perl", {"-e", script, cdx, tag});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  TagKeys out;
  std::istringstream lines(run.out);
  std::string key, record;
  while (std::getline(lines, key, '\t') && std::getline(lines, record)) {
    out.keys.push_back(key);
    out.records.push_back(static_cast<std::uint32_t>(std::stoul(record)));
  }
  return out;
}

// A table with one row per kind of value, indexed before or after its rows arrive.
void FillIndexedTable(FoxProSession& session, bool tagsFirst);

class CdxIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "cdxindex-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    if (session_) session_->Close();
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  FoxProSession& Session(const std::string& source = "") {
    if (!session_) {
      session_ = FoxProSession::Open("Provider=vfpoledb.1;Data Source=" + (source.empty() ? folder_ : source) + ";");
    }
    return *session_;
  }
  void CreateIndexedTable(bool tagsFirst) {
    FillIndexedTable(Session(), tagsFirst);
    session_->Close();
    session_.reset();
  }
  std::vector<std::vector<std::string>> Indexes(const std::string& table) {
    auto rows = Session().IndexesSchema(table);
    std::vector<std::vector<std::string>> out;
    std::vector<ado::Value> row;
    while (rows->Next(row)) {
      std::vector<std::string> texts;
      for (const ado::Value& value : row) {
        texts.push_back(value.Is<bool>() ? (value.As<bool>() ? "1" : "0") : value.As<std::string>());
      }
      out.push_back(texts);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  void CopyFixtures(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const fs::path to = fs::path(folder_) / name;
      fs::copy_file(kData + folder + "/" + name, to);
      fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
    }
  }

  std::string folder_;
  std::unique_ptr<FoxProSession> session_;
};

TEST(CdxKeyTest, KeysAreEncodedAsFoxProEncodesThem) {
  struct Case {
    std::string key;
    std::string hex;
  };
  const Case cases[] = {
      {CdxIntegerKey(1), "80000001"},  // a real primary key
      {CdxIntegerKey(1234567895), "C99602D7"},
      {CdxIntegerKey(0), "80000000"},
      {CdxIntegerKey(-1), "7FFFFFFF"},
      {CdxIntegerKey(2147483647), "FFFFFFFF"},
      {CdxDoubleKey(45), "C046800000000000"},
      {CdxDoubleKey(-0.0), "8000000000000000"},
      {CdxDoubleKey(-1.5), "4007FFFFFFFFFFFF"},
      {CdxDoubleKey(static_cast<double>(JulianDayOf(ado::Date{1996, 7, 4}))), "C142B1AE80000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(c.key), c.hex);
  EXPECT_EQ(CdxDoubleOfKey(CdxDoubleKey(-10.25)), -10.25);
}

TEST(CdxKeyTest, EveryRealTagIsRebuiltFromItsTable) {
  // Visual FoxPro wrote these tags; computing each key from the records must give the very
  // same keys: fields of every type, NULL markers, UPPER, ALLTRIM, STR and concatenation.
  int compared = 0;
  std::vector<fs::path> indexes;
  for (const char* folder : {"northwind", "vfp9-xsource-books"}) {
    for (const auto& entry : fs::directory_iterator(kData + folder)) {
      if (entry.path().extension() == ".cdx" || entry.path().extension() == ".CDX") indexes.push_back(entry.path());
    }
  }
  for (const fs::path& path : indexes) {
    const fs::directory_entry entry(path);
    const std::string dbf = fs::path(entry.path()).replace_extension(".dbf").string();
    const DbfHeader header = HeaderOf(dbf);
    auto file = DiskFileSystem().Open(entry.path().string(), OpenMode::Read);
    CdxReader reader(*file);
    auto table = DbfReader::Open(dbf);
    for (const CdxTag& tag : reader.Tags()) {
      const CdxKeyExpression expression = CdxKeyExpression::Parse(tag.keyExpression, header);
      EXPECT_EQ(expression.KeyLength(), tag.keyLength) << dbf << " " << tag.name;
      std::vector<CdxKey> expected;
      for (std::uint32_t recno = 1; recno <= header.recordCount; ++recno) {
        const std::vector<std::uint8_t> record = table->RawRecord(recno);
        CdxKey key{"", recno};
        expression.Key(record.data(), key.bytes);
        expected.push_back(key);
      }
      std::sort(expected.begin(), expected.end(), [](const CdxKey& a, const CdxKey& b) {
        return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
      });
      const auto actual = reader.Keys(tag, expression.Fill());
      for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (!(actual[i] == expected[i])) {
          ADD_FAILURE() << dbf << " " << tag.name << " #" << i << " vfp " << Hex(actual[i].bytes) << " r"
                        << actual[i].record << " ours " << Hex(expected[i].bytes) << " r" << expected[i].record;
          break;
        }
      }
      EXPECT_EQ(actual.size(), expected.size());
      ++compared;
    }
  }
  EXPECT_EQ(compared, 46);
}

TEST(CdxKeyTest, UnusableExpressionsAreRefused) {
  const DbfHeader header = HeaderOf(kData + "northwind/orders.dbf");
  for (const std::string& text : std::vector<std::string>{
           "", "nosuchfield", "UPPER(orderid)", "orderid+customerid", "DTOS(orderdate)", "UPPER(customerid",
           "customerid)", std::string(300, 'a'), std::string(50, '(') + "customerid" + std::string(50, ')')}) {
    EXPECT_THROW(CdxKeyExpression::Parse(text, header), ado::Failure) << text;
  }
}

// One table, one tag per kind of key; each tag must list the records in FoxPro's order.
struct TagCase {
  std::string statement;
  std::string tag;
  char fill;
  std::vector<std::uint32_t> order;
};

const std::vector<TagCase>& TagCases() {
  static const std::vector<TagCase> cases = {
      {"ALTER TABLE 'ix' ADD UNIQUE id TAG id", "ID", '\0', {4, 2, 3, 1, 5}},
      {"INDEX ON name TAG name OF 'ix.cdx'", "NAME", ' ', {3, 2, 4, 5, 1}},
      {"INDEX ON UPPER(name) TAG uname OF 'ix.cdx'", "UNAME", ' ', {2, 4, 5, 1, 3}},
      {"INDEX ON name+city TAG namecity OF 'ix.cdx'", "NAMECITY", ' ', {3, 4, 2, 5, 1}},
      {"INDEX ON amount TAG amount OF 'ix.cdx'", "AMOUNT", '\0', {4, 2, 1, 3, 5}},
      {"INDEX ON born TAG born OF 'ix.cdx' DESCENDING", "BORN", '\0', {2, 4, 3, 1, 5}},
      {"INDEX ON seen TAG seen OF 'ix.cdx'", "SEEN", '\0', {4, 5, 2, 3, 1}},
      {"INDEX ON ok TAG ok OF 'ix.cdx'", "OK", '\0', {2, 4, 5, 1, 3}},
      {"INDEX ON nick TAG nick OF 'ix.cdx' UNIQUE", "NICK", ' ', {2, 3, 1}},
  };
  return cases;
}

void FillIndexedTable(FoxProSession& session, bool tagsFirst) {
  session.Execute(
      "CREATE TABLE 'ix' (ID I, NAME C(8), CITY C(6), AMOUNT N(8,2), BORN D, SEEN T, OK L, NICK C(5) NULL)");
  if (tagsFirst) {
    for (const TagCase& c : TagCases()) session.Execute(c.statement);
  }
  for (const char* values : {
           "'3', 'pear', 'x', '-0.5', '2001-02-03', '2001-02-03 12:00:00', 'T', 'b'",
           "'1', 'apple', 'b', '-3', '', '1999-12-31 23:59:59', 'F', NULL",
           "'2', 'Zebra', 'y', '0', '1996-07-04', '2001-02-03 06:00:00', 'T', 'a'",
           "'-7', 'apple', 'a', '-10.25', '1960-01-01', '', 'F', NULL",
           "'10', 'fig', 'z', '100', '2030-12-31', '1996-07-04 00:00:00', 'F', 'a'",
       }) {
    session.Execute(std::string("INSERT INTO 'ix' VALUES (") + values + ")");
  }
  if (!tagsFirst) {
    for (const TagCase& c : TagCases()) session.Execute(c.statement);
  }
}

TEST_F(CdxIndexTest, TagsListRecordsInFoxProOrderForBothReaders) {
  for (const bool tagsFirst : {false, true}) {
    fs::remove_all(folder_);
    fs::create_directory(folder_);
    session_.reset();
    CreateIndexedTable(tagsFirst);
    EXPECT_EQ(HeaderOf(folder_ + "/ix.dbf").tableFlags & 0x01, 0x01);
    for (const TagCase& c : TagCases()) {
      const TagKeys ours = OurKeys(folder_ + "/ix.cdx", c.tag, c.fill);
      EXPECT_EQ(ours.records, c.order) << c.tag << (tagsFirst ? " maintained" : " built");
      const TagKeys perl = PerlKeys(folder_ + "/ix.cdx", c.tag);
      EXPECT_EQ(perl.records, ours.records) << c.tag;
      EXPECT_EQ(perl.keys, ours.keys) << c.tag;
    }
  }
}

TEST_F(CdxIndexTest, SchemaReportsTheKindOfEveryTag) {
  CreateIndexedTable(false);
  const auto rows = Indexes("ix");
  ASSERT_EQ(rows.size(), TagCases().size());
  EXPECT_EQ(rows[1], (std::vector<std::string>{"ix", "born", "born", "", "1", "0", "0", "0"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"ix", "id", "id", "", "0", "0", "1", "0"}));
  EXPECT_EQ(rows[5], (std::vector<std::string>{"ix", "nick", "nick", "", "0", "0", "0", "1"}));
}

TEST_F(CdxIndexTest, RealContainerTagsReadBackWithTheirKinds) {
  const std::string db = folder_ + "/nw";
  fs::copy(kData + "northwind", db);
  Session(db + "/northwind.dbc");
  EXPECT_EQ(Indexes("orderdetails"),
            (std::vector<std::vector<std::string>>{
                {"orderdetails", "orderid", "orderid", "", "0", "0", "0", "0"},
                {"orderdetails", "primarykey", "STR(orderid)+STR(productid)", "", "0", "1", "1", "0"},
                {"orderdetails", "productid", "productid", "", "0", "0", "0", "0"}}));
  const auto customers = Indexes("customers");
  ASSERT_EQ(customers.size(), 5u);
  EXPECT_EQ(customers[2][1], "customerid");
  EXPECT_EQ(customers[2][5], "1");
}

TEST_F(CdxIndexTest, TagsAddedToARealIndexLeaveItsOwnTagsAsTheyWere) {
  const std::string db = folder_ + "/nw";
  fs::copy(kData + "northwind", db);
  const std::string cdx = db + "/customers.cdx";
  std::vector<std::string> own;
  {
    auto file = DiskFileSystem().Open(cdx, OpenMode::Read);
    const CdxReader reader(*file);
    for (const CdxTag& tag : reader.Tags()) own.push_back(tag.name);
  }
  std::vector<TagKeys> before;
  for (const std::string& tag : own) before.push_back(OurKeys(cdx, tag, ' '));
  FoxProSession& session = Session(db + "/northwind.dbc");
  const std::string last = "REGIONCTRY";
  session.Execute("INDEX ON city+country TAG place OF 'customers.cdx'");
  session.Execute("INDEX ON UPPER(region) TAG " + last + " OF 'customers.cdx'");
  session_->Close();
  session_.reset();
  for (std::size_t t = 0; t < own.size(); ++t) {
    EXPECT_EQ(OurKeys(cdx, own[t], ' ').keys, before[t].keys) << own[t];
    EXPECT_EQ(PerlKeys(cdx, own[t]).records, before[t].records) << own[t];
  }
  const TagKeys added = OurKeys(cdx, last, ' ');
  EXPECT_EQ(added.records.size(), HeaderOf(db + "/customers.dbf").recordCount);
  EXPECT_EQ(PerlKeys(cdx, last).keys, added.keys);
  Session(db + "/northwind.dbc");
  EXPECT_EQ(Indexes("customers").size(), own.size() + 2);
}

TEST_F(CdxIndexTest, PrimaryKeyOfANewContainerTableIsRecordedInTheContainer) {
  const std::string db = folder_ + "/nw";
  fs::copy(kData + "northwind", db);
  FoxProSession& session = Session(db + "/northwind.dbc");
  session.Execute("CREATE TABLE 'items' (CODE C(6), QTY I)");
  session.Execute("INSERT INTO 'items' VALUES ('b', '2')");
  session.Execute("INSERT INTO 'items' VALUES ('a', '1')");
  session.Execute("ALTER TABLE 'items' ADD PRIMARY KEY code TAG code");
  session.Execute("INDEX ON qty TAG qty OF 'items.cdx'");
  EXPECT_THROW(session.Execute("ALTER TABLE 'items' ADD PRIMARY KEY qty TAG qty2"), ado::Failure);
  EXPECT_EQ(Indexes("items"), (std::vector<std::vector<std::string>>{{"items", "code", "code", "", "0", "1", "1", "0"},
                                                                     {"items", "qty", "qty", "", "0", "0", "0", "0"}}));
  // The container's Index records, as Visual FoxPro keeps them beside the PrimaryKey property.
  auto dbc = DbfReader::Open(db + "/northwind.dbc");
  std::vector<std::string> indexRecords;
  std::int64_t table = -1;
  std::vector<ado::Value> row;
  while (dbc->Next(row)) {
    const std::string type = row[2].As<std::string>();
    const std::string name = row[3].As<std::string>().substr(0, row[3].As<std::string>().find(' '));
    if (type.rfind("Table", 0) == 0 && name == "items") table = row[0].As<std::int64_t>();
    if (type.rfind("Index", 0) == 0 && row[1].As<std::int64_t>() == table) indexRecords.push_back(name);
  }
  EXPECT_EQ(indexRecords, (std::vector<std::string>{"code", "qty"}));
}

TEST_F(CdxIndexTest, DuplicateKeysGiveOneFailureAndLeaveNoTag) {
  CreateIndexedTable(false);
  const auto before = Indexes("ix");
  struct Case {
    std::string statement;
    std::string message;
  };
  const Case cases[] = {
      {"ALTER TABLE 'ix' ADD UNIQUE name TAG dupname", "index DUPNAME is violated: the key 'apple'"},
      {"INDEX ON nick TAG dupnick OF 'ix.cdx' CANDIDATE", "the key NULL"},
      {"INSERT INTO 'ix' VALUES ('10', 'kiwi', '', '', '', '', '', NULL)", "index ID is violated: the key 10"},
      {"ALTER TABLE 'ix' ADD PRIMARY KEY id TAG pk", "free table"},
      {"ALTER TABLE 'ix' ADD UNIQUE born TAG id", "already exists"},
  };
  for (const Case& c : cases) {
    try {
      Session().Execute(c.statement);
      ADD_FAILURE() << c.statement;
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(c.message), std::string::npos) << failure.what();
    }
  }
  EXPECT_EQ(Indexes("ix"), before);
  EXPECT_EQ(HeaderOf(folder_ + "/ix.dbf").recordCount, 5u);
}

TEST_F(CdxIndexTest, ArraysRefuseADuplicateKeyRowAndIndexTheOthers) {
  CreateIndexedTable(false);
  {
    auto arrays = Session().PrepareArrays("INSERT INTO 'ix' VALUES (?, ?, ?, ?, ?, ?, ?, ?)", 8);
    ASSERT_NE(arrays, nullptr);
    ado::ValueRows rows(8);
    const std::vector<ado::Value> blanks(7, ado::Value(std::string()));
    for (const std::int64_t id : {10, 20}) {
      rows.Add(ado::Value(id));
      for (const ado::Value& blank : blanks) rows.Add(blank);
    }
    const auto refused = arrays->SendValues(rows);
    ASSERT_EQ(refused.size(), 1u) << refused.back().message;
    EXPECT_EQ(refused[0].row, 0u);
    EXPECT_NE(refused[0].message.find("index ID is violated"), std::string::npos) << refused[0].message;
    EXPECT_EQ(OurKeys(folder_ + "/ix.cdx", "ID", '\0').records, (std::vector<std::uint32_t>{4, 2, 3, 1, 5, 6}));
  }
}

TEST_F(CdxIndexTest, MissingOrDamagedIndexIsReportedNotIgnored) {
  CreateIndexedTable(false);
  const std::string cdx = folder_ + "/ix.cdx";
  const auto original = fs::file_size(cdx);
  for (const bool missing : {false, true}) {
    if (missing) {
      fs::remove(cdx);
    } else {
      fs::resize_file(cdx, original - 512);
    }
    for (auto* action :
         {+[](FoxProSession& s) { s.Execute("INSERT INTO 'ix' VALUES ('99', 'x', '', '', '', '', '', NULL)"); },
          +[](FoxProSession& s) { s.IndexesSchema("ix"); }}) {
      try {
        action(Session());
        ADD_FAILURE() << "no failure";
      } catch (const ado::Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("ix.cdx"), std::string::npos) << failure.what();
      }
    }
  }
  EXPECT_EQ(HeaderOf(folder_ + "/ix.dbf").recordCount, 5u);
}

TEST_F(CdxIndexTest, AnIndexLeftBehindByRowsIsCompletedFromThem) {
  // As if a writer stopped between a row and its index: the old index with a new row.
  CreateIndexedTable(false);
  fs::copy_file(folder_ + "/ix.cdx", folder_ + "/old.cdx");
  Session().Execute("INSERT INTO 'ix' VALUES ('11', 'kiwi', '', '', '', '', '', NULL)");
  session_->Close();
  session_.reset();
  fs::copy_file(folder_ + "/old.cdx", folder_ + "/ix.cdx", fs::copy_options::overwrite_existing);
  EXPECT_THROW(Session().Execute("INSERT INTO 'ix' VALUES ('11', 'lime', '', '', '', '', '', NULL)"), ado::Failure);
  Session().Execute("INSERT INTO 'ix' VALUES ('12', 'lime', '', '', '', '', '', NULL)");
  session_->Close();
  EXPECT_EQ(OurKeys(folder_ + "/ix.cdx", "ID", '\0').records, (std::vector<std::uint32_t>{4, 2, 3, 1, 5, 6, 7}));
  EXPECT_EQ(OurKeys(folder_ + "/ix.cdx", "NAME", ' ').records, (std::vector<std::uint32_t>{3, 2, 4, 5, 6, 7, 1}));
}

TEST_F(CdxIndexTest, ARealLiveRecordsCandidateTagGetsTheNewRows) {
  // Visual FoxPro wrote this tag: COD, a candidate key FOR .NOT.DELETED().
  CopyFixtures("php-xbase", {"issue115.dbf", "issue115.cdx"});
  const std::vector<std::uint32_t> before = OurKeys(folder_ + "/issue115.cdx", "COD", ' ').records;
  Session().Execute("INSERT INTO 'issue115' VALUES ('0009', 'NEW')");
  EXPECT_THROW(Session().Execute("INSERT INTO 'issue115' VALUES ('0001', 'AGAIN')"), ado::Failure);
  session_->Close();
  const TagKeys after = OurKeys(folder_ + "/issue115.cdx", "COD", ' ');
  ASSERT_EQ(after.records.size(), before.size() + 1);
  EXPECT_EQ(after.records.back(), HeaderOf(folder_ + "/issue115.dbf").recordCount);
  EXPECT_EQ(after.keys.back(), Hex("0009"));
  EXPECT_EQ(PerlKeys(folder_ + "/issue115.cdx", "COD").keys, after.keys);
}

#ifdef TESSELBY_QUERY_PATH
TEST_F(CdxIndexTest, EveryTagFindsEveryRecordAfterAThousandInsertsByTheQueryTool) {
  CreateIndexedTable(false);
  const std::string connection = "Provider=vfpoledb.1;Data Source=" + folder_ + ";";
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(100 + i);
    const auto run = test_support::RunQueryTool(
        TESSELBY_QUERY_PATH, {connection, "INSERT INTO 'ix' VALUES ('" + n + "', 'n" + std::to_string(i % 37) +
                                              "', '', '" + std::to_string(i % 11 - 5) + "', '', '', '', NULL)"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  // Renaming takes the index along; the keys must still describe the records.
  Session().Execute("RENAME TABLE 'ix' TO 'moved'");
  session_.reset();
  const std::string dbf = folder_ + "/moved.dbf";
  const DbfHeader header = HeaderOf(dbf);
  ASSERT_EQ(header.recordCount, 1005u);
  auto table = DbfReader::Open(dbf);
  for (const TagCase& c : TagCases()) {
    auto file = DiskFileSystem().Open(folder_ + "/moved.cdx", OpenMode::Read);
    CdxReader reader(*file);
    const CdxTag* tag = reader.FindTag(c.tag);
    ASSERT_NE(tag, nullptr);
    const CdxKeyExpression expression = CdxKeyExpression::Parse(tag->keyExpression, header);
    const std::vector<CdxKey> keys = reader.Keys(*tag, expression.Fill());
    if (c.tag != "NICK") {
      ASSERT_EQ(keys.size(), 1005u) << c.tag;
    }
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(), [](const CdxKey& a, const CdxKey& b) {
      return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
    })) << c.tag;
    std::string expected;
    for (const CdxKey& key : keys) {
      expression.Key(table->RawRecord(key.record).data(), expected);
      ASSERT_EQ(Hex(key.bytes), Hex(expected)) << c.tag << " record " << key.record;
    }
  }
  Session().Execute("DROP TABLE moved");
  EXPECT_FALSE(fs::exists(folder_ + "/moved.cdx"));
}
#endif

}  // namespace
}  // namespace foxpro
