#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/ConsoleProgress.h"
#include "cli/ConsolePrompter.h"
#include "cli/TableSummary.h"
#include "cli/TerminalReport.h"
#include "connections/FailureReport.h"

namespace cli {
namespace {

TEST(ConsolePrompterTest, TheOverwriteQuestionIsAnsweredAsTheCommandLineSays) {
  struct Case {
    Overwrite overwrite;
    std::string typed;
    bool answer;
    bool asked;
  };
  for (const Case& c : std::vector<Case>{{Overwrite::Yes, "", true, false},
                                         {Overwrite::No, "y\n", false, false},
                                         {Overwrite::Ask, "y\n", true, true},
                                         {Overwrite::Ask, "sure\nn\n", false, true},
                                         {Overwrite::Ask, "Yes\n", true, true},
                                         {Overwrite::Ask, " nope\n", false, true},
                                         {Overwrite::Ask, "", false, true}}) {  // end of input
    std::istringstream in(c.typed);
    std::ostringstream err;
    ConsolePrompter prompter(in, err, c.overwrite, "");
    EXPECT_EQ(prompter.AskOverwrite("T", connections::TableSide::Oracle), c.answer) << c.typed;
    EXPECT_EQ(err.str().find("Would you like to overwrite T? [y/n] ") != std::string::npos, c.asked) << err.str();
    EXPECT_EQ(prompter.Reports(), 0);
  }
  // The rename's question for the new name takes it from the command line.
  std::istringstream none;
  std::ostringstream err;
  EXPECT_EQ(ConsolePrompter(none, err, Overwrite::No, "STAFF").AskText("Enter new name of EMP:", "EMP"), "STAFF");
}

TEST(ConsolePrompterTest, AFailureReportIsOneBlockOnStandardErrorAndCountsForItsTable) {
  std::istringstream in;
  std::ostringstream err;
  ConsoleProgress progress(err, false, 1, [] { return 0.0; });
  ConsolePrompter prompter(in, err, Overwrite::No, "", &progress);
  const std::string sql = "CREATE TABLE \"T\"(\"A\" INT)";
  // A CREATE TABLE failure comes before the table's rows and still counts for it.
  connections::ShowFailureReport(prompter, "ORA-00955: name is already used", "Form2.PushButton3_Click", 166, &sql);
  progress.TableStarted("t", "T", 2);
  progress.RowSent(false);
  progress.RowSent(true);
  progress.TableEnded();
  // The procedure tag and the support lines are the window's.
  EXPECT_EQ(err.str(), "tesselby: ORA-00955: name is already used\nsql: " + sql + "\n\n");
  EXPECT_EQ(prompter.Reports(), 1);
  std::ostringstream told;
  ConsolePrompter(in, told, Overwrite::No, "").Tell("Please select a table\r\nto send.");
  EXPECT_EQ(told.str(), "tesselby: Please select a table\nto send.\n\n");
  ASSERT_EQ(progress.Tables().size(), 1u);
  const TableTally& tally = progress.Tables()[0];
  EXPECT_EQ(tally.failedStatements, 1);
  EXPECT_EQ(tally.rowsRead, 2);
  EXPECT_EQ(tally.rowsWritten, 1);
  EXPECT_EQ(tally.failedRows, std::vector<long>{0});
}

TEST(ConsolePrompterTest, AKeptTableWithoutAChosenAnswerIsNamed) {
  std::istringstream in;
  std::ostringstream err;
  ConsolePrompter prompter(in, err, Overwrite::Default, "");
  EXPECT_FALSE(prompter.AskOverwrite("EMP", connections::TableSide::Oracle));
  EXPECT_EQ(prompter.KeptUnasked(), std::vector<std::string>{"EMP"});
}

TEST(ConsolePrompterTest, ATablesReportsAfterItsShareAreCountedNotPrinted) {
  std::istringstream in;
  std::ostringstream err;
  ConsoleProgress progress(err, false, 1, [] { return 0.0; });
  progress.SetMaxReports(2);
  ConsolePrompter prompter(in, err, Overwrite::No, "", &progress);
  progress.TableStarted("t", "T", 5);
  for (int row = 0; row < 5; ++row) connections::ShowFailureReport(prompter, "lost", "Form2.X", 194, nullptr);
  progress.TableEnded();
  EXPECT_EQ(err.str(), "tesselby: lost\n\ntesselby: lost\n\nT: 3 more failure reports not printed\n\n");
  EXPECT_EQ(prompter.Reports(), 5);
  EXPECT_EQ(progress.Tables()[0].failedStatements, 5);
}

TEST(TerminalReportTest, StatementsAreCutAndEscapedAndHintsFollowTheFacts) {
  struct Case {
    std::string text;
    std::size_t limit;
    std::string shown;
  };
  for (const Case& c : std::vector<Case>{
           {"plain", 10, "plain"},
           {std::string("a\0b\x1b[2J\n\x7F", 9), 20, "a\\x00b\\x1B[2J\\x0A\\x7F"},
           {"caf\xC3\xA9 \xC3(", 20, "caf\xC3\xA9 \\xC3("},  // UTF-8 kept, a broken sequence escaped
           {"\xED\xA0\x80", 20, "\\xED\\xA0\\x80"},          // a surrogate is no character
           {std::string(50, 'x'), 10, std::string(10, 'x') + "...(50 bytes)"},
       }) {
    EXPECT_EQ(Readable(c.text, c.limit), c.shown) << c.text;
  }
  connections::FailureReport report;
  report.description = "ORA-1\r\nsecond";
  EXPECT_EQ(TerminalReport(report, "try this"), "tesselby: ORA-1\nsecond\nhint: try this\n");

  const auto facts = [](bool noPassword, bool noFoxPro, std::string driver = "", std::string dsn = "",
                        std::string server = "") {
    HintFacts made;
    made.noPassword = noPassword;
    made.noFoxProLocation = noFoxPro;
    made.oracleDriver = std::move(driver);
    made.oracleDsn = std::move(dsn);
    made.oracleServer = std::move(server);
    return made;
  };
  struct Hint {
    std::string description;
    std::string sqlState;
    HintFacts facts;
    std::string starts;
  };
  for (const Hint& h : std::vector<Hint>{
           {"driver not registered", "IM002", facts(false, false, "Oracle 21"),
            "the ODBC driver \"Oracle 21\" is not registered"},
           {"[unixODBC][Driver Manager]Can't open lib 'O' : file not found", "01000", facts(true, true, "O"),
            "the ODBC driver \"O\" is not registered"},
           {"[unixODBC][Driver Manager]Can't open lib 'nosuch.so' : file not found", "01000", facts(false, false, "O"),
            "the ODBC driver's library nosuch.so cannot be loaded (nosuch.so: cannot open"},
           {"[unixODBC][Driver Manager]Can't open lib '/nonexistent/x.so' : file not found", "01000",
            facts(false, false, "O"), "the ODBC driver's library /nonexistent/x.so does not exist"},
           {"Data source name not found", "IM002", facts(false, false, "O", "ORCL"),
            "the data source \"ORCL\" is not defined"},
           {"FATAL: ORA-01017: invalid username/password", "08001", facts(true, false),
            "Oracle refused the user name or password"},
           {"ORA-12154: TNS:could not resolve", "HY000", facts(false, false, "", "", "ORCL"),
            "Oracle's service \"ORCL\""},
           {"ORA-12514: TNS:listener does not know", "HY000", facts(false, false), "Oracle's service"},
           {"ORA-12541: TNS:no listener", "HY000", facts(false, false), "Oracle's service"},
           {"ORA-01704: string literal too long", "HY000", facts(false, false), "a text over Oracle's 4,000 bytes"},
           {"ORA-00972: identifier is too long", "42000", facts(false, false), "a name is longer than this Oracle"},
           {"folder not found", "", facts(false, true), "no FoxPro location"},
           {"login refused (SQLSTATE 28000)", "28000", facts(true, false), "no password: set TESSELBY_PASSWORD"},
           {"login refused (SQLSTATE 28000)", "28000", facts(false, true), ""},  // not the FoxPro side's failure
           {"login refused (SQLSTATE 28000)", "28000", facts(false, false), ""},
       }) {
    connections::FailureReport failure;
    failure.description = h.description;
    failure.sqlState = h.sqlState;
    const std::string hint = HintFor(failure, h.facts);
    EXPECT_EQ(h.starts.empty() ? hint : hint.substr(0, h.starts.size()), h.starts) << h.description;
  }
}

TEST(TableSummaryTest, EachTableHasOneLineWithItsStatus) {
  TableTally done{"t", "T", 3, 3, 3, 0, 1.5, {}, false, 0};
  TableTally cut{"t", "T", 9, 4, 3, 1, 2.0, {2}, false, 0};
  TableTally refused{"t", "T", 7, 0, 0, 1, 0.0, {}, true, 7};
  struct Case {
    const TableTally* tally;
    bool interrupted;
    std::string tsv;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{
           {&done, false, "t\t3\t3\t0\t1.50\tcopied", "t -> T: 3 rows read, 3 written, 0 failed statements, 1.50 s"},
           {&cut, false, "t\t4\t3\t1\t2.00\tfailed", "t -> T: 4 rows read, 3 written, 1 failed statements, 2.00 s"},
           {&cut, true, "t\t4\t3\t1\t2.00\tpartial",
            "t -> T: 4 rows read, 3 written, 1 failed statements, 2.00 s, partial (interrupted)"},
           {&refused, false, "t\t0\t0\t7\t0.00\tnot created", "t -> T: not created, 7 rows not sent"},
           {nullptr, false, "t\t0\t0\t0\t0.00\tnot copied", "t: not copied"},
       }) {
    EXPECT_EQ(SummaryLine(Summary::Tsv, "t", c.tally, c.interrupted), c.tsv);
    EXPECT_EQ(SummaryLine(Summary::Text, "t", c.tally, c.interrupted), c.text);
  }
}

TEST(ConsoleProgressTest, TheLineShowsTableRowsRateAndTimeLeftAndIsClearedBeforeAReport) {
  EXPECT_EQ(ProgressText(2, 5, "ORDERS", 0, 5000, 0.0), "table 2 of 5: ORDERS  0 of 5000 rows");
  EXPECT_EQ(ProgressText(2, 5, "ORDERS", 1000, 5000, 2.0),
            "table 2 of 5: ORDERS  1000 of 5000 rows  500 rows/s  0:08 left");
  EXPECT_EQ(ProgressText(1, 1, "T", 100, 400000, 1.0), "table 1 of 1: T  100 of 400000 rows  100 rows/s  1:06:39 left");
  EXPECT_EQ(ProgressText(1, 1, "T", 7, 7, 3.5), "table 1 of 1: T  7 of 7 rows  2 rows/s");
  EXPECT_EQ(ProgressText(1, 1, "T", 70, -1, 3.5), "table 1 of 1: T  70 rows  20 rows/s");  // no count, no time left

  double now = 0;
  std::ostringstream shown;
  ConsoleProgress progress(shown, true, 1, [&] { return now; });
  progress.TableStarted("t", "T", 3);
  now = 0.05;
  progress.RowSent(true);  // too soon to draw again
  now = 0.2;
  progress.RowSent(true);
  progress.FailureShown();
  EXPECT_EQ(shown.str(), "\r\033[Ktable 1 of 1: T  0 of 3 rows\r\033[Ktable 1 of 1: T  2 of 3 rows\r\033[K");

  std::ostringstream hidden;
  ConsoleProgress quiet(hidden, false, 1, [] { return 0.0; });
  quiet.TableStarted("t", "T", 3);
  quiet.RowSent(true);
  quiet.FailureShown();
  EXPECT_EQ(hidden.str(), "");
}

}  // namespace
}  // namespace cli
