// Connection strings come from what the user typed: parse them every way the program does.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/ado/Failure.h"
#include "platform/ado/Provider.h"
#include "platform/odbc/ConnectString.h"

namespace {

class NoProvider : public ado::Provider {
 public:
  std::unique_ptr<ado::Session> Open(const std::string&, const ado::ConnectionSettings&) override { return nullptr; }
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    ado::RegisterProvider("", std::make_shared<NoProvider>());
    ado::RegisterProvider("vfpoledb.1", std::make_shared<NoProvider>());
    return true;
  }();
  (void)registered;

  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto pairs = ado::ConnectionStringPairs(text);

  // A key's value is the value of its first pair.
  for (const auto& [key, value] : pairs) {
    std::string first;
    for (const auto& [k, v] : pairs) {
      if (Lower(k) == Lower(key)) {
        first = v;
        break;
      }
    }
    Require(ado::ConnectionStringValue(text, key) == first);
  }

  // The provider follows the Provider key and nothing else.
  const std::string provider = Lower(ado::ConnectionStringValue(text, "Provider"));
  try {
    const auto found = ado::FindProvider(text);
    Require(found != nullptr);
    Require(provider.empty() || provider == "vfpoledb.1");
  } catch (const ado::Failure&) {
    Require(!provider.empty() && provider != "vfpoledb.1");
  }

  // The driver string keeps the text as built; an added DBQ carries the server, and
  // adding it again changes nothing.
  const std::string driver = odbc::DriverConnectString(text);
  Require(driver.compare(0, text.size(), text) == 0);
  if (driver.size() > text.size()) {
    std::string server;
    bool hasServer = false;
    for (const auto& [k, v] : pairs) {
      if (Lower(k) == "server") {
        server = v;
        hasServer = true;
        break;
      }
    }
    Require(hasServer);
    // Unless an unterminated brace or quote at the end swallows what follows, the
    // driver sees the same pairs plus the DBQ.
    const auto probe = ado::ConnectionStringPairs(text + ";Zz9=1;");
    const bool clean = !probe.empty() && probe.back().first == "Zz9" && probe.back().second == "1";
    if (clean) {
      auto expected = pairs;
      expected.emplace_back("DBQ", server);
      Require(ado::ConnectionStringPairs(driver) == expected);
      Require(odbc::DriverConnectString(driver) == driver);
    }
  }
  return 0;
}
