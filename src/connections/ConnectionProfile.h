#pragma once

#include <string>

namespace connections {

// The keys of the connection profile; each names the field stored under it.
inline constexpr const char* kServerKey = "Server";
inline constexpr const char* kUserKey = "User";
inline constexpr const char* kPasswordKey = "Password";
inline constexpr const char* kFoxProOptionKey = "FoxproOption";
inline constexpr const char* kDbcFileKey = "DBCFile";
inline constexpr const char* kFreeTableFolderKey = "FreeTableFolder";

/// What loading the profile sets on the connection window.
class ProfileTarget {
 public:
  virtual ~ProfileTarget() = default;
  virtual void SelectDbcMode() = 0;
  virtual void SelectFreeTableFolderMode() = 0;
  virtual void SetOracleServer(const std::string& text) = 0;
  virtual void SetOracleUser(const std::string& text) = 0;
  virtual void SetOraclePassword(const std::string& text) = 0;
  virtual void SetDbcFile(const std::string& text) = 0;
  virtual void SetFreeTableFolder(const std::string& text) = 0;
};

/// Fills the window from the store: the mode first, then server, user, password, DBC file, folder.
void LoadProfile(ProfileTarget& window);

/// Writes one profile field under its key; the window's change and option handlers call it.
void SaveProfileSetting(const std::string& key, const std::string& value);

/// Reads one profile field; a missing key reads as empty text.
std::string GetProfileSetting(const std::string& key);

}  // namespace connections
