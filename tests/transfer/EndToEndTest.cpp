// Both handlers against the Oracle stand-in and the real FoxPro engine: the statement texts
// that arrive, and what the tables hold afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "commands/transfer/SqlHelpers.h"
#include "connections/Foxpro.h"
#include "connections/NameRules.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/files/FileIo.h"
#include "support/FakeWindowParts.h"
#include "support/StandIn.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

using support::FakeTablesWindow;
using Strings = std::vector<std::string>;

// Passes everything to the real FoxPro engine and keeps every statement text it was given.
class RecordingProvider : public ado::Provider {
 public:
  explicit RecordingProvider(std::shared_ptr<ado::Provider> engine) : engine_(std::move(engine)) {}
  std::unique_ptr<ado::Session> Open(const std::string& connectionString,
                                     const ado::ConnectionSettings& settings) override {
    return std::make_unique<RecordingSession>(engine_->Open(connectionString, settings), statements);
  }
  Strings statements;

 private:
  class RecordingSession : public ado::Session {
   public:
    RecordingSession(std::unique_ptr<ado::Session> inner, Strings& log) : inner_(std::move(inner)), log_(log) {}
    void Execute(const std::string& sql) override {
      log_.push_back(sql);
      inner_->Execute(sql);
    }
    std::unique_ptr<ado::RowSource> Query(const std::string& sql) override {
      log_.push_back(sql);
      return inner_->Query(sql);
    }
    std::unique_ptr<ado::RowSource> TablesSchema() override { return inner_->TablesSchema(); }
    void Close() override { inner_->Close(); }

   private:
    std::unique_ptr<ado::Session> inner_;
    Strings& log_;
  };
  std::shared_ptr<ado::Provider> engine_;
};

// Oracle's driver reports RAW as a short binary type; psqlODBC does so for bytea only when the
// connection string asks, which the program's own string (its fields braced) cannot.
class ShortBinaryOdbc : public ado::Provider {
 public:
  ShortBinaryOdbc() : odbc_(ado::RegisteredProvider("")) {
    ado::RegisterProvider("", std::shared_ptr<Provider>(this, [](auto*) {}));
  }
  ~ShortBinaryOdbc() override { ado::RegisterProvider("", odbc_); }
  std::unique_ptr<ado::Session> Open(const std::string& connectionString,
                                     const ado::ConnectionSettings& settings) override {
    return odbc_->Open(connectionString + "ByteaAsLongVarBinary=0;", settings);
  }

