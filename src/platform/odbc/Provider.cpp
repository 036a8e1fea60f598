#include "platform/odbc/Provider.h"

#include <memory>

#include "platform/ado/Provider.h"
#include "platform/odbc/OdbcSession.h"

namespace odbc {

namespace {

class OdbcProvider : public ado::Provider {
 public:
  std::unique_ptr<ado::Session> Open(const std::string& connectionString,
                                     const ado::ConnectionSettings& settings) override {
    return std::make_unique<OdbcSession>(connectionString, settings);
  }
};

}  // namespace

void RegisterOdbcProvider() { ado::RegisterProvider("", std::make_shared<OdbcProvider>()); }

}  // namespace odbc
