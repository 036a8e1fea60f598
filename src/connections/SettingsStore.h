#pragma once

#include <string>

namespace connections {

inline constexpr const char* kSettingsApplication = "Quenmark";
inline constexpr const char* kSettingsSection = "Tesselby";

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

/// The store of this system: QSettings' native file on Linux, the password in the desktop's
/// keyring where one runs; on Windows the registry key where VB's SaveSetting writes
/// (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>).
SettingsStore& SystemSettingsStore();

/// Writes value under application, section and key at once (synced to disk, owner-only file).
void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value);

/// The stored text, or defaultValue when the key was never written.
std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});

/// The file that holds application's settings for this user.
std::string SettingsFileName(const std::string& application);

}  // namespace connections
