#include "cli/CommandLine.h"

#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsolePrompter.h"
#include "cli/ProfileFields.h"
#include "cli/Verification.h"
#include "connections/DataProviders.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "maintenance/DeleteTables.h"
#include "maintenance/RenameTables.h"
#include "transfer/ListHelpers.h"
#include "transfer/SendTablesToFoxPro.h"
#include "transfer/SendTablesToOracle.h"

namespace cli {
namespace {

constexpr std::size_t kDifferencesShown = 20;

// The tables window's parts with no window: the lists are real (the commands' own list
// code runs on them), the pointer and the progress bar only keep what they are set to.
class KeptPointer : public connections::MousePointer {
 public:
  int Get() const override { return m_value; }
  void Set(int value) override { m_value = value; }

 private:
  int m_value = connections::vbDefault;
};

class KeptProgressBar : public connections::ProgressBar {
 public:
  void SetValue(int percent) override { m_value = percent; }
  int GetValue() const override { return m_value; }
  void SetText(const std::string& text) override { m_text = text; }
  std::string GetText() const override { return m_text; }

 private:
  int m_value = 0;
  std::string m_text = "Progress Bar";
};

enum class Side { FoxPro, Oracle };

Side SideOf(Command command) {
  switch (command) {
    case Command::SendToOracle:
    case Command::DeleteFoxPro:
    case Command::RenameFoxPro:
      return Side::FoxPro;
    default:
      return Side::Oracle;
  }
}

const char* SideName(Side side) { return side == Side::FoxPro ? "FoxPro" : "Oracle"; }

// Selects each named table in the list (its exact spelling first, else the first one equal
// ignoring case) and makes the first of them current. Returns the names not found.
std::vector<std::string> SelectNamed(connections::ListBox& list, const std::vector<std::string>& names) {
  std::vector<std::string> missing;
  int first = -1;
  for (const std::string& name : names) {
    int found = -1;
    for (int i = 0; i < list.ListCount() && found < 0; ++i) {
      if (list.List(i) == name) found = i;
    }
    for (int i = 0; i < list.ListCount() && found < 0; ++i) {
      if (transfer::LowerCase(list.List(i)) == transfer::LowerCase(name)) found = i;
    }
    if (found < 0) {
      missing.push_back(name);
      continue;
    }
    list.SetSelected(found, true);
    if (first < 0) first = found;
  }
  if (first >= 0) list.SetListIndex(first);
  return missing;
}

std::string Seconds(double seconds) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(2) << seconds;
  return text.str();
}

// A long memo would bury the summary; its start and its length are enough to find it.
std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 200;
  if (text.size() <= kShown) return text;
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
  return text.substr(0, cut) + "...(" + std::to_string(text.size()) + " bytes)";
}

struct Verified {
  long compared = 0;
  long differing = 0;
};

// Reads one copied table back on both sides and compares it; a side that cannot be read
// is a failure of its own.
Verified VerifyTable(Direction direction, const TableTally& tally, const connections::ConnectionFields& fields,
                     std::vector<Difference>& shown, ConsolePrompter& prompter) {
  const std::string oracle = connections::OracleConnectionString(fields);
  const std::string foxPro = connections::FoxProConnectionString(fields);
  const bool toOracle = direction == Direction::ToOracle;
  const std::string sourceSelect = toOracle ? "SELECT * FROM `" + tally.source + "`"  //
                                            : "SELECT * FROM \"" + tally.source + "\"";
  const std::string targetSelect =
      toOracle ? "SELECT * FROM \"" + tally.target + "\"" : "SELECT * FROM `" + transfer::LowerCase(tally.target) + "`";
  Verified verified;
  try {
    std::vector<std::string> columns;
    const Rows source = ReadRows(toOracle ? foxPro : oracle, sourceSelect, &columns);
    const Rows target = ReadRows(toOracle ? oracle : foxPro, targetSelect, nullptr);
    TableComparison comparison = CompareRows(direction, tally.target, columns, source, target, tally.failedRows,
                                             kDifferencesShown - std::min(kDifferencesShown, shown.size()));
    verified.compared = comparison.compared;
    verified.differing = comparison.differing;
    shown.insert(shown.end(), comparison.differences.begin(), comparison.differences.end());
  } catch (const std::exception& failure) {
    prompter.MsgBox("Could not verify " + tally.target + ": " + failure.what());
  }
  return verified;
}

