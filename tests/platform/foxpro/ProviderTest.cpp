#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/sql/Provider.h"
#include "support/MakeTempFolder.h"

namespace foxpro {
namespace {

namespace fs = std::filesystem;

// A temporary folder with writable copies of test data, removed afterwards.
class TempFolder {
 public:
  TempFolder() { path_ = support::MakeTempFolder("foxsql").string(); }
  ~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Copies the named files of a test data folder ("dbfread"), or all of them.
  void CopyTestData(const std::string& set, const std::vector<std::string>& names = {}) const {
    const fs::path from = fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / set;
    for (const auto& entry : fs::directory_iterator(from)) {
      const std::string name = entry.path().filename().string();
      if (names.empty() || std::find(names.begin(), names.end(), name) != names.end()) {
        fs::copy_file(entry.path(), fs::path(path_) / name);
        fs::permissions(fs::path(path_) / name, fs::perms::owner_write, fs::perm_options::add);
      }
    }
  }

 private:
  std::string path_;
};

std::string ConnectionString(const std::string& folder) {
  return "Provider=vfpoledb.1;Data Source=" + folder + ";Collating Sequence=general;";
}

struct Result {
  std::vector<std::string> names;
  std::vector<int> types;
  std::vector<std::vector<ado::Value>> rows;
};

Result ReadAll(ado::Recordset& rs) {
  Result result;
  for (int i = 0; i < rs.FieldCount(); ++i) {
    result.names.push_back(rs.Fields(i).Name);
    result.types.push_back(rs.Fields(i).Type);
  }
  while (!rs.Eof()) {
    std::vector<ado::Value> row;
    for (int i = 0; i < rs.FieldCount(); ++i) {
      row.push_back(rs.Fields(i).Value);
    }
    result.rows.push_back(std::move(row));
    rs.MoveNext();
  }
  return result;
}

class ProviderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterFoxProProvider(); }

  void Open(const std::string& folder, int cursorLocation = ado::adUseClient) {
    connection_.CursorLocation = cursorLocation;
    connection_.Mode = ado::adModeReadWrite;
    connection_.Open(ConnectionString(folder));
  }

  Result Select(const std::string& table) {
    ado::Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", connection_, ado::adOpenStatic, ado::adLockOptimistic);
    return ReadAll(rs);
  }

  std::vector<std::string> TableNames() {
    auto rs = connection_.OpenSchema(ado::adSchemaTables);
    std::vector<std::string> names;
    while (!rs->Eof()) {
      EXPECT_EQ(rs->Fields("TABLE_TYPE").Value, ado::Value("TABLE"));
      names.push_back(rs->Fields("TABLE_NAME").Value.As<std::string>());
      rs->MoveNext();
    }
    return names;
  }

  // The description of the failure that statement raises, or "" when it runs.
  std::string ExecuteFailure(const std::string& sql) {
    try {
      connection_.Execute(sql);
    } catch (const ado::Failure& failure) {
      return failure.Description();
    }
    return "";
  }

  TempFolder folder_;
  ado::Connection connection_;
};

TEST_F(ProviderTest, OpensAnExistingFolderWhateverItsSpellingAndClosingSeparator) {
  const std::string upper = folder_ / "Data";
  fs::create_directory(upper);
  for (const std::string& source : {upper, folder_ / "DATA", upper + "/", upper + "\\", folder_.Path() + "\\data"}) {
    ado::Connection connection;
    EXPECT_NO_THROW(connection.Open(ConnectionString(source))) << source;
  }
}

TEST_F(ProviderTest, DataSourceThatIsNoFolderNorContainerFailsNamingThePath) {
  const std::string missing = folder_ / "nowhere";
  std::ofstream(folder_ / "plain.txt") << "x";
  for (const std::string& source : {missing, folder_ / "plain.txt", std::string()}) {
    ado::Connection connection;
    try {
      connection.Open(ConnectionString(source));
      ADD_FAILURE() << "opened " << source;
    } catch (const ado::Failure& failure) {
      EXPECT_EQ(failure.Description().rfind("Invalid path or file name", 0), 0u) << failure.Description();
      EXPECT_NE(failure.Description().find(source), std::string::npos) << failure.Description();
    }
    EXPECT_FALSE(connection.IsOpen());
  }
}

