#pragma once

#include <string>

namespace os {

// Letter case of Unicode text as the system's own text library knows it (Qt Core on Linux,
// the Windows API on Windows), so that lists sort and names match as they do elsewhere there.

/// text with every letter in its lower-case form.
std::string LowerCase(const std::string& text);

/// Negative, zero or positive as a sorts before, with or after b when letter case is ignored.
int CompareIgnoringCase(const std::string& a, const std::string& b);

}  // namespace os
