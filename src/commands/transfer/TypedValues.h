#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/ado/Value.h"

namespace transfer {

/// The Oracle form of a FoxPro value: a C field's padding blanks are not data and go;
/// everything else keeps its kind (the binding carries each kind as it is).
ado::Value OracleBoundValue(const ado::Value& value, const ado::DeclaredField& field);

/// Whether a text value holds a NUL character (bytes may hold any).
bool HoldsNul(const ado::Value& value);

/// The FoxPro form of an Oracle value for the field chosen for it: numbers become the
/// field's kind (I an integer, B a double, C the exact digits), a time read as text
/// ("2024-02-29 13:05:09.123456") a time cut to the millisecond FoxPro stores, other values
/// keep theirs. roundedFractions counts the times the cut changed (rounded by the rule).
ado::Value FoxProBoundValue(const ado::Value& value, const ado::DeclaredField& field, long& roundedFractions);

/// A time as Oracle's TO_CHAR(..., 'YYYY-MM-DD HH24:MI:SS.FF6') spells it, cut toward the past
/// to the millisecond (never into the next second); nothing when the text is not one.
/// truncated tells whether a fraction of a millisecond was cut.
std::optional<ado::DateTime> ParseTimestampText(std::string_view text, bool& truncated);

/// What a refused row's report says: the table, the row (1-based), the target's words, and
/// the column and value they name (by name, or as "Parameter n" by place), or every value
/// of the row when they name none.
std::string RefusedRowText(const std::string& table, long row, const std::string& message,
                           const std::vector<std::string>& columns, const std::vector<ado::Value>& values);

}  // namespace transfer