 private:
  std::shared_ptr<ado::Provider> odbc_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file below a folder with its content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path());
  }
  return files;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    ado::SetTextLocale(ado::TextLocale{'.', "M/d/yyyy"});
    folder_ = fs::temp_directory_path() / ("tesselby-e2e-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    engine_ = ado::RegisteredProvider("vfpoledb.1");
    recorder_ = std::make_shared<RecordingProvider>(engine_);
    ado::RegisterProvider("vfpoledb.1", recorder_);
    window.fields.oracleServer = "127.0.0.1";
    window.fields.oracleUser = "scott";
    window.fields.oraclePassword = "tiger";
    window.fields.dbcMode = false;
    window.fields.freeTableFolder = folder_.string();
    oracle_.Open(support::kOracleConnectionString);
    logAtStart_ = ReadFile(fs::path(support::StandInDir()) / "server.log").size();
  }
  void TearDown() override {
    if (engine_) ado::RegisterProvider("vfpoledb.1", engine_);
    for (const std::string& table : oracleTables_) {
      try {
        oracle_.Execute("DROP TABLE \"" + table + "\"");
      } catch (const std::exception& failure) {
        ADD_FAILURE() << "cleaning up " << table << ": " << failure.what();
      }
    }
    fs::remove_all(folder_);
    window.prompter.ExpectAllUsed();
  }

  void FoxPro(const std::string& sql) {
    ado::Connection connection;
    connection.Open("Provider=vfpoledb.1;Data Source=" + folder_.string() + ";Collating Sequence=general;");
    connection.Execute(sql);
  }
  void Oracle(const std::string& sql) { oracle_.Execute(sql); }
  std::string FolderPath() const { return folder_.string() + "/"; }
  // What the stand-in received since the test began.
  std::string ServerLog() const { return ReadFile(fs::path(support::StandInDir()) / "server.log").substr(logAtStart_); }
  std::vector<std::vector<ado::Value>> FoxProRows(const std::string& table) {
    ado::Connection connection;
    connection.CursorLocation = ado::adUseClient;
    connection.Open("Provider=vfpoledb.1;Data Source=" + folder_.string() + ";Collating Sequence=general;");
    ado::Recordset records;
    records.Open("SELECT * FROM `" + table + "`", connection);
    std::vector<std::vector<ado::Value>> rows;
    for (; !records.Eof(); records.MoveNext()) {
      rows.emplace_back();
      for (int f = 0; f < records.FieldCount(); ++f) rows.back().push_back(records.Fields(f).Value);
    }
    return rows;
  }

  static std::vector<std::vector<ado::Value>> FoxProRowsIn(const connections::ConnectionFields& fields,
                                                           const std::string& table) {
    ado::Connection connection;
    connection.CursorLocation = ado::adUseClient;
    connection.Open(connections::FoxProConnectionString(fields));
    ado::Recordset records;
    records.Open("SELECT * FROM `" + table + "`", connection);
    std::vector<std::vector<ado::Value>> rows;
    for (; !records.Eof(); records.MoveNext()) rows.emplace_back(1, records.Fields(0).Value);
    return rows;
  }

  FakeTablesWindow window;
  fs::path folder_;
  std::shared_ptr<ado::Provider> engine_;
  std::shared_ptr<RecordingProvider> recorder_;
  ado::Connection oracle_;
  std::size_t logAtStart_ = 0;
  Strings oracleTables_;
};

TEST_F(EndToEndTest, TheFoxProToOracleWorkedExampleArrivesWordForWord) {
  FoxPro("CREATE TABLE '" + FolderPath() + "orders.DBF'([name] V(20),[qty] I);");
  FoxPro("INSERT INTO '" + FolderPath() + "orders.DBF' VALUES('it''s', '5')");
  FoxPro("INSERT INTO '" + FolderPath() + "orders.DBF' VALUES('', '5')");
  oracleTables_ = {"orders"};
  FakeTablesWindow::Fill(window.list1, {"orders"});
  FakeTablesWindow::Select(window.list1, {"orders"});
  window.list1.SetListIndex(0);

  recorder_->statements.clear();
  SendTablesToOracle(window.parts);

  EXPECT_EQ(recorder_->statements, Strings{"SELECT * FROM `orders`"});
  const std::string log = ServerLog();
  for (const std::string statement :
       {"CREATE TABLE \"orders\"(\"name\" VARCHAR(2000),\"qty\" INT)", "INSERT INTO \"orders\" VALUES('it''s', '5')",
        "INSERT INTO \"orders\" VALUES(NULL, '5')"}) {
    EXPECT_NE(log.find("statement: " + statement + "\n"), std::string::npos) << statement << "\n" << log;
  }
  EXPECT_EQ(log.find("ERROR:"), std::string::npos) << log;
  EXPECT_EQ(FakeTablesWindow::Items(window.list2), Strings{"orders"});
}

TEST_F(EndToEndTest, TheOracleToFoxProWorkedExampleIsWhatTheEngineReceives) {
  Oracle("CREATE TABLE \"EMP\"(\"EMPNO\" NUMERIC,\"HIRE DATE\" DATE,\"PHOTO\" BLOB)");
  oracleTables_ = {"EMP"};
  Oracle("INSERT INTO \"EMP\" VALUES(42, NULL, NULL)");
  FakeTablesWindow::Fill(window.list2, {"EMP"});
  FakeTablesWindow::Select(window.list2, {"EMP"});
  window.list2.SetListIndex(0);

  SendTablesToFoxPro(window.parts);

  const std::string path = FolderPath() + "EMP.DBF";
  EXPECT_EQ(recorder_->statements, (Strings{"CREATE TABLE '" + path + "'([EMPNO] M,[HIRE_DATE] M,[PHOTO] BLOB);",
                                            "INSERT INTO '" + path + "' VALUES('42', '', '')"}));
  EXPECT_NE(ServerLog().find("SELECT * FROM \"EMP\""), std::string::npos);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(FakeTablesWindow::Items(window.list1), Strings{"emp"});
  const auto rows = FoxProRows("emp");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(ado::ValueToText(rows[0][0]), "42");
}

