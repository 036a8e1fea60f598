#include "platform/os/KeyringStore.h"

namespace os {
namespace {

// Windows keeps the password in the registry with the rest of the profile, where VB's
// SaveSetting put it: no keyring answers there.
class NoKeyring : public SecretKeeper {
 public:
  bool Available() override { return false; }
  std::optional<std::string> Read(const std::string&, const std::string&) override { return std::nullopt; }
  bool Write(const std::string&, const std::string&, const std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<SecretKeeper> DesktopKeyring() { return std::make_unique<NoKeyring>(); }

}  // namespace os