TEST_F(ProviderTest, TablesSchemaListsEveryTableOfTheFolderOnceInLowerCase) {
  folder_.CopyTestData("northwind", {"region.dbf", "region.cdx", "shippers.dbf", "northwind.dbc", "northwind.dct"});
  folder_.CopyTestData("go-dbase");  // TEST.DBF, TEST.FPT
  fs::copy_file(folder_ / "region.dbf", folder_ / "REGION.DBF");
  fs::create_directory(folder_ / "sub.dbf");
  Open(folder_.Path());
  std::vector<std::string> names = TableNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"region", "shippers", "test"}));
}

TEST_F(ProviderTest, EmptyFolderGivesNoTables) {
  Open(folder_.Path());
  EXPECT_TRUE(TableNames().empty());
}

TEST_F(ProviderTest, SelectReadsLiveRowsInTableOrderWithLowerCaseNamesAndProviderTypes) {
  folder_.CopyTestData("dbfread", {"memotest.dbf", "memotest.FPT"});
  Open(folder_.Path());
  for (const char* name : {"memotest", "MemoTest"}) {
    const Result result = Select(name);
    EXPECT_EQ(result.names, (std::vector<std::string>{"name", "birthdate", "memo"}));
    EXPECT_EQ(result.types, (std::vector<int>{ado::adChar, ado::adDBDate, ado::adLongVarChar}));
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(result.rows[0][0], ado::Value("Alice" + std::string(11, ' ')));
    EXPECT_EQ(result.rows[0][1], ado::Value(ado::Date{1987, 3, 1}));
    EXPECT_EQ(result.rows[1][2], ado::Value("Bob memo"));
  }
}

TEST_F(ProviderTest, SelectStreamsOnAServerSideCursor) {
  folder_.CopyTestData("northwind", {"orders.dbf"});
  Open(folder_.Path(), ado::adUseServer);
  ado::Recordset rs;
  rs.Open("SELECT * FROM `ORDERS`", connection_);
  EXPECT_EQ(ReadAll(rs).rows.size(), 830u);
}

TEST_F(ProviderTest, SelectOfAMissingTableOrAnUnknownStatementFails) {
  Open(folder_.Path());
  ado::Recordset rs;
  try {
    rs.Open("SELECT * FROM `ghost`", connection_);
    ADD_FAILURE() << "opened a missing table";
  } catch (const ado::Failure& failure) {
    EXPECT_NE(failure.Description().find("ghost.dbf' does not exist."), std::string::npos) << failure.Description();
  }
  EXPECT_EQ(ExecuteFailure("SELECT name FROM `ghost`").rfind("Command contains unrecognized phrase/keyword.", 0), 0u);
  EXPECT_EQ(ExecuteFailure("DELETE FROM `ghost`").rfind("Unrecognized command verb.", 0), 0u);
}

