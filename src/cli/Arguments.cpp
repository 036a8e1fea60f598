#include "cli/Arguments.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>
#include <vector>

#include "platform/foxpro/tables/CodePage.h"

namespace cli {
namespace {

struct CommandShape {
  Command command;
  std::size_t minTables;
  std::size_t maxTables;
};

const std::map<std::string, CommandShape>& Commands() {
  static const std::map<std::string, CommandShape> commands = {
      {"list", {Command::List, 0, 0}},
      {"send-to-oracle", {Command::SendToOracle, 1, SIZE_MAX}},
      {"send-to-foxpro", {Command::SendToFoxPro, 1, SIZE_MAX}},
      {"delete-oracle", {Command::DeleteOracle, 1, SIZE_MAX}},
      {"delete-foxpro", {Command::DeleteFoxPro, 1, SIZE_MAX}},
      {"rename-oracle", {Command::RenameOracle, 2, 2}},
      {"rename-foxpro", {Command::RenameFoxPro, 2, 2}},
  };
  return commands;
}

Overwrite OverwriteFrom(const std::string& value) {
  if (value == "yes") return Overwrite::Yes;
  if (value == "no") return Overwrite::No;
  if (value == "ask") return Overwrite::Ask;
  throw UsageError("--overwrite takes yes, no or ask, not '" + value + "'");
}

Summary SummaryFrom(const std::string& value) {
  if (value == "text") return Summary::Text;
  if (value == "tsv") return Summary::Tsv;
  throw UsageError("--summary takes text or tsv, not '" + value + "'");
}

int WholeNumber(const std::string& option, const std::string& value) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size() || number < 0) {
    throw UsageError(option + " takes a whole number, not '" + value + "'");
  }
  return number;
}

int CodePage(const std::string& option, const std::string& value) {
  const int number = WholeNumber(option, value);
  const std::vector<int> offered = foxpro::OfferedCodePages();
  if (std::find(offered.begin(), offered.end(), number) == offered.end()) {
    throw UsageError(option +
                     " takes a FoxPro code page (437 850 852 857 865 866 874 932 936 949 950 "
                     "1250-1256 10000), not '" +
                     value + "'");
  }
  return number;
}

enum Option : int {
  kServer = 256,
  kUser,
  kDbc,
  kCreateDbc,
  kFolder,
  kOverwrite,
  kYes,
  kVerify,
  kFast,
  kQuiet,
  kMaxReports,
  kSummary,
  kKeepTypes,
  kTextTypes,
  kDryRun,
  kAll,
  kCodePage,
  kSourceCodePage,
  kPassword,
  kDriver,
  kDsn,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"server", required_argument, nullptr, kServer},
    {"user", required_argument, nullptr, kUser},
    {"dbc", required_argument, nullptr, kDbc},
    {"create-dbc", no_argument, nullptr, kCreateDbc},
    {"folder", required_argument, nullptr, kFolder},
    {"overwrite", required_argument, nullptr, kOverwrite},
    {"yes", no_argument, nullptr, kYes},
    {"verify", no_argument, nullptr, kVerify},
    {"fast", no_argument, nullptr, kFast},
    {"quiet", no_argument, nullptr, kQuiet},
    {"max-reports", required_argument, nullptr, kMaxReports},
    {"summary", required_argument, nullptr, kSummary},
    {"keep-types", no_argument, nullptr, kKeepTypes},
    {"text-types", no_argument, nullptr, kTextTypes},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"all", no_argument, nullptr, kAll},
    {"codepage", required_argument, nullptr, kCodePage},
    {"source-codepage", required_argument, nullptr, kSourceCodePage},
    {"password", required_argument, nullptr, kPassword},
    {"pwd", required_argument, nullptr, kPassword},
    {"driver", required_argument, nullptr, kDriver},
    {"dsn", required_argument, nullptr, kDsn},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

