#pragma once

#include <string>

#include "platform/ado/Connection.h"
#include "platform/ado/Value.h"

namespace transfer {

/// The default when the value is Null, else the value unchanged (empty text is not Null).
/// Returns one of its arguments, so the default must outlive the result's use.
const ado::Value& NullToDefault(const ado::Value& value, const ado::Value& defaultValue);

/// The empty text that the transfers take for Null.
const ado::Value& EmptyText();

/// Executes one statement on an open connection; failures pass to the caller.
bool ExecuteSql(ado::Connection& connection, const std::string& sql);

}  // namespace transfer
