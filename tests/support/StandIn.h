#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The Oracle stand-in of the tests (tools/oracle-standin.sh): PostgreSQL behind the ODBC
// driver name "Microsoft ODBC for Oracle". scripts/test starts it and exports ODBCSYSINI,
// PGPORT and STANDIN_DIR; without it the tests that need it are skipped, except on CI.
namespace support {

/// The program's own Oracle connection string for the stand-in's login.
inline const std::string kOracleConnectionString =
    "Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=tiger;";

inline bool StandInIsUp() {
  const char* sysini = std::getenv("ODBCSYSINI");
  if (sysini == nullptr || *sysini == '\0') return false;
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(sysini) / "odbcinst.ini", error);
}

/// The stand-in's folder (server.log there shows every SQL text received), or empty.
inline std::string StandInDir() {
  const char* dir = std::getenv("STANDIN_DIR");
  return dir == nullptr ? std::string() : std::string(dir);
}

inline bool RunningOnCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

}  // namespace support

// Skips the test when the stand-in is not running; on CI (env CI set) that is a failure.
#define TESSELBY_REQUIRE_STANDIN()                                                                         \
  do {                                                                                                     \
    if (!::support::StandInIsUp()) {                                                                       \
      if (::support::RunningOnCi()) {                                                                      \
        FAIL() << "The Oracle stand-in is not running (eval \"$(tools/oracle-standin.sh start)\").";       \
      } else {                                                                                             \
        GTEST_SKIP() << "The Oracle stand-in is not running (eval \"$(tools/oracle-standin.sh start)\")."; \
      }                                                                                                    \
    }                                                                                                      \
  } while (false)
