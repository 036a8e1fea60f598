// The built program run the way scripts and cron run it, against the stand-in and real
// FoxPro files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commands/transfer/KeyPlans.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "support/QueryToolRun.h"
#include "support/StandIn.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

constexpr long kRows = 20000;

// One run of the program in the background, its output in files of its own.
class BackgroundRun {
 public:
  BackgroundRun(const fs::path& folder, const std::vector<std::string>& args) : folder_(folder) {
    std::vector<std::string> all = {TESSELBY_PROGRAM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // A profile of its own, the password from the environment, no display and no terminal.
    std::vector<std::string> settings = {"XDG_CONFIG_HOME=" + (folder_ / "config").string(), "TESSELBY_PASSWORD=tiger"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const std::string name = text.substr(0, text.find('='));
      if (name != "XDG_CONFIG_HOME" && name != "TESSELBY_PASSWORD" && name != "DISPLAY" && name != "WAYLAND_DISPLAY" &&
          name != "QT_QPA_PLATFORM")
        settings.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) envp.push_back(setting.data());
    envp.push_back(nullptr);
    fs::create_directories(folder_ / "config");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (folder_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (folder_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  test_support::QueryOutcome Wait() {
    test_support::QueryOutcome outcome;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = test_support::Slurp(folder_ / "out");
    outcome.err = test_support::Slurp(folder_ / "err");
    return outcome;
  }
  bool Running() {
    siginfo_t info{};
    return pid_ > 0 && waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
};

long Count(ado::Connection& connection, const std::string& sql) {
  ado::Recordset rows;
  rows.Open(sql, connection);
  return std::stol(ado::ValueToText(rows.Fields(0).Value));
}

// Two runs sending the same table into one place at once, as two cron jobs would: every row
// arrives once, and each run's exit status tells what it did.
TEST(ProgramRunTest, TwoRunsIntoOnePlaceLeaveEveryRowOnce) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-race-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  fs::create_directories(root / "back");
  const std::string foxString = "Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";";
  {
    ado::Connection fox;
    fox.Open(foxString);
    fox.Execute("CREATE TABLE 'race.dbf'([n] I);");
    for (long n = 0; n < kRows; ++n) fox.Execute("INSERT INTO 'race.dbf' VALUES('" + std::to_string(n) + "')");
  }
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  const auto dropRace = [&] {
    try {
      oracle.Execute("DROP TABLE \"RACE\"");
    } catch (const std::exception&) {
      // not there: nothing to clean up
    }
  };
  dropRace();

  // Each Oracle mode once with replacing (the second run's DROP and CREATE must not catch the
  // first run's later rows), and once keeping; then the way back into one folder.
  const struct {
    std::string command;
    std::string folder;
    std::string overwrite;
    std::string mode;
  } cases[] = {{"send-to-oracle", "fox", "no", ""},
               {"send-to-oracle", "fox", "yes", ""},
               {"send-to-oracle", "fox", "yes", "--fast"},
               {"send-to-oracle", "fox", "yes", "--keep-types"},
               {"send-to-foxpro", "back", "yes", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " --overwrite=" + c.overwrite + " " + c.mode);
    std::vector<std::string> args = {"--server", "127.0.0.1",
                                     "--user",   "scott",
                                     "--folder", (root / c.folder).string(),
                                     "--quiet",  "--overwrite=" + c.overwrite};
    if (!c.mode.empty()) args.push_back(c.mode);
    // The command line copies typed: Oracle's table is RACE.
    args.insert(args.end(), {c.command, c.command == "send-to-oracle" ? "race" : "RACE"});
    BackgroundRun first(root / "run1", args);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    BackgroundRun second(root / "run2", args);
    int wrote = 0;
    for (const test_support::QueryOutcome& run : {first.Wait(), second.Wait()}) {
      const bool whole = run.out.find(std::to_string(kRows) + " written, 0 failed") != std::string::npos;
      const bool skipped = run.out.find("not copied") != std::string::npos;
      // Typed names: RACE in Oracle, race in FoxPro.
      const std::string target = c.command == "send-to-oracle" ? "RACE" : "race";
      const bool refused = run.err.find(NotCreatedText(target, kRows)) != std::string::npos;
      // A run whose table the other one replaced between two rows stops sending to it.
      const bool replaced = run.err.find("was replaced or removed by another program") != std::string::npos;
      // A run that finds the other one writing the table leaves it to that one: the Oracle lock,
      // or a FoxPro file still being made that the DROP refuses.
      const bool busy = run.err.find("is being written by another run") != std::string::npos ||
                        run.err.find("nothing was changed") != std::string::npos;
      wrote += whole ? 1 : 0;
      EXPECT_TRUE(whole || skipped || refused || replaced || busy) << run.out << run.err;
      EXPECT_EQ(run.exitCode, refused || replaced || busy ? 1 : 0) << run.out << run.err;
    }
    EXPECT_GE(wrote, 1);  // both, when the second began after the first had ended
    if (c.command == "send-to-oracle") {
      EXPECT_EQ(Count(oracle, "SELECT COUNT(*) FROM \"RACE\""), kRows);
      EXPECT_EQ(Count(oracle, "SELECT COUNT(DISTINCT \"N\") FROM \"RACE\""), kRows);
    }
  }
  ado::Connection back;
  back.CursorLocation = ado::adUseClient;
  back.Open("Provider=vfpoledb.1;Data Source=" + (root / "back").string() + ";");
  ado::Recordset rows;
  rows.Open("SELECT * FROM `race`", back);
  EXPECT_EQ(rows.RecordCount(), kRows);
  rows.Close();
  dropRace();
  fs::remove_all(root);
}

// The overwrite of a container table whose computed file path holds a free table that is not
// the container's: the free table stays; a table in a folder of its own is made again there,
// and an entry that names no table file stays, with one report and exit 1.
TEST(ProgramRunTest, AContainerOverwriteNeverEndsWithoutTheTableNorDeletesAnotherFile) {
  TESSELBY_REQUIRE_STANDIN();
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  oracle.Execute("CREATE TABLE \"REGI\"(\"ID\" INT)");
  oracle.Execute("INSERT INTO \"REGI\" VALUES(1)");
  const fs::path root = fs::temp_directory_path() / ("tesselby-layout-" + std::to_string(::getpid()));
  for (const std::string layout : {"subfolder", "container"}) {
    SCOPED_TRACE(layout);
    fs::remove_all(root);
    fs::create_directories(root / "d");
    fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", root, fs::copy_options::recursive);
    const fs::path dbc = root / "northwind.dbc";
    if (layout == "subfolder") {  // the container's table regi lives in d/regi.dbf
      ado::Connection container;
      container.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
      container.Execute("CREATE TABLE 'd\\regi.dbf'([id] I);");
    } else {  // the container's table regi names the container itself as its file
      foxpro::DbcTable(dbc.string(), foxpro::DiskFileSystem())
          .Append({{1, "Table", "regi", {{foxpro::kDbcPropertyPath, std::string("northwind.dbc") + '\0'}}}});
    }
    testing::WriteTableFile((root / "regi.dbf").string());
    const std::string freeTable = test_support::Slurp(root / "regi.dbf");
    const std::string container = test_support::Slurp(dbc);
    BackgroundRun run(root / "run", {"--server", "127.0.0.1", "--user", "scott", "--dbc", dbc.string(),
                                     "--overwrite=yes", "send-to-foxpro", "REGI"});
    const test_support::QueryOutcome outcome = run.Wait();
    EXPECT_EQ(test_support::Slurp(root / "regi.dbf"), freeTable);
    if (layout == "subfolder") {
      EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
      ado::Connection back;
      back.CursorLocation = ado::adUseClient;
      back.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
      ado::Recordset rows;
      rows.Open("SELECT * FROM `regi`", back);
      EXPECT_EQ(rows.RecordCount(), 1);
      rows.Close();
      EXPECT_TRUE(fs::exists(root / "d" / "regi.dbf"));
    } else {
      EXPECT_EQ(outcome.exitCode, 1) << outcome.out << outcome.err;
      EXPECT_NE(outcome.err.find("does not belong to database container"), std::string::npos) << outcome.err;
      EXPECT_EQ(outcome.err.find("CREATE TABLE"), std::string::npos) << outcome.err;
      EXPECT_EQ(test_support::Slurp(dbc), container);
    }
  }
  oracle.Execute("DROP TABLE \"REGI\"");
  fs::remove_all(root);
}

// A typed run of the program with its own profile, the stand-in as Oracle and folder as FoxPro.
test_support::QueryOutcome RunTyped(const fs::path& root, const std::vector<std::string>& words) {
  std::vector<std::string> args = {"--server",        "127.0.0.1", "--user",
                                   "scott",           "--folder",  (root / "fox").string(),
                                   "--overwrite=yes", "--quiet",   "--keep-types"};
  args.insert(args.end(), words.begin(), words.end());
  return BackgroundRun(root / "run", args).Wait();
}

void Drop(ado::Connection& oracle, const std::string& table) {
  try {
    oracle.Execute("DROP TABLE " + Quoted(table));
  } catch (const std::exception&) {
    // not there
  }
}

std::vector<std::string> Texts(ado::Connection& connection, const std::string& sql) {
  ado::Recordset rows;
  rows.Open(sql, connection);
  std::vector<std::string> texts;
  for (; !rows.Eof(); rows.MoveNext()) texts.push_back(ado::ValueToText(rows.Fields(0).Value));
  return texts;
}

void FillFoxProTable(const fs::path& folder, const std::string& create, const std::string& table,
                     const std::vector<std::vector<ado::Value>>& rows) {
  ado::Connection fox;
  fox.Open("Provider=vfpoledb.1;Data Source=" + folder.string() + ";");
  fox.Execute(create);
  std::string markers = "?";
  for (std::size_t c = 1; c < rows.front().size(); ++c) markers += ", ?";
  auto arrays = fox.PrepareArrays("INSERT INTO '" + table + ".dbf' VALUES(" + markers + ")", rows.front().size());
  ASSERT_NE(arrays, nullptr);
  ado::ValueRows values(rows.front().size());
  for (const auto& row : rows) {
    for (const ado::Value& value : row) values.Add(value);
  }
  for (const ado::RowRefusal& refusal : arrays->SendValues(values)) ADD_FAILURE() << refusal.message;
}

// Makes tag name of the index at cdx what VFP 9 writes for INDEX ON .NOT.DELETED() BINARY over
// records that all live: signature 5, and a leaf that holds a bitmap of the records in place
// of entries (no entry width, no duplicate or trail bits).
void MakeBinaryLiveRecordsTag(const fs::path& cdx, const std::string& name, std::uint16_t records) {
  std::uint32_t header = 0;
  std::uint32_t leaf = 0;
  {
    auto file = foxpro::DiskFileSystem().Open(cdx.string(), foxpro::OpenMode::Read);
    foxpro::CdxReader reader(*file);
    header = reader.FindTag(name)->headerOffset;
    std::uint8_t root[4] = {};
    file->ReadAt(header, root, 4);
    leaf = root[0] | (root[1] << 8) | (root[2] << 16) | (static_cast<std::uint32_t>(root[3]) << 24);
  }
  std::fstream file(cdx, std::ios::in | std::ios::out | std::ios::binary);
  const auto put = [&](std::uint32_t at, const std::string& bytes) {
    file.seekp(at);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  const std::string expression = ".NOT.DELETED()";
  const auto le16 = [](std::size_t n) { return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)}; };
  put(header + 15, std::string(1, '\x05'));
  // The pool: the key, its NUL, an empty FOR; words 504-510 give their places and lengths.
  put(header + 504, le16(expression.size() + 1) + le16(1) + le16(0) + le16(expression.size() + 1));
  put(header + 512, expression + std::string(512 - expression.size(), '\0'));
  std::string page(500, '\0');
  for (std::uint16_t record = 1; record <= records; ++record)
    page[4 + record / 8] |= static_cast<char>(1 << (record % 8));
  put(leaf + 2, le16(records + 1u));
  put(leaf + 12, page);
}

// Tables left out before their rows, in every mode: a name that cannot be quoted and a source
// that cannot be read. The Oracle table the unreadable source would replace stays with its row,
// each table's report counts for that table, and the table after them is copied.
TEST(ProgramRunTest, ATableLeftOutKeepsItsTargetAndItsReports) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-leftout-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  {
    ado::Connection fox;
    fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
    for (const std::string table : {"broken", "after"}) {
      fox.Execute("CREATE TABLE '" + table + ".dbf'([n] I);");
      fox.Execute("INSERT INTO '" + table + ".dbf' VALUES('1')");
    }
  }
  fs::copy_file(root / "fox" / "after.dbf", root / "fox" / "a\"b.dbf");
  fs::resize_file(root / "fox" / "broken.dbf", 20);  // cut inside its header
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  for (const std::string mode : {"", "--fast", "--keep-types"}) {
    SCOPED_TRACE(mode);
    for (const char* table : {"broken", "after", "AFTER"}) {
      try {
        oracle.Execute(std::string("DROP TABLE \"") + table + "\"");
      } catch (const std::exception&) {
        // not there yet
      }
    }
    oracle.Execute("CREATE TABLE \"broken\"(\"kept\" INT)");
    oracle.Execute("INSERT INTO \"broken\" VALUES(7)");
    std::vector<std::string> args = {
        "--server", "127.0.0.1", "--user", "scott", "--folder", (root / "fox").string(), "--overwrite=yes"};
    if (!mode.empty()) args.push_back(mode);
    args.insert(args.end(), {"send-to-oracle", "a\"b", "broken", "after"});
    const test_support::QueryOutcome run = BackgroundRun(root / "run", args).Wait();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(Count(oracle, "SELECT COUNT(*) FROM \"broken\" WHERE \"kept\" = 7"), 1) << run.err;
    // Every mode of the command line is typed: the new table is named as Oracle folds names.
    EXPECT_NE(run.out.find("after -> AFTER: 1 rows read, 1 written, 0 failed statements"), std::string::npos)
        << run.out << run.err;
    EXPECT_EQ(run.out.find("after: failed"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find("CREATE TABLE \"broken\""), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("not allowed when the object is closed"), std::string::npos) << run.err;
  }
  oracle.Execute("DROP TABLE \"broken\"");
  oracle.Execute("DROP TABLE \"AFTER\"");
  fs::remove_all(root);
}

// A real VFP index with a BINARY tag on .NOT.DELETED() is read: that tag is listed as not
// carried, in the plan and in the run, and every other tag reaches Oracle; the table is whole.
TEST(ProgramRunTest, ABinaryTagOnDeletedIsNotCarriedAndTheOtherTagsGo) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-binary-tag-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  FillFoxProTable(root / "fox",
                  "CREATE TABLE 'keyed.dbf'([id] I, [name] C(20), [code] C(5), [amount] N(10,2), [flag] L)", "keyed",
                  {{std::int64_t{1}, "Ann", "A1", ado::Decimal{"10.50"}, true},
                   {std::int64_t{2}, "Bob", "B2", ado::Decimal{"7.25"}, true},
                   {std::int64_t{3}, "Cid", "C3", ado::Decimal{"1.00"}, true}});
  {
    ado::Connection fox;
    fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
    fox.Execute("ALTER TABLE 'keyed.dbf' ADD UNIQUE id TAG id");
    for (const char* tag : {"name", "code", "amount", "UPPER(name) TAG uname", "name+code TAG both", "flag TAG live"}) {
      const std::string text = tag;
      fox.Execute("INDEX ON " + (text.find(" TAG ") == std::string::npos ? text + " TAG " + text : text) + " OF '" +
                  (root / "fox" / "keyed.cdx").string() + "'");
    }
  }
  MakeBinaryLiveRecordsTag(root / "fox" / "keyed.cdx", "live", 3);
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  Drop(oracle, "KEYED");
  const std::string notCarried = "tag live (.NOT.DELETED()) not carried";

  const test_support::QueryOutcome plan = RunTyped(root, {"--dry-run", "send-to-oracle", "keyed"});
  EXPECT_EQ(plan.exitCode, 0) << plan.out << plan.err;
  EXPECT_NE(plan.out.find(notCarried), std::string::npos) << plan.out << plan.err;
  EXPECT_EQ((plan.out + plan.err).find("cannot be read"), std::string::npos) << plan.out << plan.err;

  const test_support::QueryOutcome run = RunTyped(root, {"send-to-oracle", "keyed"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("3 written, 0 failed"), std::string::npos) << run.out << run.err;
  EXPECT_NE((run.out + run.err).find(notCarried), std::string::npos) << run.out << run.err;
  EXPECT_EQ(run.err.find("INSERT"), std::string::npos) << run.err;
  std::vector<std::string> keys = Texts(oracle, "SELECT INDEX_NAME FROM USER_INDEXES WHERE TABLE_NAME = 'KEYED'");
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"AMOUNT", "BOTH", "CODE", "ID", "NAME", "UNAME"}));
  Drop(oracle, "KEYED");
  fs::remove_all(root);
}

