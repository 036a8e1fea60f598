#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Provider.h"

namespace transfer {

// What a typed copy carries of a field beyond its type: its default and its validation rule,
// as far as both sides can say the same. Only literals cross (a number, a text, a date or a
// time, a logical value), and only rules that compare the field with literals: an
// expression Oracle cannot evaluate, or one FoxPro would read otherwise, is not carried.

/// The Oracle DEFAULT text of a FoxPro DefaultValue: 5, 'abc', DATE '2024-01-31', 1 for .T.
std::optional<std::string> OracleDefaultFor(std::string_view foxProDefault, const ado::DeclaredField& field);

/// The FoxPro DefaultValue of an Oracle DEFAULT text as the dictionary shows it.
std::optional<std::string> FoxProDefaultFor(std::string_view oracleDefault, const ado::DeclaredField& field);

/// Whether the text is one FoxPro text literal ("...", '...' or [...]): a field's rule text,
/// which FoxPro evaluates, is restored from outside only in that form.
bool IsFoxProTextLiteral(std::string_view text);

/// The Oracle CHECK condition of a FoxPro field rule that compares the field (fieldName,
/// letter case ignored) with literals: "=", "<>", "#", "!=", "<", "<=", ">", ">=", BETWEEN()
/// and INLIST(), joined by AND. Written on the column named column.
std::optional<std::string> OracleCheckFor(std::string_view rule, std::string_view fieldName, const std::string& column,
                                          const ado::DeclaredField& field);

/// The column an Oracle CHECK condition of the forms OracleCheckFor writes is on, or nothing.
std::optional<std::string> CheckedColumn(std::string_view condition);

/// The FoxPro rule of such a CHECK condition, on the field fieldName of type field.
std::optional<std::string> FoxProRuleFor(std::string_view condition, const std::string& fieldName,
                                         const ado::DeclaredField& field);

}  // namespace transfer
