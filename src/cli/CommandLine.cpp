#include "cli/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsolePrompter.h"
#include "cli/ProfileFields.h"
#include "cli/TableSummary.h"
#include "cli/TypedOrder.h"
#include "cli/Verification.h"
#include "commands/maintenance/DeleteTables.h"
#include "commands/maintenance/RenameTables.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TransferPlan.h"
#include "commands/transfer/ViewsNotCarried.h"
#include "connections/CommandNames.h"
#include "connections/DataProviders.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/LoadSteps.h"
#include "connections/NameRules.h"
#include "connections/Oracle.h"
#include "connections/StopRequest.h"
#include "platform/ado/Utf.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/os/Console.h"
#include "platform/os/Interruption.h"

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

// A long memo would bury the summary; its start and its length are enough to find it.
std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 200;
  if (text.size() <= kShown) return text;
  return text.substr(0, ado::WholeCharacterLength(text, kShown)) + "...(" + std::to_string(text.size()) + " bytes)";
}

struct Verified {
  long compared = 0;
  long differing = 0;
  long rounded = 0;
};

// Reads one copied table back on both sides and compares it; a side that cannot be read
// is a failure of its own.
Verified VerifyTable(Direction direction, const TableTally& tally, const connections::ConnectionFields& fields,
                     std::vector<Difference>& shown, ConsolePrompter& prompter) {
  const std::string oracle = connections::OracleConnectionString(fields);
  const std::string foxPro = connections::FoxProConnectionString(fields);
  const bool toOracle = direction == Direction::ToOracle;
  const std::string targetSelect = toOracle ? "SELECT * FROM " + transfer::Quoted(tally.target)
                                            : "SELECT * FROM `" + transfer::LowerCase(tally.target) + "`";
  Verified verified;
  try {
    std::vector<std::string> columns;
    const std::string sourceSelect = SourceSelect(direction, tally.source, oracle, fields.KeepTypes());
    // The FoxPro side reads a table that marks no code page as the copy did.
    const int unmarked = fields.SourceCodePage();
    const Rows source = ReadRows(toOracle ? foxPro : oracle, sourceSelect, &columns, toOracle ? unmarked : 0);
    const Rows target = ReadRows(toOracle ? oracle : foxPro, targetSelect, nullptr, toOracle ? 0 : unmarked);
    TableComparison comparison =
        CompareRows(direction, tally.target, columns, source, target, tally.failedRows,
                    kDifferencesShown - std::min(kDifferencesShown, shown.size()), fields.KeepTypes());
    verified.compared = comparison.compared;
    verified.differing = comparison.differing;
    verified.rounded = comparison.rounded;
    shown.insert(shown.end(), comparison.differences.begin(), comparison.differences.end());
  } catch (const std::exception& failure) {
    prompter.Tell("Could not verify " + tally.target + ": " + failure.what());
  }
  return verified;
}

// With --all the source's views are named as not carried, with their SQL (neither side makes a
// table of a view); false when they cannot be read.
bool SayViewsNotCarried(const Arguments& arguments, const connections::ConnectionFields& fields, std::ostream& out) {
  if (!arguments.all) return true;
  try {
    out << transfer::ViewsNotCarriedText(arguments.command == Command::SendToOracle ? transfer::FoxProViews(fields)
                                                                                    : transfer::OracleViews(fields))
        << std::flush;
    return true;
  } catch (const std::exception& failure) {
    std::cerr << "tesselby: cannot list the views: " << failure.what() << "\n";
    return false;
  }
}

