#pragma once

#include <string>
#include <vector>

#include "connections/ListBox.h"

namespace cli {

/// Selects each named table in the list (its exact spelling first, else the first one equal
/// ignoring case) so that the commands, which visit their list bottom-up, meet them in the
/// order typed. Returns the names not found; selected gets the list's spellings of the
/// others, in the order typed, each once.
std::vector<std::string> SelectInTypedOrder(connections::ListBox& list, const std::vector<std::string>& names,
                                            std::vector<std::string>& selected);

}  // namespace cli
