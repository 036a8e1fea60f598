#include "cli/Arguments.h"

#include <map>

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

}  // namespace

bool IsTransfer(Command command) { return command == Command::SendToOracle || command == Command::SendToFoxPro; }

Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments parsed;
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.rfind("--", 0) != 0) {
      // Table names are words; a lone "-" or "-x" is not an option of this program.
      if (!optionsEnded && arg.size() > 1 && arg[0] == '-') throw UsageError("unknown option " + arg);
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const auto equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool inlineValue = equals != std::string::npos;
    const auto value = [&]() -> std::string {
      if (inlineValue) return arg.substr(equals + 1);
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    const auto flag = [&] {
      if (inlineValue) throw UsageError(name + " takes no value");
    };
    if (name == "--help") {
      flag();
      parsed.command = Command::Help;
      return parsed;
    } else if (name == "--version") {
      flag();
      parsed.command = Command::Version;
      return parsed;
    } else if (name == "--server") {
      parsed.server = value();
    } else if (name == "--user") {
      parsed.user = value();
    } else if (name == "--dbc") {
      parsed.dbcFile = value();
    } else if (name == "--folder") {
      parsed.freeTableFolder = value();
    } else if (name == "--overwrite") {
      parsed.overwrite = OverwriteFrom(value());
    } else if (name == "--yes") {
      flag();
      parsed.confirmDelete = true;
    } else if (name == "--verify") {
      flag();
      parsed.verify = true;
    } else if (name == "--fast") {
      flag();
      parsed.fast = true;
    } else if (name == "--quiet") {
      flag();
      parsed.quiet = true;
    } else if (name == "--password" || name == "--pwd") {
      throw UsageError(
          "the password is never taken from the command line (others can read it there); "
          "set TESSELBY_PASSWORD or save it in the connection window");
    } else {
      throw UsageError("unknown option " + name);
    }
  }
  if (words.empty()) throw UsageError("no command given");
  const auto shape = Commands().find(words.front());
  if (shape == Commands().end()) throw UsageError("unknown command " + words.front());
  parsed.command = shape->second.command;
  parsed.tables.assign(words.begin() + 1, words.end());
  if (parsed.tables.size() < shape->second.minTables || parsed.tables.size() > shape->second.maxTables) {
    throw UsageError(words.front() + (shape->second.maxTables == 0   ? " takes no table names"
                                      : shape->second.minTables == 2 ? " takes the old and the new name"
                                                                     : " needs at least one table name"));
  }
  if (parsed.dbcFile && parsed.freeTableFolder) throw UsageError("--dbc and --folder exclude each other");
  if (parsed.verify && !IsTransfer(parsed.command)) throw UsageError("--verify belongs to the send commands");
  if (parsed.fast && parsed.command != Command::SendToOracle) throw UsageError("--fast belongs to send-to-oracle");
  return parsed;
}

std::string UsageText() {
  return R"(usage: tesselby [OPTIONS] COMMAND [TABLE...]
       tesselby                 (no arguments: open the windows)

Commands (each runs the tables window's command of the same name, without windows):
  list                          the tables of both sides: oracle<TAB>NAME, foxpro<TAB>name
  send-to-oracle TABLE...       copy FoxPro tables into Oracle
  send-to-foxpro TABLE...       copy Oracle tables into FoxPro
  delete-oracle TABLE...        drop Oracle tables (needs --yes unless asked on a terminal)
  delete-foxpro TABLE...        drop FoxPro tables (the same)
  rename-oracle OLD NEW         rename an Oracle table
  rename-foxpro OLD NEW         rename a FoxPro table

Options:
  --server SID        Oracle server for this run (the saved profile is not changed)
  --user NAME         Oracle user for this run
  --dbc FILE          FoxPro database container for this run
  --folder DIR        FoxPro free-table folder for this run
  --overwrite=yes|no|ask
                      answer to "overwrite this table?"; default: ask on a terminal, else no
  --yes               confirm deleting
  --verify            after copying, read both sides back and compare every value
  --fast              send-to-oracle: one prepared INSERT per table, rows bound in arrays,
                      one commit per array (the windows send one literal INSERT per row)
  --quiet             no progress display
  --help, --version

The password comes from the saved profile or from the environment variable TESSELBY_PASSWORD.
Exit status: 0 all went well, 1 a failure was reported or a value differs, 2 usage error.
)";
}

}  // namespace cli