int RunTransfer(const Arguments& arguments, connections::TablesWindowParts& parts, ConsolePrompter& prompter,
                ConsoleProgress& progress, const connections::ConnectionFields& fields,
                const std::vector<std::string>& selected) {
  const Direction direction = arguments.command == Command::SendToOracle ? Direction::ToOracle : Direction::ToFoxPro;
  {
    const os::StopOnSignal stopOnSignal(&connections::RequestStop);
    if (direction == Direction::ToOracle) {
      transfer::SendTablesToOracle(parts, &progress,
                                   arguments.fast ? transfer::InsertPath::Arrays : transfer::InsertPath::Statements);
    } else {
      transfer::SendTablesToFoxPro(parts, &progress);
    }
  }
  progress.ClearLine();
  const int signal = os::StopOnSignal::Received();
  const bool tsv = arguments.summary == Summary::Tsv;
  long differing = 0;
  std::vector<Difference> shown;
  for (const std::string& name : selected) {
    const auto& tables = progress.Tables();
    const auto tally =
        std::find_if(tables.begin(), tables.end(), [&](const TableTally& table) { return table.source == name; });
    const TableTally* copied = tally == tables.end() ? nullptr : &*tally;
    std::cout << SummaryLine(arguments.summary, name, copied, signal != 0);
    if (arguments.verify && copied != nullptr && !copied->notCreated && signal == 0) {
      const Verified verified = VerifyTable(direction, *copied, fields, shown, prompter);
      std::cout << (tsv ? "\t" : ", ") << verified.compared << (tsv ? "\t" : " values compared, ") << verified.differing
                << (tsv ? "" : " differing");
      if (!tsv && verified.rounded > 0) std::cout << ", " << verified.rounded << " rounded by the rule";
      differing += verified.differing;
    } else if (arguments.verify && tsv) {
      std::cout << "\t\t";  // every line has the verify fields; a table not compared leaves them empty
    }
    std::cout << "\n";
  }
  // Differences are no summary fields: a script reading the tab-separated lines finds them on stderr.
  std::ostream& differences = tsv ? std::cerr : std::cout;
  for (const Difference& difference : shown) {
    differences << (difference.rounded ? "rounded by the rule: " : "differs: ") << difference.table << " row "
                << difference.row << " column " << difference.column << ": '" << Shortened(difference.sourceText)
                << "' became '" << Shortened(difference.targetText) << "'\n";
  }
  const long shownDiffering =
      std::count_if(shown.begin(), shown.end(), [](const Difference& difference) { return !difference.rounded; });
  if (differing > shownDiffering) {
    differences << "differs: " << differing - shownDiffering << " more values\n";
  }
  std::cout << std::flush;
  // Like the differences, the views are no summary fields.
  const bool viewsSaid = SayViewsNotCarried(arguments, fields, differences);
  // Kept without anyone choosing so: a script must not take that for a copy.
  const char* target = direction == Direction::ToOracle ? "Oracle" : "FoxPro";
  for (const std::string& name : prompter.KeptUnasked()) {
    std::cerr << "tesselby: " << name << " exists in " << target << "; use --overwrite=yes to replace it\n";
  }
  if (signal != 0) {
    std::cerr << "tesselby: interrupted by " << (signal == SIGINT ? "SIGINT" : "SIGTERM")
              << "; the summary above shows what was copied\n";
    return 128 + signal;
  }
  return prompter.Reports() > 0 || differing > 0 || !prompter.KeptUnasked().empty() || !viewsSaid ? 1 : 0;
}

void LoadList(Side side, connections::ListBox& list, const connections::ConnectionFields& fields) {
  if (side == Side::FoxPro) {
    connections::LoadFoxProTables(list, connections::FoxProConnectionString(fields), fields.SourceCodePage());
  } else {
    connections::LoadOracleTables(list, fields);
  }
}

bool Lists(connections::ListBox& list, const std::string& name) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (transfer::LowerCase(list.List(i)) == transfer::LowerCase(name)) return true;
  }
  return false;
}

// What a delete or rename did, read back from the side it changed (its handler goes on past
// a failed statement, so its own list is no witness).
void SayWhatChanged(const Arguments& arguments, Side side, const std::vector<std::string>& selected,
                    const connections::ConnectionFields& fields) {
  connections::ListBox now;
  try {
    LoadList(side, now, fields);
  } catch (const std::exception&) {
    return;  // the side cannot be read again; the reports above tell what failed
  }
  const std::string where = std::string(SideName(side)) + " table ";
  if (arguments.command == Command::DeleteOracle || arguments.command == Command::DeleteFoxPro) {
    for (const std::string& name : selected) {
      if (!Lists(now, name)) std::cout << "dropped " << where << name << "\n";
    }
  } else if (!selected.empty() && Lists(now, arguments.tables[1]) && !Lists(now, selected.front())) {
    std::cout << "renamed " << where << selected.front() << " to " << arguments.tables[1] << "\n";
  }
}