// A primary key over a V(240) field comes back: the key's field takes no NULL, as in Oracle,
// so its key keeps the 240 bytes a tag holds; a column that takes NULL stays nullable.
TEST(ProgramRunTest, AKeysColumnsComeBackAsFieldsWithoutNull) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-key-null-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  Drop(oracle, "WIDEKEY");
  oracle.Execute(
      "CREATE TABLE \"WIDEKEY\"(\"CODE\" VARCHAR2(240 CHAR), \"NOTE\" VARCHAR2(10), \"SHORT\" VARCHAR2(5) NOT NULL, "
      "CONSTRAINT \"WIDEKEY_PK\" PRIMARY KEY (\"CODE\"))");
  oracle.Execute("COMMENT ON COLUMN \"WIDEKEY\".\"CODE\" IS 'FoxPro V(240)'");
  oracle.Execute("INSERT INTO \"WIDEKEY\" VALUES('" + std::string(240, 'k') + "', NULL, 's')");

  const test_support::QueryOutcome run = RunTyped(root, {"send-to-foxpro", "WIDEKEY"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  ado::Connection fox;
  fox.CursorLocation = ado::adUseClient;
  fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
  const std::unique_ptr<ado::Recordset> tags = fox.OpenIndexesSchema("widekey");
  ASSERT_FALSE(tags->Eof()) << run.out << run.err;
  EXPECT_EQ(ado::ValueToText(tags->Fields("EXPRESSION").Value), "code");
  ado::Recordset rows;
  rows.Open("SELECT * FROM `widekey`", fox);
  std::vector<std::string> fields;
  for (int f = 0; f < rows.FieldCount(); ++f) {
    const ado::DeclaredField& field = rows.Fields(f).Declared;
    fields.push_back(rows.Fields(f).Name + " " + field.typeLetter + std::to_string(field.width) +
                     (field.nullable ? " NULL" : " NOT NULL"));
  }
  EXPECT_EQ(fields, (std::vector<std::string>{"code V240 NOT NULL", "note C10 NULL", "short C5 NOT NULL"}));
  EXPECT_EQ(rows.RecordCount(), 1);
  rows.Close();
  Drop(oracle, "WIDEKEY");
  fs::remove_all(root);
}

// A memo holding a NUL is never cut there: it arrives whole or its row is refused with a
// report, both ways; a binary memo's bytes reach their BLOB and come back whole.
TEST(ProgramRunTest, AMemoWithANulArrivesWholeOrItsRowIsRefused) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-nul-memo-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  const std::string text("before\0after", 12);
  const std::string bytes("a\0b\xff\0", 5);
  FillFoxProTable(root / "fox", "CREATE TABLE 'nulmemo.dbf'([id] I, [body] M NULL, [raw] M NOCPTRANS NULL)", "nulmemo",
                  {{std::int64_t{1}, text, ado::Bytes(bytes.begin(), bytes.end())},
                   {std::int64_t{2}, "plain", ado::Bytes(bytes.begin(), bytes.end())}});
  {  // the FoxPro engine itself keeps the NUL
    ado::Connection fox;
    fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
    ado::Recordset written;
    written.Open("SELECT * FROM `nulmemo`", fox);
    EXPECT_TRUE(written.Fields(1).Value == ado::Value(text));
  }
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  Drop(oracle, "NULMEMO");

  const test_support::QueryOutcome sent = RunTyped(root, {"send-to-oracle", "nulmemo"});
  ado::Recordset rows;
  rows.Open("SELECT \"ID\", \"BODY\", \"RAW\" FROM \"NULMEMO\" ORDER BY \"ID\"", oracle);
  std::vector<std::string> ids;
  for (; !rows.Eof(); rows.MoveNext()) {
    const std::string id = ado::ValueToText(rows.Fields(0).Value);
    ids.push_back(id);
    EXPECT_TRUE(rows.Fields(1).Value == ado::Value(id == "1" ? text : std::string("plain"))) << id;
    EXPECT_TRUE(rows.Fields(2).Value == ado::Value(ado::Bytes(bytes.begin(), bytes.end()))) << id;
  }
  rows.Close();
  if (ids.size() == 1) {  // the target cannot hold the NUL: the row is refused and said so
    EXPECT_EQ(sent.exitCode, 1);
    EXPECT_NE(sent.err.find("row 1 was refused"), std::string::npos) << sent.out << sent.err;
    EXPECT_NE(sent.err.find("Column BODY, value 'before\\0after'"), std::string::npos) << sent.err;
  } else {
    EXPECT_EQ(ids.size(), 2U) << sent.out << sent.err;
    EXPECT_EQ(sent.exitCode, 0) << sent.out << sent.err;
  }

  fs::rename(root / "fox", root / "sent");
  fs::create_directories(root / "fox");
  const test_support::QueryOutcome back = RunTyped(root, {"send-to-foxpro", "NULMEMO"});
  EXPECT_EQ(back.exitCode, 0) << back.out << back.err;
  ado::Connection fox;
  fox.CursorLocation = ado::adUseClient;
  fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
  ado::Recordset returned;
  returned.Open("SELECT * FROM `nulmemo`", fox);
  EXPECT_EQ(returned.RecordCount(), static_cast<long>(ids.size()));
  for (; !returned.Eof(); returned.MoveNext()) {
    const ado::Value& raw = returned.Fields(2).Value;
    EXPECT_TRUE(raw == ado::Value(bytes) || raw == ado::Value(ado::Bytes(bytes.begin(), bytes.end())))
        << ado::ValueToText(raw);
  }
  returned.Close();
  Drop(oracle, "NULMEMO");
  fs::remove_all(root);
}

