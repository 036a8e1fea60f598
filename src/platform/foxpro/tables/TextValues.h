#pragma once

#include <string>

#include "platform/ado/Value.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

/// The typed value a text of an INSERT statement stands for in a field: D "yyyy-mm-dd" or
/// "yyyymmdd", T "yyyy-mm-dd hh:mm:ss[.fff]" (milliseconds kept, digits past them cut),
/// L T/F/Y/N/.T./.F./true/false/1/0, numbers as written; Null for a blank number or date.
/// Every other field takes the text itself. Throws ado::Failure for a text the field's type
/// cannot read.
ado::Value ValueFromText(const DbfField& field, const std::string& text);

}  // namespace foxpro