// What a delete or rename would do, each name checked as the command checks it; 1 when the
// command would refuse one, and nothing is changed either way.
int SayWhatWouldChange(const Arguments& arguments, Side side, const std::vector<std::string>& selected,
                       connections::ListBox& list) {
  const connections::TableSide nameSide =
      side == Side::FoxPro ? connections::TableSide::FoxPro : connections::TableSide::Oracle;
  const std::string where = std::string(SideName(side)) + " table ";
  try {
    for (const std::string& name : selected) connections::RequireTableName(nameSide, name);
    if (arguments.command == Command::DeleteOracle || arguments.command == Command::DeleteFoxPro) {
      for (const std::string& name : selected) std::cout << "would drop " << where << name << "\n";
      return 0;
    }
    const std::string& newName = arguments.tables[1];
    connections::RequireNewTableName(nameSide, newName);
    // FoxPro's file names ignore letter case, so only the table itself may hold the new name so;
    // Oracle's quoted names are taken as written.
    for (int i = 0; i < list.ListCount(); ++i) {
      const std::string& item = list.List(i);
      const bool same =
          side == Side::FoxPro ? transfer::LowerCase(item) == transfer::LowerCase(newName) : item == newName;
      if (same && item != selected.front()) {
        std::cerr << "tesselby: cannot rename " << where << selected.front() << ": " << SideName(side) << " has "
                  << item << " already\n";
        return 1;
      }
    }
    std::cout << "would rename " << where << selected.front() << " to " << newName << "\n";
  } catch (const std::exception& refused) {
    std::cerr << "tesselby: " << refused.what() << "\n";
    return 1;
  }
  return 0;
}

// What the run does with a target that exists, as the overwrite question will be answered.
transfer::ExistingTarget ExistingTargetFor(Overwrite overwrite) {
  switch (overwrite) {
    case Overwrite::Yes:
      return transfer::ExistingTarget::Replace;
    case Overwrite::No:
      return transfer::ExistingTarget::Keep;
    case Overwrite::Ask:
      return transfer::ExistingTarget::Ask;
    case Overwrite::Default:
      break;
  }
  return transfer::ExistingTarget::KeepUnasked;
}

// The plan of the copy these options make: both sides are read, neither is changed; 1 when
// the run would fail for some table.
int PlanTransfer(const Arguments& arguments, Overwrite overwrite, const connections::ConnectionFields& fields,
                 const std::vector<std::string>& selected, const connections::ListBox& targetList) {
  transfer::PlanChoices choices;
  choices.keepTypes = fields.KeepTypes();
  choices.existing = ExistingTargetFor(overwrite);
  for (int i = 0; i < targetList.ListCount(); ++i) choices.targetTables.push_back(targetList.List(i));
  try {
    const std::vector<transfer::TablePlan> plan = arguments.command == Command::SendToOracle
                                                      ? transfer::PlanSendToOracle(fields, selected, choices)
                                                      : transfer::PlanSendToFoxPro(fields, selected, choices);
    std::cout << transfer::PlanText(plan) << std::flush;
    const bool viewsSaid = SayViewsNotCarried(arguments, fields, std::cout);
    return transfer::PlanFails(plan) || !viewsSaid ? 1 : 0;
  } catch (const std::exception& failure) {
    std::cerr << "tesselby: cannot plan the copy: " << failure.what() << "\n";
    return 1;
  }
}