// What the Oracle-to-FoxPro transfer sends, read back through SELECT.
TEST_F(ProviderTest, CreateInsertSelectGivesBackExactlyWhatWentIn) {
  Open(folder_.Path());
  const std::string path = folder_ / "EMP.DBF";
  connection_.Execute("CREATE TABLE '" + path + "'([EMPNO] M,[NOTE] M,[PHOTO] BLOB);");

  std::string longText;
  for (int i = 0; i < 450; ++i) {
    longText += static_cast<char>('a' + i % 26);
  }
  longText[199] = '\'';
  longText[200] = '\'';
  std::string pieces;
  for (std::size_t at = 0; at < longText.size(); at += 200) {
    std::string piece = longText.substr(at, 200);
    std::string doubled;
    for (char c : piece) {
      doubled += c == '\'' ? std::string("''") : std::string(1, c);
    }
    pieces += (at ? "'+'" : "") + doubled;
  }
  std::string blobLiteral;
  ado::Bytes blob;
  for (int b = 0; b < 256; ++b) {
    blob.push_back(static_cast<std::uint8_t>(b));
    if (b == 13 || b == 10) {
      blobLiteral += "'+CHR(" + std::to_string(b) + ")+'";
    } else if (b == '\'') {
      blobLiteral += "''";
    } else if (b < 0x80) {
      blobLiteral += static_cast<char>(b);
    } else {
      blobLiteral += static_cast<char>(0xC0 | (b >> 6));
      blobLiteral += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  connection_.Execute("INSERT INTO '" + path + "' VALUES('it''s', '" + pieces + "', '" + blobLiteral + "')");
  connection_.Execute("INSERT INTO '" + path + "' VALUES('two', 'a'+CHR(13)+CHR(10)+'b', '')");
  connection_.Execute("INSERT INTO '" + folder_ / "emp.dbf" + "' VALUES('', NULL, NULL)");

  const Result result = Select("emp");
  EXPECT_EQ(result.names, (std::vector<std::string>{"empno", "note", "photo"}));
  EXPECT_EQ(result.types, (std::vector<int>{ado::adLongVarChar, ado::adLongVarChar, ado::adLongVarBinary}));
  ASSERT_EQ(result.rows.size(), 3u);
  EXPECT_EQ(result.rows[0][0], ado::Value("it's"));
  EXPECT_EQ(result.rows[0][1], ado::Value(longText));
  EXPECT_EQ(result.rows[0][2], ado::Value(blob));
  EXPECT_EQ(result.rows[1][1], ado::Value("a\r\nb"));
  EXPECT_EQ(ado::ValueToText(result.rows[1][2]), "");
  EXPECT_EQ(ado::ValueToText(result.rows[2][0]), "");
  EXPECT_EQ(ado::ValueToText(result.rows[2][1]), "");
}

TEST_F(ProviderTest, LongFieldNamesAreCutToTenAndClashesNumbered) {
  Open(folder_.Path());
  connection_.Execute("CREATE TABLE '" + folder_ / "c.DBF" +
                      "'([CUSTOMER_NAME] M,[CUSTOMER_NUMBER] M,[Customer_N] M,[ID] M);");
  EXPECT_EQ(Select("c").names, (std::vector<std::string>{"customer_n", "customer_2", "customer_3", "id"}));
}

TEST_F(ProviderTest, CreateOverAnExistingFileFailsWhateverItsLetterCase) {
  Open(folder_.Path());
  connection_.Execute("CREATE TABLE '" + folder_ / "emp.dbf" + "'([A] M);");
  connection_.Execute("INSERT INTO '" + folder_ / "emp.dbf" + "' VALUES('kept')");
  const std::string failure = ExecuteFailure("CREATE TABLE '" + folder_ / "EMP.DBF" + "'([B] M);");
  EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  EXPECT_EQ(Select("emp").rows.size(), 1u);
}

TEST_F(ProviderTest, CreateInAMissingFolderFails) {
  Open(folder_.Path());
  EXPECT_EQ(ExecuteFailure("CREATE TABLE '" + folder_ / "no/x.DBF" + "'([A] M);").rfind("Invalid path or file name", 0),
            0u);
}

TEST_F(ProviderTest, CreateReplacesStaleCompanionsOfADeletedTable) {
  Open(folder_.Path());
  connection_.Execute("CREATE TABLE '" + folder_ / "t.dbf" + "'([A] M);");
  connection_.Execute("INSERT INTO '" + folder_ / "t.dbf" + "' VALUES('old memo')");
  fs::copy_file(folder_ / "t.fpt", folder_ / "t.cdx");
  fs::remove(folder_ / "t.dbf");  // what the transfer does before CREATE TABLE
  connection_.Execute("CREATE TABLE '" + folder_ / "T.DBF" + "'([A] M);");
  connection_.Execute("INSERT INTO '" + folder_ / "T.DBF" + "' VALUES('new memo')");
  EXPECT_FALSE(fs::exists(folder_ / "t.fpt"));
  EXPECT_FALSE(fs::exists(folder_ / "t.cdx"));
  const Result result = Select("t");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], ado::Value("new memo"));
}

TEST_F(ProviderTest, InsertOfACharacterTheCodePageCannotHoldFailsAndStoresNothing) {
  Open(folder_.Path());
  const std::string path = folder_ / "t.DBF";
  connection_.Execute("CREATE TABLE '" + path + "'([A] M,[B] M);");
  const std::string failure = ExecuteFailure("INSERT INTO '" + path + "' VALUES('ok', '\xE4\xB8\xAD')");
  EXPECT_FALSE(failure.empty());
  connection_.Execute("INSERT INTO '" + path + "' VALUES('caf\xC3\xA9', '\xE2\x82\xAC')");
  const Result result = Select("t");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], ado::Value("caf\xC3\xA9"));
  EXPECT_EQ(result.rows[0][1], ado::Value("\xE2\x82\xAC"));
}

