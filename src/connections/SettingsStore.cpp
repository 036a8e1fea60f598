#include "connections/SettingsStore.h"

namespace connections {

void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value) {
  SystemSettingsStore().Save(application, section, key, value);
}

std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  std::string value;
  return SystemSettingsStore().Get(application, section, key, value) ? value : defaultValue;
}

std::string SettingsFileName(const std::string& application) { return SystemSettingsStore().Location(application); }

}  // namespace connections
