#include "platform/ado/Provider.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/ado/Failure.h"

namespace ado {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Registry {
  std::mutex lock;
  std::map<std::string, std::shared_ptr<Provider>> byName;  // lower-case names
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ConnectionStringPairs(std::string_view connectionString) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t pos = 0;
  const std::size_t n = connectionString.size();
  while (pos < n) {
    std::size_t keyEnd = pos;
    while (keyEnd < n && connectionString[keyEnd] != '=' && connectionString[keyEnd] != ';') ++keyEnd;
    if (keyEnd >= n || connectionString[keyEnd] == ';') {
      pos = keyEnd + 1;  // a piece without '=' carries nothing
      continue;
    }
    std::string key(Trim(connectionString.substr(pos, keyEnd - pos)));
    std::size_t v = keyEnd + 1;
    while (v < n && (connectionString[v] == ' ' || connectionString[v] == '\t')) ++v;
    std::string value;
    std::size_t next;
    const char open = v < n ? connectionString[v] : '\0';
    if (open == '{' || open == '"' || open == '\'') {
      // ODBC braces run to the closing brace, OLE DB quotes to the closing quote; a
      // doubled closing character stands for one.
      const char close = open == '{' ? '}' : open;
      std::size_t i = v + 1;
      while (i < n) {
        if (connectionString[i] == close) {
          if (i + 1 < n && connectionString[i + 1] == close) {
            value.push_back(close);
            i += 2;
            continue;
          }
          break;
        }
        value.push_back(connectionString[i++]);
      }
      next = connectionString.find(';', std::min(i, n));
    } else {
      next = connectionString.find(';', v);
      value = std::string(Trim(connectionString.substr(v, next == std::string_view::npos ? n - v : next - v)));
    }
    pairs.emplace_back(std::move(key), std::move(value));
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return pairs;
}

std::string ConnectionStringValueText(std::string_view value) {
  // A leading quote would start OLE DB quoting for ConnectionStringPairs.
  const bool braced = value.find_first_of(";{}") != std::string_view::npos ||
                      (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"' ||
                                          value.front() == '\''));
  return braced ? BracedConnectionStringValue(value) : std::string(value);
}

std::string BracedConnectionStringValue(std::string_view value) {
  std::string text = "{";
  for (const char c : value) {
    text.push_back(c);
    if (c == '}') text.push_back('}');
  }
  text.push_back('}');
  return text;
}

std::string ConnectionStringValue(std::string_view connectionString, std::string_view key) {
  const std::string wanted = Lower(Trim(key));
  for (auto& [name, value] : ConnectionStringPairs(connectionString)) {
    if (Lower(name) == wanted) return value;
  }
  return {};
}

void RegisterProvider(const std::string& name, std::shared_ptr<Provider> provider) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  registry.byName[Lower(Trim(name))] = std::move(provider);
}

std::shared_ptr<Provider> RegisteredProvider(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  const auto found = registry.byName.find(Lower(Trim(name)));
  return found == registry.byName.end() ? nullptr : found->second;
}

std::shared_ptr<Provider> FindProvider(const std::string& connectionString) {
  const std::string name = Lower(ConnectionStringValue(connectionString, "Provider"));
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  const auto found = registry.byName.find(name);
  if (found == registry.byName.end() || !found->second) {
    throw Failure("Provider cannot be found. It may not be properly installed.");
  }
  return found->second;
}

}  // namespace ado
