#include "cli/ProfileFields.h"

#include <cstdlib>
#include <optional>

#include "connections/ConnectionProfile.h"
#include "platform/foxpro/files/FileIo.h"

namespace cli {
namespace {

// A path on the command line means the folder the command runs in; the copy's table paths are
// read relative to the container's own folder, where a relative path would lead elsewhere.
std::optional<std::string> FromWorkingFolder(const std::optional<std::string>& path) {
  if (!path || path->empty()) return path;
  return foxpro::AbsolutePath(*path);
}

}  // namespace

ProfileFields::ProfileFields(const Arguments& arguments) {
  using connections::GetProfileSetting;
  // Only the exact text "2" means the folder, as when the window loads the profile.
  m_dbcMode = GetProfileSetting(connections::kFoxProOptionKey) != "2";
  m_server = arguments.server.value_or(GetProfileSetting(connections::kServerKey));
  m_user = arguments.user.value_or(GetProfileSetting(connections::kUserKey));
  // A driver named for the run sets the profile's data source aside too.
  m_driver = arguments.driver.value_or(connections::OracleDriverSetting());
  m_dsn = arguments.driver ? std::string() : arguments.dsn.value_or(GetProfileSetting(connections::kOracleDsnKey));
  const char* password = std::getenv(kPasswordVariable);
  m_password = password != nullptr ? std::string(password) : GetProfileSetting(connections::kPasswordKey);
  m_dbcFile = FromWorkingFolder(arguments.dbcFile).value_or(GetProfileSetting(connections::kDbcFileKey));
  m_freeTableFolder =
      FromWorkingFolder(arguments.freeTableFolder).value_or(GetProfileSetting(connections::kFreeTableFolderKey));
  // Naming a location on the command line chooses its mode too.
  if (arguments.dbcFile) m_dbcMode = true;
  if (arguments.freeTableFolder) m_dbcMode = false;
  // Scripts get typed columns unless they ask for text, as other copying tools do; the
  // window's saved box is the window's default only.
  m_keepTypes = arguments.keepTypes.value_or(true);
  m_codePage = arguments.codePage.value_or(
      connections::CodePageSetting(connections::kCodePageKey, connections::kDefaultCodePage));
  m_sourceCodePage = arguments.sourceCodePage.value_or(
      connections::CodePageSetting(connections::kSourceCodePageKey, connections::kDefaultSourceCodePage));
}

}  // namespace cli
