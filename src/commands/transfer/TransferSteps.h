#pragma once

#include <cmath>
#include <cstddef>
#include <string>

#include "platform/ado/Failure.h"

namespace transfer {

// Small statement-text edits that both transfers share.

/// Drops the last count characters; fails like the program's Left$ with a negative length.
inline void RemoveLastCharacters(std::string& text, std::size_t count) {
  if (text.size() < count) throw ado::Failure("Invalid procedure call or argument");
  text.resize(text.size() - count);
}

/// The progress bar value of row r of n: the share of rows begun, in whole percent, rounded
/// half to even as the program's conversion to an integer value rounds.
inline int ProgressPercent(long row, long rowCount) {
  const double share = (static_cast<double>(row) + 1.0) / static_cast<double>(rowCount) * 100.0;
  return static_cast<int>(std::nearbyint(share));
}

}  // namespace transfer
