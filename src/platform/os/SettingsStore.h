#pragma once

#include <string>

namespace os {

/// Where the profile lives: one implementation per system's own store (on Linux QSettings'
/// file in the user's configuration folder, on Windows the registry). Every reader and writer goes through the one the
/// program runs with.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual void Save(const std::string& application, const std::string& section, const std::string& key,
                    const std::string& value) = 0;
  /// The stored text, or nothing when the key was never written.
  virtual bool Get(const std::string& application, const std::string& section, const std::string& key,
                   std::string& value) = 0;
  /// Where application's settings are kept, for messages.
  virtual std::string Location(const std::string& application) = 0;
};

/// The store of this system, secrets and all: QSettings' native file on Linux (written at once,
/// owner-only); on Windows the registry key where VB's SaveSetting writes
/// (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>).
SettingsStore& NativeSettingsStore();

}  // namespace os