// A table that Visual FoxPro holds locked (its FLOCK(), taken as the classic POSIX lock Samba
// makes of it for a Windows client) is not replaced while the lock lasts: the run waits for it.
TEST(ProgramRunTest, ATableFoxProHoldsLockedIsReplacedOnlyOnceItLetsGo) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-foxpro-lock-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  FillFoxProTable(root / "fox", "CREATE TABLE 'held.dbf'([n] I)", "held",
                  {{std::int64_t{1}}, {std::int64_t{2}}, {std::int64_t{3}}});
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  Drop(oracle, "held");
  oracle.Execute("CREATE TABLE \"held\"(\"n\" NUMBER(10))");
  oracle.Execute("INSERT INTO \"held\" VALUES(7)");
  oracle.Execute("INSERT INTO \"held\" VALUES(8)");

  const std::string path = (root / "fox" / "held.dbf").string();
  const std::string before = test_support::Slurp(path);
  const int fd = ::open(path.c_str(), O_RDWR);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0x40000001;  // FLOCK() of a table without a structural index
  lock.l_len = 0x3FFFFFFD;
  ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
  BackgroundRun run(root / "run", {"--server", "127.0.0.1", "--user", "scott", "--folder", (root / "fox").string(),
                                   "--overwrite=yes", "--quiet", "send-to-foxpro", "held"});
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_TRUE(run.Running());
  EXPECT_EQ(test_support::Slurp(path), before);
  ::close(fd);
  const test_support::QueryOutcome outcome = run.Wait();
  EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
  EXPECT_NE(outcome.out.find("2 written, 0 failed"), std::string::npos) << outcome.out << outcome.err;
  ado::Connection fox;
  fox.CursorLocation = ado::adUseClient;
  fox.Open("Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";");
  ado::Recordset rows;
  rows.Open("SELECT * FROM `held`", fox);
  EXPECT_EQ(rows.RecordCount(), 2);
  rows.Close();
  Drop(oracle, "held");
  fs::remove_all(root);
}

}  // namespace
}  // namespace transfer
