#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/OdbcApi.h"

namespace odbc {

// ODBC's wide calls take UTF-16 (SQLWCHAR); the program's text is UTF-8.
using WideText = std::vector<SQLWCHAR>;

/// UTF-8 to UTF-16, with a terminating zero (not counted by Length()). Bad UTF-8 becomes U+FFFD.
WideText ToWide(std::string_view text);
/// The same units appended to out, without a terminating zero.
void AppendWide(WideText& out, std::string_view text);
inline SQLINTEGER Length(const WideText& wide) { return static_cast<SQLINTEGER>(wide.size() - 1); }

/// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, const SQLWCHAR* units, std::size_t count);
std::string ToUtf8(const SQLWCHAR* units, std::size_t count);

}  // namespace odbc
