#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "commands/transfer/TransferObserver.h"
#include "connections/FailureReport.h"
#include "connections/NameRules.h"
#include "connections/Prompter.h"
#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/DbfHeader.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedProvider.h"

namespace transfer::testing {

inline const std::string kOracleString = "Driver={Microsoft ODBC for Oracle};Server=orcl;Uid=scott;Pwd=tiger;";

/// Both data sources scripted: Oracle in place of the ODBC driver manager, FoxPro in place of
/// the engine. The window's fields name them; the free table folder is given per test.
struct ScriptedSides {
  support::ScriptedProvider::Registration oracle = support::ScriptedProvider::Install("");
  support::ScriptedProvider::Registration foxPro = support::ScriptedProvider::Install("vfpoledb.1");
  support::FakeTablesWindow window;

  explicit ScriptedSides(const std::string& freeTableFolder = "C:\\data") {
    window.fields.oracleServer = "orcl";
    window.fields.oracleUser = "scott";
    window.fields.oraclePassword = "tiger";
    window.fields.dbcFile = "";
    window.fields.freeTableFolder = freeTableFolder;
    window.fields.dbcMode = false;
  }
  std::string FoxProString() const {
    return window.fields.dbcMode
               ? "Provider=vfpoledb.1;Data Source=" + window.fields.dbcFile + ";Collating Sequence=machine;"
               : "Provider=vfpoledb.1;Data Source=" + window.fields.freeTableFolder + ";Collating Sequence=general;";
  }
};

/// A transfer's observer calls as short texts: "start T 3", "row", "failed row",
/// "not created 3", "end", "skipped T", "note " and a note's first 20 characters.
struct RecordingObserver : TransferObserver {
  void TableStarted(const std::string&, const std::string& target, long rowCount) noexcept override {
    calls.push_back("start " + target + " " + std::to_string(rowCount));
  }
  void RowSent(bool succeeded) noexcept override { calls.push_back(succeeded ? "row" : "failed row"); }
  void TableNotCreated(long rowsNotSent) noexcept override {
    calls.push_back("not created " + std::to_string(rowsNotSent));
  }
  void TableEnded() noexcept override { calls.push_back("end"); }
  void TableSkipped(const std::string& source) noexcept override { calls.push_back("skipped " + source); }
  void Note(const std::string& text) noexcept override { calls.push_back("note " + text.substr(0, 20)); }
  std::vector<std::string> calls;
};

/// Writes an empty one-field table at path: a file that reads as a table.
inline void WriteTableFile(const std::string& path) {
  foxpro::DbfHeader header;
  foxpro::DbfField field;
  field.name = "OLD";
  field.length = 1;
  field.offset = 1;
  header.fields = {field};
  header.recordLength = 2;
  const std::vector<std::uint8_t> bytes = foxpro::WriteDbfHeader(header);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// The description with which a name rule refuses a name.
inline std::string RefusalOf(void (*rule)(const std::string&), const std::string& name) {
  try {
    rule(name);
  } catch (const ado::Failure& failure) {
    return failure.what();
  }
  return "(accepted: " + name + ")";
}

/// The overwrite question for a table, answered with button.
inline void ExpectOverwrite(support::ScriptedPrompter& prompter, const std::string& name, int button) {
  prompter.ExpectMsgBox("Would you like to overwrite " + name + "?", connections::vbYesNo, "Overwrite?", button);
}

/// A transfer's failure report, exactly.
inline void ExpectReport(support::ScriptedPrompter& prompter, const std::string& description,
                         const std::string& handler, int number, const std::string& statement) {
  prompter.ExpectMsgBox(connections::FailureReportText(description, handler, number, &statement),
                        connections::vbOKOnly | connections::vbExclamation, connections::kFailureReportTitle);
}

}  // namespace transfer::testing
