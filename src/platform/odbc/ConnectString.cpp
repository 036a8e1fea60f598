#include "platform/odbc/ConnectString.h"

#include <algorithm>
#include <cctype>

#include "platform/ado/Provider.h"

namespace odbc {

namespace {

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

std::string DriverConnectString(std::string_view connectionString) {
  std::string result(connectionString);
  bool hasServer = false;
  bool hasDbq = false;
  std::string server;
  for (const auto& [key, value] : ado::ConnectionStringPairs(connectionString)) {
    if (SameKey(key, "Server") && !hasServer) {
      hasServer = true;
      server = value;
    }
    if (SameKey(key, "DBQ")) hasDbq = true;
  }
  if (!hasServer || hasDbq) return result;
  if (!result.empty() && result.back() != ';') result.push_back(';');
  result += "DBQ=";
  if (server.find_first_of(";{}") != std::string::npos || (!server.empty() && (server.front() == ' '))) {
    // Only a braced value keeps these characters together.
    result.push_back('{');
    for (char c : server) {
      result.push_back(c);
      if (c == '}') result.push_back('}');
    }
    result.push_back('}');
  } else {
    result += server;
  }
  result.push_back(';');
  return result;
}

}  // namespace odbc
