#include "connections/DataProviders.h"

#include "platform/foxpro/sql/Provider.h"
#include "platform/odbc/Provider.h"

namespace connections {

void InstallDataProviders() {
  odbc::RegisterOdbcProvider();
  foxpro::RegisterFoxProProvider();
}

}  // namespace connections
