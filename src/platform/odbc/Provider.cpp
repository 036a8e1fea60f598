#include "platform/odbc/Provider.h"

#include <memory>

#include "platform/ado/Failure.h"
#include "platform/ado/Provider.h"

namespace odbc {

namespace {

class PendingProvider : public ado::Provider {
 public:
  std::unique_ptr<ado::Session> Open(const std::string&, const ado::ConnectionSettings&) override {
    throw ado::Failure("[unixODBC][Driver Manager]Data source name not found and no default driver specified");
  }
};

}  // namespace

void RegisterOdbcProvider() { ado::RegisterProvider("", std::make_shared<PendingProvider>()); }

}  // namespace odbc
