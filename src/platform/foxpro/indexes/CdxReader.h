#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

/// One entry of an index tag: the full key bytes (trailing fill restored) and its record.
struct CdxKey {
  std::string bytes;
  std::uint32_t record = 0;
  bool operator==(const CdxKey&) const = default;
};

/// Header facts of one tag of a compound index.
struct CdxTag {
  std::string name;
  std::string keyExpression;
  std::string forExpression;
  std::uint16_t keyLength = 0;
  std::uint8_t options = 0;
  bool descending = false;
  bool binary = false;  // VFP 9's BINARY index: its leaves hold a bitmap of the records, no entries
  std::uint32_t headerOffset = 0;
};

// Index option bits (tag header byte 14).
inline constexpr std::uint8_t kCdxUnique = 0x01;     // VFP's UNIQUE: the first record of each key only
inline constexpr std::uint8_t kCdxNullable = 0x02;   // keys start with a NULL marker byte
inline constexpr std::uint8_t kCdxCandidate = 0x04;  // primary and candidate keys
inline constexpr std::uint8_t kCdxHasFor = 0x08;
inline constexpr std::uint8_t kCdxCompact = 0x20;
inline constexpr std::uint8_t kCdxCompound = 0x40;

inline constexpr std::uint32_t kCdxPageSize = 512;
inline constexpr std::uint32_t kCdxHeaderSize = 1024;  // header page plus expression pool
inline constexpr std::uint16_t kCdxMaxKeyLength = 240;
inline constexpr std::uint8_t kCdxBinarySignature = 5;  // tag header byte 15

/// Reads a compound index (.cdx/.dcx): its tag list and the keys of each tag. Every node is
/// checked before use, so a damaged file gives an ado::Failure naming it, never a bad read.
class CdxReader {
 public:
  /// Reads the tag list; throws ado::Failure when the file is not a compound index.
  explicit CdxReader(File& file);

  const std::vector<CdxTag>& Tags() const { return tags_; }
  /// The tag of that name (letter case ignored), or nullptr.
  const CdxTag* FindTag(std::string_view name) const;
  /// All keys of a tag in index order. trailFill is the byte that compressed trailing
  /// bytes stand for: a space for character keys, NUL for the others. A binary tag gives
  /// the key .T. ("T") for each record its bitmap holds.
  std::vector<CdxKey> Keys(const CdxTag& tag, char trailFill = ' ') const;
  /// How many keys a tag holds, read from its leaves' counts without decoding the keys.
  std::size_t KeyCount(const CdxTag& tag) const;

 private:
  CdxTag ReadTagHeader(std::uint32_t offset, const std::string& name) const;
  void Walk(std::uint32_t node, std::uint16_t keyLength, char trailFill, int depth,
            std::unordered_set<std::uint32_t>& visited, std::vector<CdxKey>* out, std::size_t& counted) const;
  std::vector<std::uint8_t> Page(std::uint32_t offset, std::uint32_t size) const;
  [[noreturn]] void Fail(const std::string& what) const;

  File& file_;
  std::vector<CdxTag> tags_;
};

}  // namespace foxpro
