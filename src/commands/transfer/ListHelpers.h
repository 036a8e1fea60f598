#pragma once

#include <string>

#include "connections/ListBox.h"

namespace transfer {

/// Lower-cases text the way the lists compare names (Unicode-aware).
std::string LowerCase(const std::string& text);

/// True when some item equals the name once both are lower-cased.
bool ListContains(const connections::ListBox& list, const std::string& name);

/// Removes every item whose text equals the name exactly (case-sensitive, no trimming).
void RemoveListItem(connections::ListBox& list, const std::string& name);

}  // namespace transfer
