#pragma once

#include <string>
#include <utility>

#include "cli/Arguments.h"
#include "connections/WindowParts.h"

namespace cli {

inline constexpr const char* kPasswordVariable = "TESSELBY_PASSWORD";

// The connection fields of a command-line run: the saved profile as the connection window
// loads it, with the command line's overrides and the password from the environment when
// it is set there. Nothing is written back to the store.
class ProfileFields : public connections::ConnectionFields {
 public:
  explicit ProfileFields(const Arguments& arguments);

  std::string OracleServer() const override { return m_server; }
  std::string OracleUser() const override { return m_user; }
  std::string OraclePassword() const override { return m_password; }
  std::string OracleDriver() const override { return m_driver; }
  std::string OracleDsn() const override { return m_dsn; }
  std::string DbcFile() const override { return m_dbcFile; }
  std::string FreeTableFolder() const override { return m_freeTableFolder; }
  bool DbcMode() const override { return m_dbcMode; }
  bool KeepTypes() const override { return m_keepTypes; }
  int CodePage() const override { return m_codePage; }
  int SourceCodePage() const override { return m_sourceCodePage; }
  /// The password typed at the prompt, for a run that found none.
  void SetOraclePassword(std::string password) { m_password = std::move(password); }

 private:
  std::string m_server, m_user, m_password, m_driver, m_dsn, m_dbcFile, m_freeTableFolder;
  bool m_dbcMode = true;
  bool m_keepTypes = false;
  int m_codePage = connections::kDefaultCodePage;
  int m_sourceCodePage = connections::kDefaultSourceCodePage;
};

}  // namespace cli
