#include "transfer/SqlHelpers.h"

namespace transfer {

ado::Value NullToDefault(const ado::Value& value, const ado::Value& defaultValue) {
  return value.IsNull() ? defaultValue : value;
}

bool ExecuteSql(ado::Connection& connection, const std::string& sql) {
  connection.Execute(sql);
  return true;
}

}  // namespace transfer