int RunTransfer(const Arguments& arguments, connections::TablesWindowParts& parts, ConsolePrompter& prompter,
                ConsoleProgress& progress, const connections::ConnectionFields& fields) {
  connections::ListBox& sourceList = arguments.command == Command::SendToOracle ? parts.List1 : parts.List2;
  std::vector<std::string> selected;
  for (int i = 0; i < sourceList.ListCount(); ++i) {
    if (sourceList.Selected(i)) selected.push_back(sourceList.List(i));
  }
  const Direction direction = arguments.command == Command::SendToOracle ? Direction::ToOracle : Direction::ToFoxPro;
  if (direction == Direction::ToOracle) {
    transfer::SendTablesToOracle(parts, &progress,
                                 arguments.fast ? transfer::InsertPath::Arrays : transfer::InsertPath::Statements);
  } else {
    transfer::SendTablesToFoxPro(parts, &progress);
  }
  progress.ClearLine();
  long differing = 0;
  std::vector<Difference> shown;
  for (const TableTally& tally : progress.Tables()) {
    std::cout << tally.source << " -> " << tally.target << ": " << tally.rowsRead << " rows read, " << tally.rowsWritten
              << " written, " << tally.failedStatements << " failed statements, " << Seconds(tally.seconds) << " s";
    if (arguments.verify) {
      const Verified verified = VerifyTable(direction, tally, fields, shown, prompter);
      std::cout << ", " << verified.compared << " values compared, " << verified.differing << " differing";
      differing += verified.differing;
    }
    std::cout << "\n";
  }
  // A table the transfer passed over was kept (its overwrite question answered No) or refused
  // with a failure report shown above.
  for (const std::string& name : selected) {
    const auto& tables = progress.Tables();
    if (std::none_of(tables.begin(), tables.end(), [&](const TableTally& tally) { return tally.source == name; })) {
      std::cout << name << ": not copied\n";
    }
  }
  for (const Difference& difference : shown) {
    std::cout << "differs: " << difference.table << " row " << difference.row << " column " << difference.column
              << ": '" << Shortened(difference.sourceText) << "' became '" << Shortened(difference.targetText) << "'\n";
  }
  if (differing > static_cast<long>(shown.size())) {
    std::cout << "differs: " << differing - static_cast<long>(shown.size()) << " more values\n";
  }
  std::cout << std::flush;
  return prompter.Reports() > 0 || differing > 0 ? 1 : 0;
}

