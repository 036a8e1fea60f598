#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "connections/FailureReport.h"
#include "connections/Prompter.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Value.h"
#include "support/FakeWindowParts.h"
#include "support/StandIn.h"

namespace support {

/// The rows an SQL text gives, each its values joined by separator (NULL for a null), sorted.
inline std::vector<std::string> SortedRows(ado::Connection& connection, const std::string& sql,
                                           const std::string& separator = "|") {
  ado::Recordset records;
  records.Open(sql, connection, ado::adOpenStatic);
  std::vector<std::string> rows;
  for (; !records.Eof(); records.MoveNext()) {
    std::string row;
    for (int f = 0; f < records.FieldCount(); ++f) {
      const ado::Value& value = records.Fields(f).Value;
      row += (f == 0 ? "" : separator) + (value.IsNull() ? std::string("NULL") : ado::ValueToText(value));
    }
    rows.push_back(row);
  }
  records.Close();
  std::sort(rows.begin(), rows.end());
  return rows;
}

/// Every failure report is kept; every overwrite question is answered Yes.
class KeepingPrompter : public connections::Prompter {
 public:
  bool AskOverwrite(const std::string&, connections::TableSide) override { return true; }
  connections::AfterFailure ReportFailure(const connections::FailureReport& report, bool) override {
    reports.push_back(connections::FailureBox(report).text);
    return connections::AfterFailure::GoOn;
  }
  void Tell(const std::string& text) override { reports.push_back(text); }
  std::string AskText(const std::string&, const std::string&) override { return {}; }
  std::string Reports() const {
    std::string text;
    for (const std::string& report : reports) text += report + "\n---\n";
    return text;
  }
  std::vector<std::string> reports;
};

/// Typed copies through the send handlers, against the stand-in and a fresh folder of its
/// own (root_); the Oracle tables named by OracleTables() are dropped before and after.
class StandInCopyTest : public ::testing::Test {
 protected:
  virtual std::vector<std::string> OracleTables() const = 0;

  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    root_ = std::filesystem::temp_directory_path() / ("tesselby-copy-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    window.fields.oracleServer = "127.0.0.1";
    window.fields.oracleUser = "scott";
    window.fields.oraclePassword = "tiger";
    window.fields.keepTypes = true;
    oracle.CursorLocation = ado::adUseClient;
    oracle.Open(kOracleConnectionString);
    DropOracleTables();
  }
  void TearDown() override {
    if (!StandInIsUp()) return;
    DropOracleTables();
    std::filesystem::remove_all(root_);
  }
  void DropOracleTables() {
    for (const std::string& name : OracleTables()) {
      try {
        oracle.Execute("DROP TABLE \"" + name + "\"");
      } catch (const ado::Failure&) {
        // not there
      }
    }
  }
  /// Sends the one table from its side's list across, selected.
  void Send(bool toOracle, const std::string& table) {
    connections::ListBox& from = toOracle ? window.list1 : window.list2;
    window.list1.Clear();
    window.list2.Clear();
    FakeTablesWindow::Fill(from, {table});
    FakeTablesWindow::Select(from, {table});
    from.SetListIndex(0);
    if (toOracle) {
      transfer::SendTablesToOracle(parts);
    } else {
      transfer::SendTablesToFoxPro(parts);
    }
  }

  std::filesystem::path root_;
  ado::Connection oracle;
  FakeTablesWindow window;
  KeepingPrompter prompter;
  connections::TablesWindowParts parts{window.list1,   window.list2, window.progress,
                                       window.pointer, prompter,     window.fields};
};

}  // namespace support
