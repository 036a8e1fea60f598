#include "connections/ConnectionProfile.h"

#include "connections/SettingsStore.h"

namespace connections {

void LoadProfile(ProfileTarget& window) {
  // Exact text only: " 2", "two" or a missing key all mean DBC file mode.
  if (GetProfileSetting(kFoxProOptionKey) == "2")
    window.SelectOption2();
  else
    window.SelectOption1();
  window.SetText1(GetProfileSetting(kServerKey));
  window.SetText2(GetProfileSetting(kUserKey));
  window.SetText3(GetProfileSetting(kPasswordKey));
  window.SetText4(GetProfileSetting(kDbcFileKey));
  window.SetText5(GetProfileSetting(kFreeTableFolderKey));
}

void SaveProfileSetting(const std::string& key, const std::string& value) {
  SaveSetting(kSettingsApplication, kSettingsSection, key, value);
}

std::string GetProfileSetting(const std::string& key) {
  return GetSetting(kSettingsApplication, kSettingsSection, key);
}

}  // namespace connections