TEST_F(ProviderTest, InsertChecksTheValueCountAndTheTable) {
  Open(folder_.Path());
  const std::string path = folder_ / "t.DBF";
  connection_.Execute("CREATE TABLE '" + path + "'([A] M,[B] M);");
  EXPECT_EQ(ExecuteFailure("INSERT INTO '" + path + "' VALUES('1', '2', '3')").rfind("Too many values", 0), 0u);
  connection_.Execute("INSERT INTO '" + path + "' VALUES('only')");
  EXPECT_NE(ExecuteFailure("INSERT INTO '" + folder_ / "u.DBF" + "' VALUES('1')").find("does not exist"),
            std::string::npos);
  const Result result = Select("t");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], ado::Value("only"));
  EXPECT_EQ(ado::ValueToText(result.rows[0][1]), "");
}

// Rows go into the file that is there now, even when it was replaced between two INSERTs.
TEST_F(ProviderTest, InsertFollowsATableReplacedBehindTheConnection) {
  Open(folder_.Path());
  const std::string path = folder_ / "t.DBF";
  connection_.Execute("CREATE TABLE '" + path + "'([A] M);");
  connection_.Execute("INSERT INTO '" + path + "' VALUES('first')");
  {
    ado::Connection other;
    other.CommandTimeout = 1;
    other.Open(ConnectionString(folder_.Path()));
    // The first connection's run of INSERTs holds the table against other writers...
    std::string failure;
    try {
      other.Execute("DROP TABLE `t`");
    } catch (const ado::Failure& f) {
      failure = f.Description();
    }
    EXPECT_NE(failure.find("is in use"), std::string::npos) << failure;
    // ...but not against the file being replaced underneath it.
    fs::remove(path);
    other.Execute("CREATE TABLE '" + path + "'([A] M);");
  }
  connection_.Execute("INSERT INTO '" + path + "' VALUES('second')");
  const Result result = Select("t");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], ado::Value("second"));
}

TEST_F(ProviderTest, DropRemovesTheTableAndItsCompanionsInAnyLetterCase) {
  folder_.CopyTestData("northwind", {"categories.dbf", "categories.fpt", "categories.cdx", "region.dbf"});
  fs::rename(folder_ / "categories.fpt", folder_ / "Categories.FPT");
  Open(folder_.Path());
  connection_.Execute("DROP TABLE `CATEGORIES`");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder_.Path())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, (std::vector<std::string>{"region.dbf"}));
  EXPECT_NE(ExecuteFailure("DROP TABLE `categories`").find("does not exist"), std::string::npos);
}

TEST_F(ProviderTest, QuotedFilePathsNameTablesOfTheFolderOnly) {
  Open(folder_.Path());
  fs::create_directory(folder_ / "sub");
  connection_.Execute("CREATE TABLE x ([A] M)");
  connection_.Execute("CREATE TABLE 'sub/z' ([A] M)");
  connection_.Execute("INSERT INTO x VALUES('1')");
  connection_.Execute("RENAME TABLE '" + folder_ / "X.DBF" + "' TO 'y.dbf'");
  EXPECT_EQ(Select("y").rows.size(), 1u);
  EXPECT_NE(ExecuteFailure("DROP TABLE 'SUB/Z.DBF'").find("is not a table of"), std::string::npos);
  connection_.Execute("DROP TABLE '" + folder_ / "y" + "'");
  EXPECT_TRUE(TableNames().empty());
  EXPECT_TRUE(fs::exists(folder_ / "sub/z.dbf"));
}

