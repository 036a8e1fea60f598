#include "transfer/SqlHelpers.h"

namespace transfer {

const ado::Value& NullToDefault(const ado::Value& value, const ado::Value& defaultValue) {
  return value.IsNull() ? defaultValue : value;
}

const ado::Value& EmptyText() {
  static const ado::Value empty{std::string()};
  return empty;
}

bool ExecuteSql(ado::Connection& connection, const std::string& sql) {
  connection.Execute(sql);
  return true;
}

}  // namespace transfer
