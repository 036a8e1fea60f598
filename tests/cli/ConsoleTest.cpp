#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/ConsoleProgress.h"
#include "cli/ConsolePrompter.h"
#include "connections/FailureReport.h"

namespace cli {
namespace {

TEST(ConsolePrompterTest, TheOverwriteQuestionIsAnsweredAsTheCommandLineSays) {
  struct Case {
    Overwrite overwrite;
    std::string typed;
    int answer;
    bool asked;
  };
  for (const Case& c : std::vector<Case>{{Overwrite::Yes, "", connections::vbYes, false},
                                         {Overwrite::No, "y\n", connections::vbNo, false},
                                         {Overwrite::Ask, "y\n", connections::vbYes, true},
                                         {Overwrite::Ask, "sure\nn\n", connections::vbNo, true},
                                         {Overwrite::Ask, "", connections::vbNo, true}}) {  // end of input
    std::istringstream in(c.typed);
    std::ostringstream err;
    ConsolePrompter prompter(in, err, c.overwrite, false, "");
    EXPECT_EQ(prompter.MsgBox("Would you like to overwrite T?", connections::vbYesNo, "Overwrite?"), c.answer)
        << c.typed;
    EXPECT_EQ(err.str().find("Would you like to overwrite T? [y/n] ") != std::string::npos, c.asked) << err.str();
    EXPECT_EQ(prompter.Reports(), 0);
  }
  // Other questions take --yes; the rename's input box takes the new name.
  std::istringstream none;
  std::ostringstream err;
  EXPECT_EQ(ConsolePrompter(none, err, Overwrite::No, true, "").MsgBox("Drop?", connections::vbYesNo, "x"),
            connections::vbYes);
  EXPECT_EQ(ConsolePrompter(none, err, Overwrite::No, false, "STAFF").InputBox("Enter new name of EMP:", {}, "EMP"),
            "STAFF");
}

TEST(ConsolePrompterTest, AFailureReportIsOneBlockOnStandardErrorAndCountsForItsTable) {
  std::istringstream in;
  std::ostringstream err;
  ConsoleProgress progress(err, false, 1, [] { return 0.0; });
  ConsolePrompter prompter(in, err, Overwrite::No, false, "", &progress);
  const std::string sql = "CREATE TABLE \"T\"(\"A\" INT)";
  // A CREATE TABLE failure comes before the table's rows and still counts for it.
  connections::ShowFailureReport(prompter, "ORA-00955: name is already used", "Form2.PushButton3_Click", 166, &sql);
  progress.TableStarted("t", "T", 2);
  progress.RowSent(false);
  progress.RowSent(true);
  progress.TableEnded();
  EXPECT_EQ(err.str(),
            "ORA-00955: name is already used\nin Korvane2021/08/31.Form2.PushButton3_Click at line 166\n\n"
            "Please email screenshot of this message to support@quenmark.example\n\nsql: " +
                sql + "\n\n");
  EXPECT_EQ(prompter.Reports(), 1);
  ASSERT_EQ(progress.Tables().size(), 1u);
  const TableTally& tally = progress.Tables()[0];
  EXPECT_EQ(tally.failedStatements, 1);
  EXPECT_EQ(tally.rowsRead, 2);
  EXPECT_EQ(tally.rowsWritten, 1);
  EXPECT_EQ(tally.failedRows, std::vector<long>{0});
}

TEST(ConsoleProgressTest, TheLineShowsTableRowsRateAndTimeLeftAndIsClearedBeforeAReport) {
  EXPECT_EQ(ProgressText(2, 5, "ORDERS", 0, 5000, 0.0), "table 2 of 5: ORDERS  0 of 5000 rows");
  EXPECT_EQ(ProgressText(2, 5, "ORDERS", 1000, 5000, 2.0),
            "table 2 of 5: ORDERS  1000 of 5000 rows  500 rows/s  0:08 left");
  EXPECT_EQ(ProgressText(1, 1, "T", 100, 400000, 1.0), "table 1 of 1: T  100 of 400000 rows  100 rows/s  1:06:39 left");
  EXPECT_EQ(ProgressText(1, 1, "T", 7, 7, 3.5), "table 1 of 1: T  7 of 7 rows  2 rows/s");

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
