#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/foxpro/CdxReader.h"

namespace foxpro {

/// What one tag of a new compound index holds.
struct CdxTagContent {
  std::string name;  ///< at most 10 characters, stored upper case
  std::string keyExpression;
  std::string forExpression;  ///< empty when the tag has no FOR clause
  std::uint16_t keyLength = 0;
  std::vector<CdxKey> keys;  ///< any order; each exactly keyLength bytes
};

/// Builds compound index files (.cdx/.dcx) from scratch, in the compact format Visual FoxPro
/// writes: a tag list, then per tag its header and a B-tree of compressed leaves.
class CdxWriter {
 public:
  /// The bytes of a whole index file with these tags, keys sorted in machine order (bytes,
  /// then record number). trailFill is the byte trailing compression stands for (a space
  /// for character keys). Throws ado::Failure for a key of the wrong length.
  static std::vector<std::uint8_t> Build(std::vector<CdxTagContent> tags, char trailFill = ' ');
};

}  // namespace foxpro
