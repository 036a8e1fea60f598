// Runs one table transfer headless (offscreen Qt, every question answered Yes) and prints
// how long it took, for scripts/bench-transfer.sh. Also makes the source table and runs the
// baseline the Oracle-to-FoxPro transfer is compared with.
//
//   TransferBench make-source  FOLDER TABLE ROWS   8-column free table, ROWS rows
//   TransferBench to-oracle    FOLDER TABLE        "Send Table/s To Oracle" of FOLDER/TABLE
//   TransferBench to-oracle-fast FOLDER TABLE      the same through parameter arrays
//   TransferBench to-oracle-typed FOLDER TABLE     the same keeping the column types
//   TransferBench to-foxpro    FOLDER TABLE        "Send Table/s To FoxPro" of Oracle's TABLE
//   TransferBench to-foxpro-typed FOLDER TABLE     the same keeping the column types
//   TransferBench fetch-append FOLDER TABLE        bare ODBC fetch of TABLE + the engine's append
//   TransferBench fetch-append-typed FOLDER TABLE  the same with the typed copy's SELECT and fields
//   TransferBench replay       FILE                each line of FILE executed on Oracle, in turn
//
// Oracle login: 127.0.0.1 / scott / tiger, or BENCH_ORACLE_SERVER, _USER, _PASSWORD.
#include <QApplication>
#include <QListWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "commands/transfer/TypedTables.h"
#include "connections/DataProviders.h"
#include "connections/Foxpro.h"
#include "connections/ListBox.h"
#include "connections/Oracle.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace {

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

class Fields : public connections::ConnectionFields {
 public:
  explicit Fields(std::string folder, bool keepTypes = false) : folder_(std::move(folder)), keepTypes_(keepTypes) {}
  std::string OracleServer() const override { return Env("BENCH_ORACLE_SERVER", "127.0.0.1"); }
  std::string OracleUser() const override { return Env("BENCH_ORACLE_USER", "scott"); }
  std::string OraclePassword() const override { return Env("BENCH_ORACLE_PASSWORD", "tiger"); }
  std::string DbcFile() const override { return {}; }
  std::string FreeTableFolder() const override { return folder_; }
  bool DbcMode() const override { return false; }
  bool KeepTypes() const override { return keepTypes_; }

 private:
  std::string folder_;
  bool keepTypes_;
};

class Pointer : public connections::MousePointer {
 public:
  int Get() const override { return value_; }
  void Set(int value) override { value_ = value; }

 private:
  int value_ = 0;
};

class Progress : public connections::ProgressBar {
 public:
  void SetValue(int percent) override { value_ = percent; }
  int GetValue() const override { return value_; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string GetText() const override { return text_; }

 private:
  int value_ = 0;
  std::string text_;
};

// Yes to every question; failure reports go to stderr and are counted.
class AutoYes : public connections::Prompter {
 public:
  int MsgBox(const std::string& text, int style, const std::string&) override {
    if ((style & connections::vbExclamation) != 0) {
      ++reports;
      std::cerr << "failure report:\n" << text << "\n";
      return connections::vbOK;
    }
    return connections::vbYes;
  }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
  int reports = 0;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

int MakeSource(const std::string& folder, const std::string& table, long rows) {
  const std::string path = folder + "/" + table + ".dbf";
  std::filesystem::remove(path);
  std::filesystem::remove(folder + "/" + table + ".fpt");
  foxpro::CreateVfpTable(path, {{"ID", 'I'},
                                {"NAME", 'C', 30},
                                {"CITY", 'C', 20},
                                {"AMOUNT", 'N', 12, 2},
                                {"BORN", 'D'},
                                {"ACTIVE", 'L'},
                                {"NOTE", 'M'},
                                {"RATIO", 'B'}});
  auto appender = foxpro::DbfAppender::Open(path);
  static const char* const kCities[] = {"Lisboa", "Zürich", "O'Fallon", "Reykjavík", "Kraków"};
  for (long r = 1; r <= rows; ++r) {
    const std::string n = std::to_string(r);
    appender->Append({n, "Customer " + n, kCities[r % 5],
                      std::to_string(r % 100000) + "." + std::to_string(r % 90 + 10),
                      std::to_string(1950 + r % 60) + "-0" + std::to_string(r % 9 + 1) + "-1" + std::to_string(r % 9),
                      r % 2 == 0 ? "T" : "F", "Note for row " + n + ", it's fine", std::to_string(r % 1000) + ".125"});
  }
  appender->Close();
  std::cout << "rows=" << rows << "\n";
  return 0;
}

// The baseline: every row fetched through ODBC as the transfer fetches it, then appended by
// the engine to a table of memo fields, without building or parsing any SQL.
int FetchAppend(const std::string& folder, const std::string& table) {
  Fields fields(folder);
  const auto start = Clock::now();
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  ado::Recordset records;
  records.Open("SELECT * FROM \"" + table + "\"", oracle);
  std::vector<foxpro::NewField> memoFields;
  for (int f = 0; f < records.FieldCount(); ++f) {
    memoFields.push_back({"F" + std::to_string(f), records.Fields(f).Type == ado::adLongVarBinary ? 'W' : 'M'});
  }
  const std::string path = folder + "/" + table + "_base.dbf";
  std::filesystem::remove(path);
  std::filesystem::remove(folder + "/" + table + "_base.fpt");
  foxpro::CreateVfpTable(path, memoFields);
  auto appender = foxpro::DbfAppender::Open(path);
  std::vector<std::string> texts(static_cast<std::size_t>(records.FieldCount()));
  long rows = 0;
  for (; !records.Eof(); records.MoveNext(), ++rows) {
    for (int f = 0; f < records.FieldCount(); ++f) texts[f] = ado::ValueToText(records.Fields(f).Value);
    appender->Append(texts);
  }
  appender->Close();
  std::cout << "seconds=" << Seconds(start) << " rows=" << rows << "\n";
  return 0;
}

// The baseline of the typed copy: its own SELECT of TABLE, streamed, each row's values as
// fetched appended by the engine to a table of the fields the copy creates; no statement,
// no arrays, no conversion and no progress around it.
int FetchAppendTyped(const std::string& folder, const std::string& table) {
  Fields fields(folder);
  const auto start = Clock::now();
  ado::Connection oracle;
  oracle.Open(connections::OracleConnectionString(fields));
  const std::vector<transfer::MappedColumn> columns = transfer::MapOracleTable(oracle, table, true);
  oracle.CursorLocation = ado::adUseServer;
  ado::Recordset records;
  records.Open(transfer::OracleSelectStatement(table, columns), oracle);
  std::vector<foxpro::NewField> typedFields;
  for (const transfer::MappedColumn& column : columns) {
    const ado::DeclaredField& field = column.mapping.field;
    typedFields.push_back({column.foxProName, field.typeLetter, field.width, field.decimals, true, field.binary});
  }
  const std::string path = folder + "/" + table + "_base.dbf";
  std::filesystem::remove(path);
  std::filesystem::remove(folder + "/" + table + "_base.fpt");
  foxpro::CreateVfpTable(path, typedFields);
  auto appender = foxpro::DbfAppender::Open(path);
  std::vector<ado::Value> values(static_cast<std::size_t>(records.FieldCount()));
  long rows = 0;
  for (; !records.Eof(); records.MoveNext(), ++rows) {
    for (int f = 0; f < records.FieldCount(); ++f) values[f] = records.Fields(f).Value;
    appender->AppendValues(values);
  }
  appender->Close();
  std::cout << "seconds=" << Seconds(start) << " rows=" << rows << "\n";
  return 0;
}

// The statements alone through the data access layer: what the ODBC path costs without the
// transfer around it.
int Replay(const std::string& file) {
  Fields fields("");
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file);
  std::vector<std::string> statements;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == ';') line.pop_back();
    if (!line.empty()) statements.push_back(std::move(line));
  }
  const auto start = Clock::now();
  ado::Connection oracle;
  oracle.Open(connections::OracleConnectionString(fields));
  for (const std::string& statement : statements) oracle.Execute(statement);
  std::cout << "seconds=" << Seconds(start) << " statements=" << statements.size() << "\n";
  return 0;
}

