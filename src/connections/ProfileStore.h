#pragma once

#include <string>

#include "platform/os/SettingsStore.h"

namespace connections {

inline constexpr const char* kSettingsApplication = "Quenmark";
inline constexpr const char* kSettingsSection = "Tesselby";

/// The store the program runs with: the system's own, with the password in the desktop's
/// keyring where one runs.
os::SettingsStore& SystemSettingsStore();

/// Writes value under application, section and key at once (synced to disk, owner-only file).
void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value);

/// The stored text, or defaultValue when the key was never written.
std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});

/// The file that holds application's settings for this user.
std::string SettingsFileName(const std::string& application);

}  // namespace connections