bool IsTransfer(Command command) { return command == Command::SendToOracle || command == Command::SendToFoxPro; }

Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments parsed;
  // getopt_long works on a C argument vector; it reorders the pointers, not the texts.
  std::vector<std::string> texts = args;
  texts.insert(texts.begin(), "tesselby");
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> words;
  opterr = 0;
  optind = 0;  // a fresh scan each call
  // "-": words come back in place (as 1), so options may stand anywhere and the order of the
  // tables is the order typed; ":": a missing value is told apart from an unknown option.
  for (;;) {
    const int found = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), "-:hV", kOptions, nullptr);
    if (found == -1) break;
    const std::string value = optarg != nullptr ? optarg : "";
    switch (found) {
      case 1:
        words.push_back(value);
        break;
      case 'h':
        parsed.command = Command::Help;
        return parsed;
      case 'V':
        parsed.command = Command::Version;
        return parsed;
      case kServer:
        parsed.server = value;
        break;
      case kUser:
        parsed.user = value;
        break;
      case kDriver:
        parsed.driver = value;
        break;
      case kDsn:
        parsed.dsn = value;
        break;
      case kDbc:
        parsed.dbcFile = value;
        break;
      case kCreateDbc:
        parsed.createDbc = true;
        break;
      case kFolder:
        parsed.freeTableFolder = value;
        break;
      case kOverwrite:
        parsed.overwrite = OverwriteFrom(value);
        break;
      case kYes:
        parsed.confirmDelete = true;
        break;
      case kVerify:
        parsed.verify = true;
        break;
      case kFast:
        parsed.fast = true;
        break;
      case kQuiet:
        parsed.quiet = true;
        break;
      case kMaxReports:
        parsed.maxReports = WholeNumber("--max-reports", value);
        break;
      case kSummary:
        parsed.summary = SummaryFrom(value);
        break;
      case kKeepTypes:
      case kTextTypes:
        if (parsed.keepTypes && *parsed.keepTypes != (found == kKeepTypes)) {
          throw UsageError("--keep-types and --text-types exclude each other");
        }
        parsed.keepTypes = found == kKeepTypes;
        break;
      case kDryRun:
        parsed.dryRun = true;
        break;
      case kAll:
        parsed.all = true;
        break;
      case kCodePage:
        parsed.codePage = CodePage("--codepage", value);
        break;
      case kSourceCodePage:
        parsed.sourceCodePage = CodePage("--source-codepage", value);
        break;
      case kPassword:
        throw UsageError(
            "the password is never taken from the command line (others can read it there); "
            "set TESSELBY_PASSWORD or save it in the connection window");
      case ':':
        throw UsageError(std::string(argv[static_cast<std::size_t>(optind) - 1]) + " needs a value");
      default:  // '?': unknown, or a value given to an option that takes none
        throw UsageError("unknown option " + std::string(argv[static_cast<std::size_t>(optind) - 1]));
    }
  }
  // After "--" getopt_long stops and leaves the rest as words.
  for (int i = optind; i < static_cast<int>(argv.size()) - 1; ++i)
    words.emplace_back(argv[static_cast<std::size_t>(i)]);

  if (words.empty()) throw UsageError("no command given");
  const auto shape = Commands().find(words.front());
  if (shape == Commands().end()) throw UsageError("unknown command " + words.front());
  parsed.command = shape->second.command;
  parsed.tables.assign(words.begin() + 1, words.end());
  if (parsed.all && !IsTransfer(parsed.command)) throw UsageError("--all belongs to the send commands");
  if (parsed.all && !parsed.tables.empty()) throw UsageError("--all sends every table; name none with it");
  if (!parsed.all &&
      (parsed.tables.size() < shape->second.minTables || parsed.tables.size() > shape->second.maxTables)) {
    throw UsageError(words.front() + (shape->second.maxTables == 0   ? " takes no table names"
                                      : shape->second.minTables == 2 ? " takes the old and the new name"
                                                                     : " needs at least one table name"));
  }
  if (parsed.dbcFile && parsed.freeTableFolder) throw UsageError("--dbc and --folder exclude each other");
  if (parsed.driver && parsed.dsn) throw UsageError("--driver and --dsn exclude each other");
  if (parsed.createDbc && (parsed.command != Command::SendToFoxPro || !parsed.dbcFile)) {
    throw UsageError("--create-dbc belongs to send-to-foxpro with --dbc");
  }
  if (parsed.verify && !IsTransfer(parsed.command)) throw UsageError("--verify belongs to the send commands");
  if (parsed.fast && parsed.command != Command::SendToOracle) throw UsageError("--fast belongs to send-to-oracle");
  if ((parsed.keepTypes || parsed.codePage || parsed.sourceCodePage) && !IsTransfer(parsed.command)) {
    throw UsageError("--keep-types, --text-types and the code pages belong to the send commands");
  }
  return parsed;
}