TEST_F(ProviderTest, RenameKeepsMemosAndExtensionCase) {
  folder_.CopyTestData("dbfread", {"memotest.dbf", "memotest.FPT"});
  Open(folder_.Path());
  const Result before = Select("memotest");
  connection_.Execute("RENAME TABLE `MEMOTEST` TO `notes`");
  EXPECT_TRUE(fs::exists(folder_ / "notes.dbf"));
  EXPECT_TRUE(fs::exists(folder_ / "notes.FPT"));
  EXPECT_FALSE(fs::exists(folder_ / "memotest.dbf"));
  const Result after = Select("notes");
  EXPECT_EQ(after.names, before.names);
  EXPECT_EQ(after.rows, before.rows);
  EXPECT_EQ(TableNames(), (std::vector<std::string>{"notes"}));
}

TEST_F(ProviderTest, RenameOntoATakenNameFailsAndRenamesNothing) {
  folder_.CopyTestData("dbfread", {"memotest.dbf", "memotest.FPT", "people.dbf"});
  std::ofstream(folder_ / "stray.FPT") << "x";
  Open(folder_.Path());
  for (const std::string target : {"PEOPLE", "stray"}) {
    const std::string failure = ExecuteFailure("RENAME TABLE `memotest` TO `" + target + "`");
    EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  }
  EXPECT_NE(ExecuteFailure("RENAME TABLE `ghost` TO `x`").find("does not exist"), std::string::npos);
  EXPECT_NE(ExecuteFailure("RENAME TABLE `memotest` TO `../x`").find("Invalid path or file name"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder_ / "memotest.dbf"));
  EXPECT_TRUE(fs::exists(folder_ / "memotest.FPT"));
  EXPECT_EQ(Select("memotest").rows.size(), 2u);
  connection_.Execute("RENAME TABLE `memotest` TO `MemoTest`");  // a change of letter case only
  EXPECT_TRUE(fs::exists(folder_ / "MemoTest.dbf"));
  EXPECT_TRUE(fs::exists(folder_ / "MemoTest.FPT"));
}

TEST_F(ProviderTest, ContainerDataSourceRunsTheSameStatementsWithLongFieldNames) {
  folder_.CopyTestData("northwind");
  Open(folder_ / "NorthWind.DBC");
  int tables = 0;
  int views = 0;
  for (auto rs = connection_.OpenSchema(ado::adSchemaTables); !rs->Eof(); rs->MoveNext()) {
    const std::string type = rs->Fields("TABLE_TYPE").Value.As<std::string>();
    (type == "TABLE" ? tables : views) += 1;
  }
  EXPECT_EQ(tables, 13);
  EXPECT_GT(views, 0);

  const std::string path = folder_ / "EMP.DBF";
  connection_.Execute("CREATE TABLE '" + path + "'([EMPLOYEE_NUMBER] M,[EMPLOYEE_NAME] M,[PHOTO] BLOB);");
  connection_.Execute("INSERT INTO '" + path + "' VALUES('7', 'O''Neil'+CHR(13)+CHR(10)+'Jr', 'ab')");
  Result result = Select("emp");
  EXPECT_EQ(result.names, (std::vector<std::string>{"employee_number", "employee_name", "photo"}));
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][1], ado::Value("O'Neil\r\nJr"));
  EXPECT_EQ(result.rows[0][2], ado::Value(ado::Bytes{'a', 'b'}));

  connection_.Execute("RENAME TABLE `emp` TO `staff`");
  EXPECT_EQ(Select("STAFF").rows, result.rows);
  connection_.Execute("DROP TABLE `staff`");
  EXPECT_NE(ExecuteFailure("SELECT * FROM `staff`"), "");
  EXPECT_EQ(Select("orders").rows.size(), 830u);
}

TEST_F(ProviderTest, DbcFileThatIsNoContainerFailsNamingIt) {
  folder_.CopyTestData("northwind", {"region.dbf"});
  fs::rename(folder_ / "region.dbf", folder_ / "fake.dbc");
  try {
    Open(folder_ / "fake.dbc");
    ADD_FAILURE() << "opened";
  } catch (const ado::Failure& failure) {
    EXPECT_NE(failure.Description().find("fake.dbc"), std::string::npos) << failure.Description();
  }
}

TEST_F(ProviderTest, ClosedConnectionRunsNothing) {
  Open(folder_.Path());
  connection_.Close();
  EXPECT_THROW(connection_.Execute("DROP TABLE `t`"), ado::Failure);
}

}  // namespace
}  // namespace foxpro