int Run(const Arguments& arguments) {
  const bool interactive = os::IsTerminal(os::StandardStream::Input);
  Overwrite overwrite = arguments.overwrite;
  if (overwrite == Overwrite::Default && interactive) overwrite = Overwrite::Ask;
  const bool renaming = arguments.command == Command::RenameOracle || arguments.command == Command::RenameFoxPro;
  const bool deleting = arguments.command == Command::DeleteOracle || arguments.command == Command::DeleteFoxPro;
  if (deleting && !arguments.confirmDelete && !arguments.dryRun && !interactive) {
    throw UsageError("deleting without a terminal to ask on needs --yes");
  }

  ConsolePrompter prompter(std::cin, std::cerr, overwrite, renaming ? arguments.tables[1] : std::string());
  ProfileFields fields(arguments);
  const Side side = SideOf(arguments.command);
  const bool both = arguments.command == Command::List || IsTransfer(arguments.command);
  const bool usesOracle = both || side == Side::Oracle;
  const bool usesFoxPro = both || side == Side::FoxPro;
  if (usesOracle && fields.OraclePassword().empty() && interactive) {
    fields.SetOraclePassword(
        os::AskPasswordWithoutEcho("Oracle password for " + fields.OracleUser() + "@" + fields.OracleServer() + ": "));
  }
  HintFacts facts;
  facts.noPassword = usesOracle && fields.OraclePassword().empty();
  facts.noFoxProLocation = usesFoxPro && (fields.DbcMode() ? fields.DbcFile() : fields.FreeTableFolder()).empty();
  facts.oracleDriver = fields.OracleDriver();
  facts.oracleDsn = fields.OracleDsn();
  facts.oracleServer = fields.OracleServer();
  prompter.SetHintFacts(facts);

  connections::ListBox foxProList;
  connections::ListBox oracleList;
  KeptPointer pointer;
  KeptProgressBar bar;
  connections::TablesWindowParts parts{foxProList, oracleList, bar, pointer, prompter, fields};

  // The tables window's load steps, for the lists this command works on.
  {
    connections::FailureTrap trap(prompter, connections::command_names::kTablesWindowLoad);
    std::string foxProConnection;
    if (usesFoxPro) {
      trap.Step(connections::TablesWindowLoadStep::FoxProConnectionString,
                [&] { foxProConnection = connections::FoxProConnectionString(fields); });
      // A container the copy is to make has no tables yet.
      const bool makesContainer = arguments.createDbc && connections::ContainerIsNew(fields);
      if (!makesContainer) {
        trap.Step(connections::TablesWindowLoadStep::LoadFoxProTables,
                  [&] { connections::LoadFoxProTables(foxProList, foxProConnection, fields.SourceCodePage()); });
      }
    }
    if (usesOracle)
      trap.Step(connections::TablesWindowLoadStep::LoadOracleTables,
                [&] { connections::LoadOracleTables(oracleList, fields); });
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
  std::vector<std::string> named = renaming ? std::vector<std::string>{arguments.tables[0]} : arguments.tables;
  for (int i = 0; arguments.all && i < list.ListCount(); ++i) named.push_back(list.List(i));
  std::vector<std::string> selected;
  const std::vector<std::string> missing = SelectInTypedOrder(list, named, selected);
  for (const std::string& name : missing) std::cerr << "tesselby: no " << SideName(side) << " table " << name << "\n";
  if (!missing.empty()) return 1;

  if (arguments.dryRun && !IsTransfer(arguments.command)) return SayWhatWouldChange(arguments, side, selected, list);
  if (deleting && !arguments.confirmDelete) {
    std::string question = "Drop " + std::to_string(selected.size()) + " " + SideName(side) + " table(s):";
    for (const std::string& name : selected) question += " " + name;
    if (!prompter.AskYesNo(question + "?")) return 1;
  }

  switch (arguments.command) {
    case Command::SendToOracle:
    case Command::SendToFoxPro: {
      if (arguments.dryRun) {
        if (arguments.createDbc && connections::ContainerIsNew(fields)) {
          std::cout << "Database container " << fields.DbcFile() << " does not exist; the copy makes it, empty\n\n";
        }
        return PlanTransfer(arguments, overwrite, fields, selected,
                            arguments.command == Command::SendToOracle ? oracleList : foxProList);
      }
      if (arguments.createDbc) {
        try {
          connections::CreateNewContainer(fields);
        } catch (const std::exception& failure) {
          std::cerr << "tesselby: cannot make the database container: " << failure.what() << "\n";
          return 1;
        }
      }
      const char* term = std::getenv("TERM");
      const bool dumb = term != nullptr && std::string(term) == "dumb";
      const bool show = !arguments.quiet && !dumb && os::IsTerminal(os::StandardStream::Error);
      ConsoleProgress progress(std::cerr, show, static_cast<int>(selected.size()));
      progress.SetMaxReports(arguments.maxReports);
      prompter.SetProgress(&progress);
      const int status = RunTransfer(arguments, parts, prompter, progress, fields, selected);
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
  SayWhatChanged(arguments, side, selected, fields);
  return prompter.Reports() > 0 ? 1 : 0;
}

int RunArguments(int argc, char** argv) {
  Arguments arguments;
  try {
    std::vector<std::string> words = os::Utf8Arguments(argc, argv);
    if (!words.empty()) words.erase(words.begin());
    arguments = ParseArguments(words);
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
  connections::InstallDataProviders();
  try {
    return Run(arguments);
  } catch (const UsageError& error) {
    std::cerr << "tesselby: " << error.what() << "\nTry 'tesselby --help'.\n";
    return 2;
  }
}

}  // namespace

bool WantsCommandLine(int argc, char**) { return argc > 1; }

bool HasDisplay() {
  // A platform chosen by hand (offscreen, vnc) needs no display variable.
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

int NoDisplay() {
  std::cerr << "tesselby: the windows need a display (DISPLAY or WAYLAND_DISPLAY is not set);\n"
               "the commands run without one: see 'tesselby --help'.\n";
  return 2;
}

int RunCommandLine(int argc, char** argv) {
  os::GuardStandardStreams();
  os::PrepareConsoleText();
  const int status = RunArguments(argc, argv);
  if (os::StandardStreamsWritten()) return status;
  std::cerr << "tesselby: the output could not be written" << std::endl;  // stderr may still work
  return status == 0 ? 1 : status;
}

}  // namespace cli