std::string UsageText() {
  return R"(usage: tesselby [OPTIONS] COMMAND [TABLE...]
       tesselby                 (no arguments: open the windows; they need a display)

Commands (each runs the tables window's command of the same name, without windows):
  list                          the tables of both sides: oracle<TAB>NAME, foxpro<TAB>name
  send-to-oracle TABLE...|--all copy FoxPro tables into Oracle, in the order typed
  send-to-foxpro TABLE...|--all copy Oracle tables into FoxPro, in the order typed
  delete-oracle TABLE...        drop Oracle tables (needs --yes unless asked on a terminal)
  delete-foxpro TABLE...        drop FoxPro tables (the same)
  rename-oracle OLD NEW         rename an Oracle table
  rename-foxpro OLD NEW         rename a FoxPro table

Options:
  --server SID        Oracle server for this run (the saved profile is not changed)
  --user NAME         Oracle user for this run
  --driver NAME       the Oracle ODBC driver's name in odbcinst.ini for this run (saved as
                      OracleDriver; default "Microsoft ODBC for Oracle")
  --dsn NAME          connect through this data source of odbc.ini instead (saved as OracleDsn)
  --dbc FILE          FoxPro database container for this run
  --create-dbc        send-to-foxpro: make the --dbc container, empty, when it does not
                      exist yet (when the copy starts; a dry run makes nothing)
  --folder DIR        FoxPro free-table folder for this run
  --overwrite=yes|no|ask
                      answer to "overwrite this table?"; default: ask on a terminal, else no
                      (without a terminal, a table kept this way makes the exit status 1)
  --yes               confirm deleting
  --verify            after copying, read both sides back and compare every value
  --fast              send-to-oracle: one prepared INSERT per table, rows bound in arrays,
                      one commit per array (the windows send one literal INSERT per row)
  --keep-types        keep the source's column types where the target has them (the default)
  --text-types        send every column as text (the windows' default)
  --all               send-to-oracle/send-to-foxpro: every table of the source, no names;
                      the source's views are listed as not carried, with their SQL
  --dry-run           say what the command would do, change nothing (a copy's plan
                      exits 1 where the copy would fail)
  --codepage N        code page of the FoxPro tables written
  --source-codepage N code page of FoxPro tables whose header names none
                      (N: 437 850 852 857 865 866 874 932 936 949 950 1250-1256 10000)
  --max-reports N     failure reports printed per table (default 10); the rest are counted
  --summary=text|tsv  the table summary as sentences (default) or tab-separated:
                      name, rows read, written, failed, seconds, status
                      (with --verify then values compared, differing)
  --quiet             no progress display
  -h, --help          show this text
  -V, --version       show the version
  --                  the words after it are table names, even when they begin with '-'

The password comes from the saved profile or from the environment variable TESSELBY_PASSWORD.
Exit status: 0 all went well, 1 a failure was reported, a value differs, a table was kept
without --overwrite, or output could not be written; 2 usage error; 130/143 interrupted.
)";
}

}  // namespace cli