TEST_F(EndToEndTest, LineBreaksLongTextsDatesAndBytesSurviveTheWayToFoxPro) {
  Oracle("CREATE TABLE \"NOTES\"(\"ID\" INT,\"BODY\" VARCHAR(2000),\"WHEN\" TIMESTAMP,\"DATA\" BLOB)");
  oracleTables_ = {"NOTES"};
  std::string body = "first line\r\nit's the second\nthird\r";
  while (body.size() < 450) body += "0123456789'";
  std::string hex;
  ado::Bytes bytes;
  for (int b = 0; b < 256; ++b) {
    bytes.push_back(static_cast<std::uint8_t>(b));
    static constexpr char kDigits[] = "0123456789ABCDEF";
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  std::string literal;
  for (char c : body) literal += c == '\'' ? std::string("''") : std::string(1, c);
  Oracle("INSERT INTO \"NOTES\" VALUES(1, '" + literal + "', TIMESTAMP '1899-12-30 23:59:58.5', '" + hex + "')");
  Oracle("INSERT INTO \"NOTES\" VALUES(2, NULL, TIMESTAMP '2024-02-29 00:00:00', NULL)");
  FakeTablesWindow::Fill(window.list2, {"NOTES"});
  FakeTablesWindow::Select(window.list2, {"NOTES"});
  window.list2.SetListIndex(0);

  SendTablesToFoxPro(window.parts);

  auto rows = FoxProRows("notes");
  ASSERT_EQ(rows.size(), 2u);
  if (ado::ValueToText(rows[0][0]) != "1") std::swap(rows[0], rows[1]);
  EXPECT_EQ(ado::ValueToText(rows[0][1]), body);
  EXPECT_EQ(ado::ValueToText(rows[0][2]), "12/30/1899 23:59:58.500");
  ASSERT_TRUE(rows[0][3].Is<ado::Bytes>()) << ado::ValueToText(rows[0][3]);
  EXPECT_EQ(rows[0][3].As<ado::Bytes>(), bytes);
  EXPECT_EQ(ado::ValueToText(rows[1][1]), "");
  EXPECT_EQ(ado::ValueToText(rows[1][2]), "2/29/2024");
  // The value's own line breaks travel as CHR() joints; none is left in the text itself.
  for (const std::string& statement : recorder_->statements) {
    EXPECT_EQ(statement.find_first_of("\r\n"), std::string::npos) << statement;
  }
}

TEST_F(EndToEndTest, BytesTravelToOracleAsHexAndComeBackWhole) {
  FoxPro("CREATE TABLE '" + FolderPath() + "pics.DBF'([id] I,[pic] BLOB);");
  FoxPro("INSERT INTO '" + FolderPath() + "pics.DBF' VALUES('7', 'A'+CHR(0)+CHR(13)+'''Z')");
  oracleTables_ = {"pics"};
  FakeTablesWindow::Fill(window.list1, {"pics"});
  FakeTablesWindow::Select(window.list1, {"pics"});
  window.list1.SetListIndex(0);

  SendTablesToOracle(window.parts);

  const std::string log = ServerLog();
  EXPECT_NE(log.find("statement: CREATE TABLE \"pics\"(\"id\" INT,\"pic\" BLOB)\n"), std::string::npos) << log;
  EXPECT_NE(log.find("statement: INSERT INTO \"pics\" VALUES('7', '41000D275A')\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("ERROR:"), std::string::npos) << log;

  // And back into a fresh folder table of the same name, replacing the listed one.
  window.list1.Clear();
  FakeTablesWindow::Fill(window.list1, {"pics"});
  FakeTablesWindow::Select(window.list2, {"pics"});
  window.list2.SetListIndex(0);
  testing::ExpectOverwrite(window.prompter, "pics", connections::vbYes);
  SendTablesToFoxPro(window.parts);
  const auto rows = FoxProRows("pics");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0][1].Is<ado::Bytes>());
  EXPECT_EQ(rows[0][1].As<ado::Bytes>(), (ado::Bytes{'A', 0, 13, '\'', 'Z'}));
}

TEST_F(EndToEndTest, ShortBinaryValuesArriveInTheirMemoAsHexEveryRow) {
  ShortBinaryOdbc shortBinary;
  Oracle("CREATE TABLE \"GUIDS\"(\"ID\" INT,\"G\" bytea)");
  oracleTables_ = {"GUIDS"};
  Oracle(
      "INSERT INTO \"GUIDS\" SELECT i, decode(to_hex(128 + i % 32) || '9f808182838485868788898a8b8c8d', 'hex') "
      "FROM generate_series(1, 100) AS i");
  FakeTablesWindow::Fill(window.list2, {"GUIDS"});
  FakeTablesWindow::Select(window.list2, {"GUIDS"});
  window.list2.SetListIndex(0);

  SendTablesToFoxPro(window.parts);

  const auto rows = FoxProRows("guids");
  ASSERT_EQ(rows.size(), 100u);
  for (const auto& row : rows) {
    char first[3];
    std::snprintf(first, sizeof first, "%02X", 128 + std::stoi(ado::ValueToText(row[0])) % 32);
    EXPECT_EQ(ado::ValueToText(row[1]), first + std::string("9F808182838485868788898A8B8C8D"));
  }
}

TEST_F(EndToEndTest, NumbersArriveInTheirGeneralFormBothWays) {
  FoxPro("CREATE TABLE '" + FolderPath() + "prices.DBF'([price] N(8,2));");
  FoxPro("INSERT INTO '" + FolderPath() + "prices.DBF' VALUES('1234.50')");
  FoxPro("INSERT INTO '" + FolderPath() + "prices.DBF' VALUES('0.00')");
  oracleTables_ = {"prices", "DELTAS"};
  FakeTablesWindow::Fill(window.list1, {"prices"});
  FakeTablesWindow::Select(window.list1, {"prices"});
  window.list1.SetListIndex(0);
  SendTablesToOracle(window.parts);
  const std::string log = ServerLog();
  EXPECT_NE(log.find("INSERT INTO \"prices\" VALUES('1234.5')"), std::string::npos) << log;
  EXPECT_NE(log.find("INSERT INTO \"prices\" VALUES('0')"), std::string::npos) << log;

  Oracle("CREATE TABLE \"DELTAS\"(\"D\" NUMERIC)");
  Oracle("INSERT INTO \"DELTAS\" VALUES(-2.0)");
  FakeTablesWindow::Fill(window.list2, {"DELTAS"});
  FakeTablesWindow::Select(window.list2, {"DELTAS"});
  window.list2.SetListIndex(window.list2.ListCount() - 1);
  SendTablesToFoxPro(window.parts);
  const auto rows = FoxProRows("deltas");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(ado::ValueToText(rows[0][0]), "-2");
}

// Ends the stand-in's sessions of the transfer when the progress bar passes half way, as a
// server that goes away in the middle of a transfer does.
class ServerLossAtHalfWay : public support::FakeProgressBar {
 public:
  explicit ServerLossAtHalfWay(ado::Connection& observer) : observer_(observer) {}
  void SetValue(int percent) override {
    support::FakeProgressBar::SetValue(percent);
    if (percent < 50 || lost_) return;
    lost_ = true;
    observer_.Execute(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE pid <> pg_backend_pid() AND datname = current_database() AND usename = current_user");
  }

 private:
  ado::Connection& observer_;
  bool lost_ = false;
};

TEST_F(EndToEndTest, OneStopEndsATransferWhoseServerWentAwayAndTheNextOneWorks) {
  FoxPro("CREATE TABLE '" + FolderPath() + "many.DBF'([id] I);");
  for (int id = 1; id <= 200; ++id)
    FoxPro("INSERT INTO '" + FolderPath() + "many.DBF' VALUES('" + std::to_string(id) + "')");
  oracleTables_ = {"many"};
  FakeTablesWindow::Fill(window.list1, {"many"});
  FakeTablesWindow::Select(window.list1, {"many"});
  window.list1.SetListIndex(0);
  ServerLossAtHalfWay progress(oracle_);
  connections::TablesWindowParts parts{window.list1,   window.list2,    progress,
                                       window.pointer, window.prompter, window.fields};
  window.prompter.ExpectFailureReport(kSendTablesToOracleHandler, 240, connections::vbStop);

  SendTablesToOracle(parts);

  EXPECT_EQ(window.prompter.Asked().size(), 1u);
  EXPECT_EQ(progress.GetValue(), 0);
  EXPECT_EQ(progress.GetText(), "Progress Bar");
  EXPECT_EQ(window.pointer.Get(), connections::vbDefault);
  EXPECT_EQ(FakeTablesWindow::Items(window.list2), Strings{"many"});

  // The server is there again: the same command now replaces the table with every row.
  testing::ExpectOverwrite(window.prompter, "many", connections::vbYes);
  SendTablesToOracle(window.parts);
  ado::Connection check;
  check.CursorLocation = ado::adUseClient;
  check.Open(support::kOracleConnectionString);
  ado::Recordset count;
  count.Open("SELECT COUNT(*) FROM \"many\"", check);
  EXPECT_EQ(ado::ValueToText(count.Fields(0).Value), "200");
}

TEST_F(EndToEndTest, AnUnlistedTableFileIsKeptWhenTheUserSaysNo) {
  Oracle("CREATE TABLE \"KEEP\"(\"ID\" INT)");
  oracleTables_ = {"KEEP"};
  Oracle("INSERT INTO \"KEEP\" VALUES(1)");
  FoxPro("CREATE TABLE '" + FolderPath() + "keep.DBF'([old] M);");
  FoxPro("INSERT INTO '" + FolderPath() + "keep.DBF' VALUES('precious')");
  const std::string before = ReadFile(folder_ / "keep.DBF");
  FakeTablesWindow::Fill(window.list2, {"KEEP"});
  FakeTablesWindow::Select(window.list2, {"KEEP"});
  window.list2.SetListIndex(0);
  testing::ExpectOverwrite(window.prompter, "KEEP", connections::vbNo);
  recorder_->statements.clear();

  SendTablesToFoxPro(window.parts);

  EXPECT_EQ(ReadFile(folder_ / "keep.DBF"), before);
  EXPECT_TRUE(recorder_->statements.empty());
  EXPECT_EQ(ServerLog().find("SELECT * FROM \"KEEP\""), std::string::npos);
  EXPECT_EQ(window.list1.ListCount(), 0);
  const auto rows = FoxProRows("keep");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(ado::ValueToText(rows[0][0]), "precious");
}

// A sentinel tree around the FoxPro folder: tables beside and above it. No hostile Oracle
// name may create, delete or change a file anywhere in it, in either FoxPro mode.
TEST_F(EndToEndTest, HostileOracleNamesNeverReachOutsideTheFoxProFolder) {
  const Strings hostile = {"../x", "..\\x", "a/b", "x\ny", ".", ".."};
  for (const std::string& name : hostile) {
    Oracle("CREATE TABLE \"" + name + "\"(\"ID\" INT)");
    Oracle("INSERT INTO \"" + name + "\" VALUES(1)");
  }
  oracleTables_ = hostile;
  const fs::path data = folder_ / "tree" / "data";
  fs::create_directories(data);
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "vfp9-xsource-books", data, fs::copy_options::recursive);
  fs::create_directories(data / "a");
  fs::copy_file(data / "topics.dbf", folder_ / "tree" / "x.DBF");
  fs::copy_file(data / "topics.dbf", folder_ / "x.DBF");
  fs::copy_file(data / "authors.FPT", folder_ / "tree" / "x.FPT");
  fs::copy_file(data / "topics.dbf", data / "a" / "b.DBF");
  const auto before = Snapshot(folder_);

  for (const bool dbcMode : {false, true}) {
    window.fields.dbcMode = dbcMode;
    window.fields.dbcFile = (data / "Books.DBC").string();
    window.fields.freeTableFolder = data.string();
    window.list2.Clear();
    FakeTablesWindow::Fill(window.list2, hostile);
    FakeTablesWindow::Select(window.list2, hostile);
    window.list2.SetListIndex(0);
    for (int i = window.list2.ListCount() - 1; i >= 0; --i) {
      testing::ExpectReport(window.prompter,
                            testing::RefusalOf(connections::RequirePlainFileName, window.list2.List(i)),
                            kSendTablesToFoxProHandler, 136, "");
    }
    recorder_->statements.clear();
    SendTablesToFoxPro(window.parts);
    window.prompter.ExpectAllUsed();
    EXPECT_TRUE(recorder_->statements.empty()) << ::testing::PrintToString(recorder_->statements);
    EXPECT_EQ(window.list1.ListCount(), 0);
  }
  EXPECT_TRUE(Snapshot(folder_) == before);
  EXPECT_EQ(ServerLog().find("SELECT"), std::string::npos) << ServerLog();
}

// A file name and a field name that would end their double quotes are refused; the server
// receives nothing for them, and the table the injection aimed at is still there.
TEST_F(EndToEndTest, NamesWithDoubleQuotesNeverReachTheServer) {
  Oracle("CREATE TABLE \"victim\"(\"ID\" INT)");
  oracleTables_ = {"victim"};
  const std::string injected = "q\" (a int); drop table \"victim\"; --";
  FoxPro("CREATE TABLE '" + FolderPath() + injected + ".dbf'([id] I);");
  FoxPro("CREATE TABLE '" + FolderPath() + "fields.dbf'([a\"int)--] I);");
  FakeTablesWindow::Fill(window.list1, {injected, "fields"});
  FakeTablesWindow::Select(window.list1, {injected, "fields"});
  window.list1.SetListIndex(0);
  testing::ExpectReport(window.prompter, testing::RefusalOf(connections::RequireOracleIdentifier, injected),
                        kSendTablesToOracleHandler, 136, "");
  testing::ExpectReport(window.prompter, testing::RefusalOf(connections::RequireOracleIdentifier, "a\"int)--"),
                        kSendTablesToOracleHandler, 160, "");

  SendTablesToOracle(window.parts);

  const std::string log = ServerLog();
  EXPECT_EQ(log.find("statement: CREATE TABLE \"q"), std::string::npos) << log;
  EXPECT_EQ(log.find("statement: CREATE TABLE \"fields"), std::string::npos) << log;
  EXPECT_EQ(log.find("drop table"), std::string::npos) << log;
  Oracle("SELECT * FROM \"victim\"");  // still there
  EXPECT_EQ(window.list2.ListCount(), 0);
}

// A stale list in DBC mode: Yes to a registered table the list does not show drops it like a
// listed one, so the container then reads the new table and names no missing file.
TEST_F(EndToEndTest, YesToAnUnlistedContainerTableReplacesItThroughTheContainer) {
  Oracle("CREATE TABLE \"topics\"(\"NAME\" VARCHAR(20))");
  oracleTables_ = {"topics"};
  Oracle("INSERT INTO \"topics\" VALUES('new row')");
  const fs::path data = folder_ / "books";
  fs::create_directories(data);
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "vfp9-xsource-books", data, fs::copy_options::recursive);
  window.fields.dbcMode = true;
  window.fields.dbcFile = (data / "Books.DBC").string();
  FakeTablesWindow::Fill(window.list2, {"topics"});
  FakeTablesWindow::Select(window.list2, {"topics"});
  window.list2.SetListIndex(0);
  testing::ExpectOverwrite(window.prompter, "topics", connections::vbYes);

  SendTablesToFoxPro(window.parts);

  EXPECT_EQ(recorder_->statements.front(), "DROP TABLE `topics`");
  support::FakeTablesWindow fresh;
  connections::LoadFoxProTables(fresh.list1, connections::FoxProConnectionString(window.fields));
  const Strings listed = FakeTablesWindow::Items(fresh.list1);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "topics"), 1) << ::testing::PrintToString(listed);
  ado::Connection container;
  container.CursorLocation = ado::adUseClient;
  container.Open(connections::FoxProConnectionString(window.fields));
  ado::Recordset rows;
  rows.Open("SELECT * FROM `topics`", container);
  ASSERT_FALSE(rows.Eof());
  EXPECT_EQ(ado::ValueToText(rows.Fields(0).Value), "new row");
}

