#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "connections/FailureReport.h"
#include "connections/FailureTrap.h"
#include "platform/ado/Failure.h"
#include "support/ScriptedPrompter.h"

namespace connections {
namespace {

using support::ScriptedPrompter;

TEST(FailureReportTest, PlainReportHasDescriptionTagLineAndSupportAddress) {
  EXPECT_EQ(FailureReportText("Table not found", "Form2.PushButton2_Click", 102, nullptr),
            std::string("Table not found\r\nin Korvane2021/08/31.Form2.PushButton2_Click at line 102\r\r"
                        "Please email screenshot of this message to ") +
                kSupportAddress);
}

TEST(FailureReportTest, StatementVariantEndsWithTheSqlLine) {
  const std::string statement = "INSERT INTO \"EMP\" VALUES ('1')";
  EXPECT_EQ(FailureReportText("ORA-00942", "Form2.PushButton3_Click", 214, &statement),
            std::string("ORA-00942\r\nin Korvane2021/08/31.Form2.PushButton3_Click at line 214\r\r"
                        "Please email screenshot of this message to ") +
                kSupportAddress + "\r\rsql: INSERT INTO \"EMP\" VALUES ('1')");
}

TEST(FailureReportTest, StatementVariantWithNothingBuiltYetEndsWithBareSqlLabel) {
  const std::string empty;
  const std::string text = FailureReportText("x", "Form2.PushButton4_Click", 100, &empty);
  ASSERT_GE(text.size(), 7u);
  EXPECT_EQ(text.substr(text.size() - 7), "\r\rsql: ");
}

TEST(FailureReportTest, MultiLineDescriptionIsKeptAndTheTagFollowsItsLastLine) {
  const std::string text = FailureReportText("first\r\nsecond\rthird", "Form1.Form_Load", 104, nullptr);
  EXPECT_EQ(text.rfind("first\r\nsecond\rthird\r\nin Korvane2021/08/31.Form1.Form_Load at line 104\r\r", 0), 0u);
}

TEST(FailureReportTest, ProcedureTagEndsWithOneBlank) {
  EXPECT_EQ(ProcedureTag("Form1.PushButton1_Click"), "in Korvane2021/08/31.Form1.PushButton1_Click ");
}

TEST(FailureReportTest, ShownAsWarningWithOkOnlyAndApplicationErrorTitle) {
  ScriptedPrompter prompter;
  prompter.ExpectMsgBox(FailureReportText("boom", "Form2.PushButton8_Click", 106, nullptr), 48, "Application Error");
  ShowFailureReport(prompter, "boom", "Form2.PushButton8_Click", 106, nullptr);
  prompter.ExpectAllUsed();
}

class FailureTrapTest : public ::testing::Test {
 protected:
  void ExpectReports(const std::vector<std::pair<std::string, int>>& reports) {
    for (const auto& [description, number] : reports) prompter.ExpectFailureReport(description, "Form9.Test", number);
  }
  static void Fail(const std::string& description) { throw ado::Failure(description); }

