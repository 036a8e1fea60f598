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

// Whether a value would read differently without braces around it.
bool NeedsBraces(const std::string& value) {
  if (value.empty()) return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  return value.find_first_of(";{}") != std::string::npos || blank(value.front()) || blank(value.back()) ||
         value.front() == '"' || value.front() == '\'';
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
  if (NeedsBraces(server)) {
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
