#include "connections/ConnectionProfile.h"

#include <algorithm>
#include <charconv>

#include "connections/ProfileStore.h"
#include "platform/foxpro/tables/CodePage.h"

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

std::string OracleDriverSetting() {
  const std::string driver = GetProfileSetting(kOracleDriverKey);
  return driver.empty() ? kDefaultOracleDriver : driver;
}

bool KeepTypesSetting() { return GetProfileSetting(kKeepTypesKey) == "1"; }

void SaveKeepTypesSetting(bool keep) { SaveProfileSetting(kKeepTypesKey, keep ? "1" : "0"); }

int CodePageSetting(const std::string& key, int fallback) {
  const std::string text = GetProfileSetting(key);
  int codePage = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), codePage);
  if (error != std::errc() || end != text.data() + text.size() || !IsFoxProCodePage(codePage)) return fallback;
  return codePage;
}

const std::vector<int>& FoxProCodePages() {
  static const std::vector<int> codePages = foxpro::OfferedCodePages();
  return codePages;
}

bool IsFoxProCodePage(int codePage) {
  const std::vector<int>& known = FoxProCodePages();
  return std::find(known.begin(), known.end(), codePage) != known.end();
}

}  // namespace connections
