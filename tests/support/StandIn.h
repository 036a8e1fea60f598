#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

// The Oracle stand-in of the tests (tools/oracle-standin.sh): PostgreSQL behind the ODBC
// driver name "Microsoft ODBC for Oracle". scripts/test starts it and exports ODBCSYSINI,
// PGPORT and STANDIN_DIR, and TESSELBY_STANDIN_REQUIRED=1 once it runs; without the stand-in the
// tests that need it are skipped, except under scripts/test and on CI, where they fail.
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

/// Whether a missing stand-in is a failure: the test command started one, or this is CI.
inline bool StandInRequired() {
  for (const char* name : {"TESSELBY_STANDIN_REQUIRED", "CI"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace support

// Skips the test when the stand-in is not running; where it is required that is a failure.
#define TESSELBY_REQUIRE_STANDIN()                                                                         \
  do {                                                                                                     \
    if (!::support::StandInIsUp()) {                                                                       \
      if (::support::StandInRequired()) {                                                                  \
        FAIL() << "The Oracle stand-in is not running (eval \"$(tools/oracle-standin.sh start)\").";       \
      } else {                                                                                             \
        GTEST_SKIP() << "The Oracle stand-in is not running (eval \"$(tools/oracle-standin.sh start)\")."; \
      }                                                                                                    \
    }                                                                                                      \
  } while (false)
