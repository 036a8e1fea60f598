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
  virtual void SelectOption1() = 0;  // DBC file mode
  virtual void SelectOption2() = 0;  // free table folder mode
  virtual void SetText1(const std::string& text) = 0;
  virtual void SetText2(const std::string& text) = 0;
  virtual void SetText3(const std::string& text) = 0;
  virtual void SetText4(const std::string& text) = 0;
  virtual void SetText5(const std::string& text) = 0;
};

/// Fills the window from the store: the mode first, then Text1..Text5.
void LoadProfile(ProfileTarget& window);

/// Writes one profile field under its key; the window's change and option handlers call it.
void SaveProfileSetting(const std::string& key, const std::string& value);

/// Reads one profile field; a missing key reads as empty text.
std::string GetProfileSetting(const std::string& key);

}  // namespace connections