// Two container layouts where the table file's computed path holds a free table that the
// container's table is not: the free table stays whatever happens. A table that lives in a
// folder of its own is made again there and gets its rows; an entry that names no table file
// cannot be replaced, which one report says, and no row goes anywhere.
TEST_F(EndToEndTest, AnOverwriteMakesTheContainersTableWhereItLivedAndDeletesNothingElse) {
  Oracle("CREATE TABLE \"regi\"(\"ID\" INT)");
  oracleTables_ = {"regi"};
  Oracle("INSERT INTO \"regi\" VALUES(1)");
  for (const std::string layout : {"table in a subfolder", "table path naming the container"}) {
    SCOPED_TRACE(layout);
    const bool subfolder = layout == "table in a subfolder";
    const fs::path data = folder_ / layout;
    fs::create_directories(data / "d");
    fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", data, fs::copy_options::recursive);
    const fs::path dbc = data / "northwind.dbc";
    if (subfolder) {
      ado::Connection container;
      container.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";Collating Sequence=machine;");
      container.Execute("CREATE TABLE 'd\\regi.dbf'([id] I);");
    } else {
      foxpro::DbcTable(dbc.string(), foxpro::DiskFileSystem())
          .Append({{1, "Table", "regi", {{foxpro::kDbcPropertyPath, std::string("northwind.dbc") + '\0'}}}});
    }
    testing::WriteTableFile((data / "regi.dbf").string());  // a free table beside the container
    const auto freeTable = ReadFile(data / "regi.dbf");
    window.fields.dbcMode = true;
    window.fields.dbcFile = dbc.string();
    window.list1.Clear();
    window.list2.Clear();
    FakeTablesWindow::Fill(window.list1, {"regi"});
    FakeTablesWindow::Fill(window.list2, {"regi"});
    FakeTablesWindow::Select(window.list2, {"regi"});
    window.list2.SetListIndex(0);
    testing::ExpectOverwrite(window.prompter, "regi", connections::vbYes);
    window.prompter.AllowUnscripted();
    recorder_->statements.clear();
    const std::size_t asked = window.prompter.MessageTexts().size();

    SendTablesToFoxPro(window.parts);

    EXPECT_EQ(ReadFile(data / "regi.dbf"), freeTable);
    Strings reports = window.prompter.MessageTexts();
    reports.erase(reports.begin(), reports.begin() + static_cast<std::ptrdiff_t>(asked));
    reports.erase(std::remove(reports.begin(), reports.end(), "Would you like to overwrite regi?"), reports.end());
    if (subfolder) {
      EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(reports);
      EXPECT_TRUE(fs::exists(data / "d" / "regi.dbf"));
      EXPECT_EQ(FoxProRowsIn(window.fields, "regi").size(), 1u);
    } else {
      EXPECT_EQ(reports.size(), 1u) << ::testing::PrintToString(reports);
      for (const std::string& statement : recorder_->statements) EXPECT_EQ(statement.find("INSERT"), std::string::npos);
    }
    window.prompter.ExpectAllUsed();
  }
}

