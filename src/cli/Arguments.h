#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// A command line that cannot be run as written; the program exits with status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command {
  Help,
  Version,
  List,
  SendToOracle,
  SendToFoxPro,
  DeleteOracle,
  DeleteFoxPro,
  RenameOracle,
  RenameFoxPro
};

// How the overwrite question is answered; Default means "ask" on a terminal, "no" elsewhere.
enum class Overwrite { Default, Yes, No, Ask };

// The table summary at the end of a copy: sentences for people, or tab-separated fields.
enum class Summary { Text, Tsv };

inline constexpr int kDefaultMaxReports = 10;

struct Arguments {
  Command command = Command::Help;
  std::vector<std::string> tables;  // the tables named, in the order typed; for a rename: old name, new name
  // Connection fields that replace the saved profile's for this run only.
  std::optional<std::string> server, user, dbcFile, freeTableFolder, driver, dsn;
  bool createDbc = false;  // send-to-foxpro: the --dbc container is made when it does not exist
  Overwrite overwrite = Overwrite::Default;
  bool confirmDelete = false;  // --yes
  bool verify = false;
  bool fast = false;  // send-to-oracle: bound values in parameter arrays
  bool quiet = false;
  int maxReports = kDefaultMaxReports;  // failure reports printed per table; the rest are counted
  Summary summary = Summary::Text;
  std::optional<bool> keepTypes;  // --keep-types / --text-types
  bool dryRun = false;
  bool all = false;  // --all: every table of the source side, no names
  std::optional<int> codePage, sourceCodePage;
};

/// The arguments after the program name; throws UsageError.
Arguments ParseArguments(const std::vector<std::string>& args);

/// True for the two transfer commands.
bool IsTransfer(Command command);

/// The usage text that --help prints.
std::string UsageText();

}  // namespace cli