int Transfer(const std::string& direction, const std::string& folder, const std::string& table) {
  QListWidget foxProWidget;
  QListWidget oracleWidget;
  connections::ListBox foxProList(foxProWidget);
  connections::ListBox oracleList(oracleWidget);
  // "-typed": the copy keeps the column types (typed CREATE, typed values in arrays).
  const bool typed = direction.size() > 6 && direction.substr(direction.size() - 6) == "-typed";
  Fields fields(folder, typed);
  Pointer pointer;
  Progress progress;
  AutoYes prompter;
  connections::TablesWindowParts parts{foxProList, oracleList, progress, pointer, prompter, fields};
  // The lists as the tables window would show them, so that a table already there is replaced.
  connections::LoadFoxProTables(foxProList, connections::FoxProConnectionString(fields));
  connections::LoadOracleTables(oracleList, fields);
  const bool toOracle = direction.rfind("to-oracle", 0) == 0;
  connections::ListBox& source = toOracle ? foxProList : oracleList;
  if (!toOracle && oracleList.ListCount() == 0) {
    std::cerr << "Oracle holds no tables\n";
    return 1;
  }
  bool found = false;
  for (int i = 0; i < source.ListCount(); ++i) {
    const bool selected = source.List(i) == table && !found;
    found = found || selected;
    source.SetSelected(i, selected);
  }
  source.SetListIndex(0);
  const auto start = Clock::now();
  if (toOracle) {
    transfer::SendTablesToOracle(
        parts, nullptr,
        direction == "to-oracle-fast" ? transfer::InsertPath::Arrays : transfer::InsertPath::Statements);
  } else {
    transfer::SendTablesToFoxPro(parts);
  }
  std::cout << "seconds=" << Seconds(start) << " reports=" << prompter.reports << "\n";
  return prompter.reports == 0 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  connections::InstallDataProviders();
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 4 && args[0] == "make-source") return MakeSource(args[1], args[2], std::stol(args[3]));
    if (args.size() == 3 && args[0] == "fetch-append") return FetchAppend(args[1], args[2]);
    if (args.size() == 3 && args[0] == "fetch-append-typed") return FetchAppendTyped(args[1], args[2]);
    if (args.size() == 2 && args[0] == "replay") return Replay(args[1]);
    if (args.size() == 3 && (args[0] == "to-oracle" || args[0] == "to-oracle-fast" || args[0] == "to-foxpro" ||
                             args[0] == "to-oracle-typed" || args[0] == "to-foxpro-typed")) {
      return Transfer(args[0], args[1], args[2]);
    }
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << "\n";
    return 1;
  }
  std::cerr << "usage: TransferBench make-source FOLDER TABLE ROWS | to-oracle FOLDER TABLE | "
               "to-oracle-fast FOLDER TABLE | to-oracle-typed FOLDER TABLE | to-foxpro FOLDER TABLE | "
               "to-foxpro-typed FOLDER TABLE | fetch-append FOLDER TABLE | fetch-append-typed FOLDER TABLE | "
               "replay FILE\n";
  return 2;
}
