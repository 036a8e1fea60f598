#include "platform/foxpro/Provider.h"

#include <memory>
#include <string>

#include "platform/ado/Provider.h"
#include "platform/foxpro/FoxProSession.h"

namespace foxpro {

namespace {

// The "vfpoledb.1" provider. The connection settings (cursor location, timeouts, mode) are
// not needed by the engine; see FoxProSession.
class FoxProProvider : public ado::Provider {
 public:
  std::unique_ptr<ado::Session> Open(const std::string& connectionString, const ado::ConnectionSettings&) override {
    return FoxProSession::Open(connectionString);
  }
};

}  // namespace

void RegisterFoxProProvider() { ado::RegisterProvider("vfpoledb.1", std::make_shared<FoxProProvider>()); }

}  // namespace foxpro