// A name that trims to another table's, or holds a quote FoxPro's statements end on, is
// refused with one report each; of two names that differ in letter case only the first is
// sent; the container then holds each table once.
TEST_F(EndToEndTest, NamesThatWouldStrandOrShadowATableAreRefused) {
  const Strings names = {"region ", " ", "back`q", "it's", "REGI", "regi"};
  for (const std::string& name : names) {
    Oracle("CREATE TABLE \"" + name + "\"(\"ID\" INT)");
    Oracle("INSERT INTO \"" + name + "\" VALUES(1)");
  }
  oracleTables_ = names;
  const fs::path data = folder_ / "nw";
  fs::create_directories(data);
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", data, fs::copy_options::recursive);
  window.fields.dbcMode = true;
  window.fields.dbcFile = (data / "northwind.dbc").string();
  FakeTablesWindow::Fill(window.list2, names);
  FakeTablesWindow::Select(window.list2, names);
  window.list2.SetListIndex(0);
  window.prompter.AllowUnscripted();

  SendTablesToFoxPro(window.parts);

  EXPECT_EQ(window.prompter.MessageTexts().size(), 5u) << ::testing::PrintToString(window.prompter.MessageTexts());
  support::FakeTablesWindow fresh;
  connections::LoadFoxProTables(fresh.list1, connections::FoxProConnectionString(window.fields));
  const Strings listed = FakeTablesWindow::Items(fresh.list1);
  for (const std::string name : {"region", "regi"}) {
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [&](const std::string& n) { return LowerCase(n) == name; }),
              1)
        << name << " in " << ::testing::PrintToString(listed);
  }
  EXPECT_EQ(FoxProRowsIn(window.fields, "regi").size(), 1u);
}

