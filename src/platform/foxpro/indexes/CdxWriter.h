#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/foxpro/indexes/CdxReader.h"

namespace foxpro {

/// What one tag of a new compound index holds.
struct CdxTagContent {
  std::string name;  ///< at most 10 characters, stored upper case
  std::string keyExpression;
  std::string forExpression;  ///< empty when the tag has no FOR clause
  std::uint16_t keyLength = 0;
  std::vector<CdxKey> keys;      ///< any order; each exactly keyLength bytes
  std::uint8_t kindOptions = 0;  ///< kCdxUnique, kCdxNullable, kCdxCandidate
  bool descending = false;       ///< keys are stored ascending all the same
  char fill = ' ';               ///< what trailing compression stands for: NUL for non-character keys
};

/// New pages for the end of an index file, and where its tag list now starts.
struct CdxAddition {
  std::uint64_t at = 0;
  std::vector<std::uint8_t> pages;
  std::uint32_t listRoot = 0;
};

/// Machine order: the key's bytes as unsigned, then the record number.
bool CdxKeyLess(const CdxKey& a, const CdxKey& b);
/// Sorts keys in machine order; cheap for keys that are in order already.
void SortCdxKeys(std::vector<CdxKey>& keys);

/// Builds compound index files (.cdx/.dcx) from scratch, in the compact format Visual FoxPro
/// writes: a tag list, then per tag its header and a B-tree of compressed leaves.
class CdxWriter {
 public:
  /// The bytes of a whole index file with these tags, keys sorted in machine order (bytes,
  /// then record number). Throws ado::Failure for a key of the wrong length.
  static std::vector<std::uint8_t> Build(std::vector<CdxTagContent> tags);
  /// Tags added to an index file of indexSize bytes that holds the tags kept: their pages
  /// and a new tag list, to be written from `at` on, after which the file's header points
  /// at listRoot. Nothing of the file before `at` changes but that pointer, so adding a tag
  /// neither reads nor writes the others' keys.
  static CdxAddition AddTags(std::uint64_t indexSize, const std::vector<CdxTag>& kept,
                             std::vector<CdxTagContent> added);
};

}  // namespace foxpro
