#pragma once

#include <string>
#include <vector>

namespace connections {

// The keys of the connection profile; each names the field stored under it.
inline constexpr const char* kServerKey = "Server";
inline constexpr const char* kUserKey = "User";
inline constexpr const char* kPasswordKey = "Password";
inline constexpr const char* kFoxProOptionKey = "FoxproOption";
inline constexpr const char* kDbcFileKey = "DBCFile";
inline constexpr const char* kFreeTableFolderKey = "FreeTableFolder";

// How Oracle is reached, kept in the profile without a field of the window: the name the ODBC
// driver is registered under, or a data source name that replaces it.
inline constexpr const char* kOracleDriverKey = "OracleDriver";
inline constexpr const char* kOracleDsnKey = "OracleDsn";
inline constexpr const char* kDefaultOracleDriver = "Microsoft ODBC for Oracle";

// Settings of the transfers, beside the profile: whether columns keep their types ("1" or
// "0"), the code page of new FoxPro tables, and the code page of tables that mark none.
inline constexpr const char* kKeepTypesKey = "KeepTypes";
inline constexpr const char* kCodePageKey = "CodePage";
inline constexpr const char* kSourceCodePageKey = "SourceCodePage";
inline constexpr int kDefaultCodePage = 1252;
inline constexpr int kDefaultSourceCodePage = 437;

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

/// "OracleDriver", or the name set-ups before it registered when it is missing or empty.
std::string OracleDriverSetting();

/// "KeepTypes": true only for the text "1"; off when missing.
bool KeepTypesSetting();
void SaveKeepTypesSetting(bool keep);

/// A code page setting ("CodePage", "SourceCodePage"): the stored number when it is one FoxPro
/// marks, else fallback.
int CodePageSetting(const std::string& key, int fallback);

/// The code pages a FoxPro table header can mark (its byte 29), in the order a list shows them.
const std::vector<int>& FoxProCodePages();
bool IsFoxProCodePage(int codePage);

}  // namespace connections
