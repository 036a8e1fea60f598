#include "connections/ProfileStore.h"

#include <memory>

#include "connections/ConnectionProfile.h"
#include "platform/os/KeyringStore.h"

namespace connections {

os::SettingsStore& SystemSettingsStore() {
  // The password goes to the desktop's keyring where one runs, the rest to the system's store.
  static const std::unique_ptr<os::SecretKeeper> keyring = os::DesktopKeyring();
  static os::KeyringStore store(os::NativeSettingsStore(), *keyring, {kPasswordKey});
  return store;
}

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
