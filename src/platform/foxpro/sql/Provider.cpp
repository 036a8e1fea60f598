#include "platform/foxpro/sql/Provider.h"

#include <memory>
#include <string>

#include "platform/ado/Provider.h"
#include "platform/foxpro/sql/FoxProSession.h"

namespace foxpro {

namespace {

// The "vfpoledb.1" provider. Of the connection settings only the command timeout is used: it
// bounds the wait for another writer's lock; see FoxProSession.
class FoxProProvider : public ado::Provider {
 public:
  std::unique_ptr<ado::Session> Open(const std::string& connectionString,
                                     const ado::ConnectionSettings& settings) override {
    return FoxProSession::Open(connectionString, settings.commandTimeout,
                               settings.unmarkedCodePage != 0 ? settings.unmarkedCodePage : kOemDefaultCodePage);
  }
};

}  // namespace

void RegisterFoxProProvider() { ado::RegisterProvider("vfpoledb.1", std::make_shared<FoxProProvider>()); }

}  // namespace foxpro
