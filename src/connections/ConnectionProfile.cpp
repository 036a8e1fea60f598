#include "connections/ConnectionProfile.h"

#include "connections/SettingsStore.h"

namespace connections {

void LoadProfile(ProfileTarget& window) {
  // Exact text only: " 2", "two" or a missing key all mean DBC file mode.
  if (GetProfileSetting(kFoxProOptionKey) == "2")
    window.SelectFreeTableFolderMode();
  else
    window.SelectDbcMode();
  window.SetOracleServer(GetProfileSetting(kServerKey));
  window.SetOracleUser(GetProfileSetting(kUserKey));
  window.SetOraclePassword(GetProfileSetting(kPasswordKey));
  window.SetDbcFile(GetProfileSetting(kDbcFileKey));
  window.SetFreeTableFolder(GetProfileSetting(kFreeTableFolderKey));
}

void SaveProfileSetting(const std::string& key, const std::string& value) {
  SaveSetting(kSettingsApplication, kSettingsSection, key, value);
}

std::string GetProfileSetting(const std::string& key) {
  return GetSetting(kSettingsApplication, kSettingsSection, key);
}

}  // namespace connections