int Run(const Arguments& arguments) {
  const bool interactive = ::isatty(STDIN_FILENO) == 1;
  Overwrite overwrite = arguments.overwrite;
  if (overwrite == Overwrite::Default) overwrite = interactive ? Overwrite::Ask : Overwrite::No;
  const bool renaming = arguments.command == Command::RenameOracle || arguments.command == Command::RenameFoxPro;
  const bool deleting = arguments.command == Command::DeleteOracle || arguments.command == Command::DeleteFoxPro;
  if (deleting && !arguments.confirmDelete && !interactive) {
    throw UsageError("deleting without a terminal to ask on needs --yes");
  }

  ConsolePrompter prompter(std::cin, std::cerr, overwrite, arguments.confirmDelete,
                           renaming ? arguments.tables[1] : std::string());
  const ProfileFields fields(arguments);
  QListWidget foxProWidget;
  QListWidget oracleWidget;
  connections::ListBox foxProList(foxProWidget);
  connections::ListBox oracleList(oracleWidget);
  KeptPointer pointer;
  KeptProgressBar bar;
  connections::TablesWindowParts parts{foxProList, oracleList, bar, pointer, prompter, fields};

  // The tables window's load steps, for the lists this command works on.
  const Side side = SideOf(arguments.command);
  const bool both = arguments.command == Command::List || IsTransfer(arguments.command);
  {
    connections::FailureTrap trap(prompter, "Form2.Form_Load");
    std::string foxProConnection;
    if (both || side == Side::FoxPro) {
      trap.Step(110, [&] { foxProConnection = connections::FoxProConnectionString(fields); });
      trap.Step(112, [&] { connections::LoadFoxProTables(foxProList, foxProConnection); });
    }
    if (both || side == Side::Oracle) trap.Step(114, [&] { connections::LoadOracleTables(oracleList, fields); });
  }
  if (arguments.command == Command::List) {
    // What did load is shown; a side that failed has its report and the status says so.
    for (int i = 0; i < oracleList.ListCount(); ++i) std::cout << "oracle\t" << oracleList.List(i) << "\n";
    for (int i = 0; i < foxProList.ListCount(); ++i) std::cout << "foxpro\t" << foxProList.List(i) << "\n";
    std::cout << std::flush;
    return prompter.Reports() > 0 ? 1 : 0;
  }
  // A list that did not load would make the command decide on what it does not know.
  if (prompter.Reports() > 0) return 1;

  connections::ListBox& list = side == Side::FoxPro ? foxProList : oracleList;
  const std::vector<std::string> named = renaming ? std::vector<std::string>{arguments.tables[0]} : arguments.tables;
  const std::vector<std::string> missing = SelectNamed(list, named);
  for (const std::string& name : missing) std::cerr << "tesselby: no " << SideName(side) << " table " << name << "\n";
  if (!missing.empty()) return 1;

  if (deleting && !arguments.confirmDelete) {
    std::string question = "Drop " + std::to_string(list.SelCount()) + " " + SideName(side) + " table(s):";
    for (int i = 0; i < list.ListCount(); ++i) {
      if (list.Selected(i)) question += " " + list.List(i);
    }
    if (!prompter.AskYesNo(question + "?")) return 1;
  }

  switch (arguments.command) {
    case Command::SendToOracle:
    case Command::SendToFoxPro: {
      const bool show = !arguments.quiet && ::isatty(STDERR_FILENO) == 1;
      ConsoleProgress progress(std::cerr, show, list.SelCount());
      prompter.SetProgress(&progress);
      const int status = RunTransfer(arguments, parts, prompter, progress, fields);
      prompter.SetProgress(nullptr);
      return status;
    }
    case Command::DeleteOracle:
      maintenance::DeleteOracleTables(parts);
      break;
    case Command::DeleteFoxPro:
      maintenance::DeleteFoxProTables(parts);
      break;
    case Command::RenameOracle:
      maintenance::RenameOracleTable(parts);
      break;
    case Command::RenameFoxPro:
      maintenance::RenameFoxProTable(parts);
      break;
    default:
      break;
  }
  return prompter.Reports() > 0 ? 1 : 0;
}

QtMessageHandler g_defaultHandler = nullptr;

void WithoutRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (g_defaultHandler != nullptr) g_defaultHandler(type, context, message);
}

}  // namespace

bool WantsCommandLine(int argc, char**) { return argc > 1; }

int RunCommandLine(int argc, char** argv) {
  Arguments arguments;
  try {
    arguments = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    std::cerr << "tesselby: " << error.what() << "\nTry 'tesselby --help'.\n";
    return 2;
  }
  if (arguments.command == Command::Help) {
    std::cout << UsageText();
    return 0;
  }
  if (arguments.command == Command::Version) {
    std::cout << "tesselby " << TESSELBY_VERSION << "\n";
    return 0;
  }
  // The lists are widgets; the offscreen platform needs no display (cron, SSH). Without a
  // session (cron) Qt would warn that it has no runtime folder, which it does not use here.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    g_defaultHandler = qInstallMessageHandler(WithoutRuntimeFolderWarning);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  connections::InstallDataProviders();
  try {
    return Run(arguments);
  } catch (const UsageError& error) {
    std::cerr << "tesselby: " << error.what() << "\nTry 'tesselby --help'.\n";
    return 2;
  }
}

}  // namespace cli