// The server ends the transfer's session mid-table: one report, not one per remaining row;
// the next table connects again and is sent whole.
TEST_F(EndToEndTest, ALostConnectionEndsTheTableWithOneReport) {
  FoxPro("CREATE TABLE '" + FolderPath() + "big.DBF'([n] I);");
  FoxPro("CREATE TABLE '" + FolderPath() + "after.DBF'([n] I);");
  for (int n = 0; n < 300; ++n) FoxPro("INSERT INTO '" + FolderPath() + "big.DBF' VALUES('" + std::to_string(n) + "')");
  FoxPro("INSERT INTO '" + FolderPath() + "after.DBF' VALUES('1')");
  oracleTables_ = {"big", "after"};
  FakeTablesWindow::Fill(window.list1, {"after", "big"});  // big goes first
  FakeTablesWindow::Select(window.list1, {"after", "big"});
  window.list1.SetListIndex(0);
  window.prompter.AllowUnscripted();
  // At the 100th row of big, the server ends the session that sends it.
  struct Breaker : testing::RecordingObserver {
    ado::Connection* admin = nullptr;
    void RowSent(bool succeeded) noexcept override {
      RecordingObserver::RowSent(succeeded);
      if (calls.size() != 100 + 1 || calls.front() != "start big 300") return;
      try {
        admin->Execute(
            "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE query LIKE 'INSERT INTO \"big\"%'");
      } catch (const std::exception&) {
        calls.push_back("could not end the session");
      }
    }
  } breaker;
  breaker.admin = &oracle_;

  SendTablesToOracle(window.parts, &breaker, InsertPath::Statements);

  EXPECT_EQ(window.prompter.MessageTexts().size(), 1u) << ::testing::PrintToString(window.prompter.MessageTexts());
  EXPECT_EQ(std::count(breaker.calls.begin(), breaker.calls.end(), "failed row"), 1);
  ASSERT_EQ(breaker.calls.back(), "end");
  EXPECT_NE(std::find(breaker.calls.begin(), breaker.calls.end(), "start after 1"), breaker.calls.end());
  ado::Recordset rows;
  oracle_.CursorLocation = ado::adUseClient;
  rows.Open("SELECT * FROM \"after\"", oracle_);
  EXPECT_EQ(rows.RecordCount(), 1);
}

}  // namespace
}  // namespace transfer
