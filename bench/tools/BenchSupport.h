#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/ado/Connection.h"

namespace bench {

/// A figure of /proc/self/status in kB (VmRSS, VmHWM, ...), or -1.
inline long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return -1;
}

/// Opens the connection with the timeouts the program's own connections use.
inline void OpenWithTimeouts(ado::Connection& connection, const std::string& connectionString) {
  connection.CommandTimeout = 5000;
  connection.ConnectionTimeout = 5000;
  connection.Open(connectionString);
}

}  // namespace bench