  ScriptedPrompter prompter;
  FailureTrap trap{prompter, "Form9.Test"};
  std::vector<int> ran;
};

TEST_F(FailureTrapTest, FailingStepReportsItsNumberAndTheNextStepRuns) {
  ExpectReports({{"bad 102", 102}});
  trap.Step(100, [&] { ran.push_back(100); });
  trap.Step(102, [&] { Fail("bad 102"); });
  trap.Step(104, [&] { ran.push_back(104); });
  EXPECT_EQ(ran, (std::vector<int>{100, 104}));
  prompter.ExpectAllUsed();
}

// The report's fields, not its text, tell a front end where the failure came from.
TEST_F(FailureTrapTest, ADatabaseFailureIsReportedWithItsStateCodeAndStatement) {
  const std::string statement = "DROP TABLE \"T\"";
  FailureTrap withStatement{prompter, "Form9.Test", &statement};
  prompter.AllowUnscripted();
  withStatement.Step(104, [] { throw ado::Failure("refused", "42S02", 942); });
  trap.Step(106, [] { throw std::runtime_error("plain"); });
  ASSERT_EQ(prompter.Failures().size(), 2u);
  const FailureReport& database = prompter.Failures()[0];
  EXPECT_EQ(database.procedure, "Form9.Test");
  EXPECT_EQ(database.step, 104);
  EXPECT_EQ(database.description, "refused");
  EXPECT_EQ(database.sqlState, "42S02");
  EXPECT_EQ(database.nativeCode, 942);
  EXPECT_EQ(database.statement, statement);
  const FailureReport& plain = prompter.Failures()[1];
  EXPECT_EQ(plain.sqlState, "");
  EXPECT_EQ(plain.nativeCode, 0);
  EXPECT_FALSE(plain.statement.has_value());
}

TEST_F(FailureTrapTest, AnyStandardExceptionIsReportedWithItsText) {
  ExpectReports({{"out of range", 100}});
  trap.Step(100, [] { throw std::out_of_range("out of range"); });
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, FailingBranchTestGoesIntoTheBranch) {
  ExpectReports({{"test failed", 100}});
  const bool met = trap.Test(100, []() -> bool { throw ado::Failure("test failed"); });
  EXPECT_TRUE(met);
  EXPECT_FALSE(trap.Test(102, [] { return false; }));
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, FailingValueGivesTheFallback) {
  ExpectReports({{"no count", 104}});
  EXPECT_EQ(trap.Value(104, -7, []() -> int { throw ado::Failure("no count"); }), -7);
  EXPECT_EQ(trap.Value(106, -7, [] { return 3; }), 3);
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, FailingLoopSetUpRunsTheBodyOnceWithTheCounterAtZero) {
  ExpectReports({{"no bounds", 110}});
  std::vector<int> counters;
  trap.For(
      110, []() -> std::pair<int, int> { throw ado::Failure("no bounds"); }, -1, [&](int i) { counters.push_back(i); });
  trap.Step(120, [&] { ran.push_back(120); });
  EXPECT_EQ(counters, (std::vector<int>{0}));
  EXPECT_EQ(ran, (std::vector<int>{120}));
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, LoopsCountUpAndDownInclusively) {
  std::vector<int> up;
  std::vector<int> down;
  std::vector<int> none;
  trap.For(
      100,
      [] {
        return std::pair{1, 3};
      },
      1, [&](int i) { up.push_back(i); });
  trap.For(
      102,
      [] {
        return std::pair{3, 0};
      },
      -1, [&](int i) { down.push_back(i); });
  trap.For(
      104,
      [] {
        return std::pair{-1, 0};
      },
      -1, [&](int i) { none.push_back(i); });
  EXPECT_EQ(up, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(down, (std::vector<int>{3, 2, 1, 0}));
  EXPECT_TRUE(none.empty());
}

TEST_F(FailureTrapTest, FailingLastStepOfLoopBodyAdvancesToTheNextPass) {
  ExpectReports({{"row 2", 112}, {"row 1", 112}});
  std::vector<int> firstSteps;
  trap.For(
      108,
      [] {
        return std::pair{2, 0};
      },
      -1,
      [&](int i) {
        trap.Step(110, [&] { firstSteps.push_back(i); });
        trap.Step(112, [&] {
          if (i > 0) Fail("row " + std::to_string(i));
        });
      });
  EXPECT_EQ(firstSteps, (std::vector<int>{2, 1, 0}));
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, FailingLastStepEndsTheHandlerAfterOneReport) {
  ExpectReports({{"last", 104}});
  trap.Step(104, [] { Fail("last"); });
  EXPECT_EQ(prompter.Asked().size(), 1u);
  prompter.ExpectAllUsed();
}

TEST_F(FailureTrapTest, StatementVariantReportsTheStatementTextAtTheTimeOfTheFailure) {
  prompter.AllowUnscripted();
  std::string statement;
  FailureTrap transfer(prompter, "Form2.PushButton3_Click", &statement);
  statement = "CREATE TABLE \"T\" (\"A\" VARCHAR2(10))";
  transfer.Step(120, [] {});
  statement = "INSERT INTO \"T\" VALUES ('a')";
  transfer.Step(130, [] { throw ado::Failure("dup"); });
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text,
            "dup\r\nin Korvane2021/08/31.Form2.PushButton3_Click at line 130\r\r"
            "Please email screenshot of this message to " +
                std::string(kSupportAddress) + "\r\rsql: INSERT INTO \"T\" VALUES ('a')");
}

TEST_F(FailureTrapTest, StopEndsLoopsAndSkipsAllButTheClosingStatements) {
  prompter.ExpectFailureReport("Form9.Test", 100);
  prompter.ExpectFailureReport("Form9.Test", 104, vbStop);
  prompter.ExpectFailureReport("Form9.Test", 114);
  trap.Step(100, [] { Fail("plain"); });  // a trap that offers no Stop keeps one OK button
  FailureTrap command(prompter, "Form9.Test", nullptr, StopButton::kOffered);
  std::vector<int> passes;
  command.For(
      102,
      [] {
        return std::pair{0, 9};
      },
      1,
      [&](int i) {
        passes.push_back(i);
        command.Step(104, [&] {
          if (i == 1) Fail("server gone");
        });
      });
  command.Step(106, [&] { ran.push_back(106); });
  EXPECT_FALSE(command.Test(108, [] { return true; }));
  EXPECT_EQ(command.Value(110, -1, [] { return 5; }), -1);
  command.Closing(112, [&] { ran.push_back(112); });
  command.Closing(114, [] { Fail("close failed"); });
  command.Closing(
      116, [] { return false; }, [&] { ran.push_back(116); });
  command.Closing(
      118, [] { return true; }, [&] { ran.push_back(118); });
  EXPECT_TRUE(command.Stopped());
  EXPECT_EQ(passes, (std::vector<int>{0, 1}));
  EXPECT_EQ(ran, (std::vector<int>{112, 118}));
  std::vector<bool> offered;
  for (const auto& asked : prompter.Asked()) offered.push_back(asked.stopOffered);
  EXPECT_EQ(offered, (std::vector<bool>{false, true, false}));
  prompter.ExpectAllUsed();
}

}  // namespace
}  // namespace connections
