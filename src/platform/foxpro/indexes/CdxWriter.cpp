#include "platform/foxpro/indexes/CdxWriter.h"

#include <algorithm>
#include <array>

#include "platform/ado/Failure.h"

namespace foxpro {
namespace {

constexpr std::uint32_t kLeafSpace = kCdxPageSize - 24;
constexpr std::uint32_t kInteriorSpace = kCdxPageSize - 12;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void PutLe16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutBe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

unsigned BitsFor(std::uint64_t value) {
  unsigned bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

// The last key of a node and where the node lies: one entry of the level above.
struct NodeRef {
  std::string lastKey;
  std::uint32_t lastRecord = 0;
  std::uint32_t offset = 0;
};

class FileBuilder {
 public:
  FileBuilder() = default;
  /// Builds the pages that follow base bytes of a file, offsets counted from the file's start.
  explicit FileBuilder(std::uint32_t base) : base_(base) {}

  std::uint32_t Allocate(std::uint32_t size) {
    const auto at = static_cast<std::uint32_t>(base_ + bytes_.size());
    bytes_.resize(bytes_.size() + size, 0);
    return at;
  }
  /// The bytes from base on.
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

  void WriteHeader(std::uint32_t offset, std::uint32_t root, std::uint16_t keyLength, std::uint8_t options,
                   const std::string& keyExpression, const std::string& forExpression, bool descending = false) {
    const std::size_t at = offset - base_;
    PutLe32(bytes_, at + 0, root);
    PutLe16(bytes_, at + 12, keyLength);
    bytes_[at + 14] = options;
    bytes_[at + 15] = 1;  // signature
    // Expression pool: key expression first, then the FOR expression, each NUL-terminated.
    const auto keyLen = static_cast<std::uint32_t>(keyExpression.size() + 1);
    const auto forLen = static_cast<std::uint32_t>(forExpression.size() + 1);
    if (keyLen + forLen > 512) throw ado::Failure("An index expression is longer than an index header can hold.");
    std::copy(keyExpression.begin(), keyExpression.end(), bytes_.begin() + at + 512);
    std::copy(forExpression.begin(), forExpression.end(), bytes_.begin() + at + 512 + keyLen);
    PutLe16(bytes_, at + 502, descending ? 1 : 0);
    PutLe16(bytes_, at + 504, keyLen);
    PutLe16(bytes_, at + 506, forLen);
    PutLe16(bytes_, at + 508, 0);
    PutLe16(bytes_, at + 510, keyLen);
  }

  // Writes the B-tree of sorted keys; returns the root node's offset.
  std::uint32_t WriteTree(const std::vector<CdxKey>& keys, std::uint16_t keyLength, char trailFill) {
    std::vector<NodeRef> level = WriteLeaves(keys, keyLength, trailFill);
    bool leaves = true;
    while (level.size() > 1) {
      level = WriteInteriors(level, keyLength);
      leaves = false;
    }
    const std::uint32_t root = level.front().offset;
    bytes_[root - base_] = static_cast<std::uint8_t>(leaves ? 3 : 1);  // root flag added
    return root;
  }

 private:
  std::vector<NodeRef> WriteLeaves(const std::vector<CdxKey>& keys, std::uint16_t keyLength, char trailFill) {
    // One packed layout for the whole tag: VFP lets it vary per leaf, readers take it per leaf.
    const unsigned countBits = BitsFor(keyLength);
    std::uint32_t maxRecord = 0;
    for (const CdxKey& key : keys) maxRecord = std::max(maxRecord, key.record);
    const unsigned needed = std::max(1u, BitsFor(maxRecord)) + 2 * countBits;
    const unsigned width = std::max(3u, (needed + 7) / 8);
    const unsigned recordBits = width * 8 - 2 * countBits;

    std::vector<NodeRef> refs;
    std::size_t next = 0;
    do {
      const std::uint32_t at = Allocate(kCdxPageSize);
      const std::size_t p = at - base_;
      std::uint32_t used = 0;
      std::uint32_t keyEnd = kCdxPageSize;
      std::uint16_t count = 0;
      const CdxKey* previous = nullptr;
      std::uint32_t previousTrail = 0;
      while (next < keys.size()) {
        const CdxKey& key = keys[next];
        std::uint32_t trail = 0;
        while (trail < keyLength && key.bytes[keyLength - 1 - trail] == trailFill) ++trail;
        // The shared prefix stops where either key's compressed fill begins, as FoxPro
        // writes it: readers that restore fill as NUL would otherwise copy wrong bytes.
        std::uint32_t dup = 0;
        if (previous != nullptr) {
          const std::uint32_t limit = keyLength - std::max(trail, previousTrail);
          while (dup < limit && key.bytes[dup] == previous->bytes[dup]) ++dup;
        }
        const std::uint32_t stored = keyLength - dup - trail;
        if (used + width + stored > kLeafSpace) break;
        std::uint64_t packed = static_cast<std::uint64_t>(key.record) |
                               (static_cast<std::uint64_t>(dup) << recordBits) |
                               (static_cast<std::uint64_t>(trail) << (recordBits + countBits));
        for (unsigned b = 0; b < width; ++b) {
          bytes_[p + 24 + count * width + b] = static_cast<std::uint8_t>(packed >> (8 * b));
        }
        keyEnd -= stored;
        std::copy(key.bytes.begin() + dup, key.bytes.begin() + dup + stored, bytes_.begin() + p + keyEnd);
        used += width + stored;
        ++count;
        previous = &key;
        previousTrail = trail;
        ++next;
      }
      PutLe16(bytes_, p + 0, 2);
      PutLe16(bytes_, p + 2, count);
      PutLe32(bytes_, p + 4, refs.empty() ? kNone : refs.back().offset);
      PutLe32(bytes_, p + 8, kNone);
      if (!refs.empty()) PutLe32(bytes_, refs.back().offset - base_ + 8, at);
      PutLe16(bytes_, p + 12, kLeafSpace - used);
      PutLe32(bytes_, p + 14, static_cast<std::uint32_t>((std::uint64_t{1} << recordBits) - 1));
      bytes_[p + 18] = static_cast<std::uint8_t>((1u << countBits) - 1);
      bytes_[p + 19] = static_cast<std::uint8_t>((1u << countBits) - 1);
      bytes_[p + 20] = static_cast<std::uint8_t>(recordBits);
      bytes_[p + 21] = static_cast<std::uint8_t>(countBits);
      bytes_[p + 22] = static_cast<std::uint8_t>(countBits);
      bytes_[p + 23] = static_cast<std::uint8_t>(width);
      NodeRef ref{std::string(keyLength, trailFill), 0, at};
      if (previous != nullptr) {
        ref.lastKey = previous->bytes;
        ref.lastRecord = previous->record;
      }
      refs.push_back(std::move(ref));
    } while (next < keys.size());
    return refs;
  }

  std::vector<NodeRef> WriteInteriors(const std::vector<NodeRef>& children, std::uint16_t keyLength) {
    const std::uint32_t entry = keyLength + 8u;
    const std::uint32_t perNode = kInteriorSpace / entry;
    std::vector<NodeRef> refs;
    for (std::size_t first = 0; first < children.size(); first += perNode) {
      const std::size_t last = std::min(children.size(), first + perNode);
      const std::uint32_t at = Allocate(kCdxPageSize);
      const std::size_t p = at - base_;
      PutLe16(bytes_, p + 0, 0);
      PutLe16(bytes_, p + 2, static_cast<std::uint32_t>(last - first));
      PutLe32(bytes_, p + 4, refs.empty() ? kNone : refs.back().offset);
      PutLe32(bytes_, p + 8, kNone);
      if (!refs.empty()) PutLe32(bytes_, refs.back().offset - base_ + 8, at);
      for (std::size_t i = first; i < last; ++i) {
        const std::size_t e = p + 12 + (i - first) * entry;
        std::copy(children[i].lastKey.begin(), children[i].lastKey.end(), bytes_.begin() + e);
        PutBe32(bytes_, e + keyLength, children[i].lastRecord);
        PutBe32(bytes_, e + keyLength + 4, children[i].offset);
      }
      refs.push_back({children[last - 1].lastKey, children[last - 1].lastRecord, at});
    }
    return refs;
  }

  std::uint32_t base_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// Eight bytes of a key from at as one big-endian number, zero-padded: comparing these
// orders keys as their bytes do, up to a tie.
std::uint64_t BytesAsNumber(const std::string& key, std::size_t at) {
  std::uint64_t value = 0;
  for (std::size_t i = at; i < at + 8; ++i) {
    value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  }
  return value;
}

}  // namespace

bool CdxKeyLess(const CdxKey& a, const CdxKey& b) {
  const int c = a.bytes.compare(b.bytes);  // std::string compares as unsigned char
  return c != 0 ? c < 0 : a.record < b.record;
}

void SortCdxKeys(std::vector<CdxKey>& keys) {
  if (std::is_sorted(keys.begin(), keys.end(), CdxKeyLess)) return;
  // A million keys sort in a fraction of the time when most comparisons are of numbers
  // side by side in memory rather than of two strings each behind a pointer. Thirty-two
  // bytes hold the whole of most keys.
  constexpr std::size_t kWords = 4;
  struct Entry {
    std::array<std::uint64_t, kWords> words;
    std::uint32_t record;
    std::uint32_t at;
  };
  std::vector<Entry> entries(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Entry& entry = entries[i];
    for (std::size_t w = 0; w < kWords; ++w) entry.words[w] = BytesAsNumber(keys[i].bytes, 8 * w);
    entry.record = keys[i].record;
    entry.at = static_cast<std::uint32_t>(i);
  }
  std::sort(entries.begin(), entries.end(), [&keys](const Entry& a, const Entry& b) {
    for (std::size_t w = 0; w < kWords; ++w) {
      if (a.words[w] != b.words[w]) return a.words[w] < b.words[w];
    }
    const std::string& left = keys[a.at].bytes;
    const std::string& right = keys[b.at].bytes;
    if (left.size() != right.size() || left.size() > 8 * kWords) {
      const int c = left.compare(right);
      if (c != 0) return c < 0;
    }
    return a.record < b.record;
  });
  std::vector<CdxKey> sorted;
  sorted.reserve(keys.size());
  for (const Entry& entry : entries) sorted.push_back(std::move(keys[entry.at]));
  keys.swap(sorted);
}

namespace {

constexpr std::uint16_t kTagNameLength = 10;

// A tag's entry in the tag list: its name upper case and blank-padded, pointing at its header.
CdxKey TagListEntry(std::string name, std::uint32_t header) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  name.resize(kTagNameLength, ' ');
  return {name, header};
}

// Checks a new tag's name and keys, and sorts its keys.
void PrepareTag(CdxTagContent& tag) {
  if (tag.name.empty() || tag.name.size() > kTagNameLength) {
    throw ado::Failure("The index tag name '" + tag.name + "' must have 1 to 10 characters.");
  }
  if (tag.keyLength == 0 || tag.keyLength > kCdxMaxKeyLength) {
    throw ado::Failure("The index tag " + tag.name + " has an impossible key length.");
  }
  for (const CdxKey& key : tag.keys) {
    if (key.bytes.size() != tag.keyLength) {
      throw ado::Failure("A key of index tag " + tag.name + " has " + std::to_string(key.bytes.size()) +
                         " bytes instead of " + std::to_string(tag.keyLength) + ".");
    }
  }
  SortCdxKeys(tag.keys);  // tags built from a table arrive sorted already
}

// Writes a tag's header and tree; returns its entry in the tag list.
CdxKey WriteTag(FileBuilder& file, const CdxTagContent& tag) {
  const std::uint32_t header = file.Allocate(kCdxHeaderSize);
  const std::uint32_t root = file.WriteTree(tag.keys, tag.keyLength, tag.fill);
  std::uint8_t options = kCdxCompact | kCdxCompound | tag.kindOptions;
  if (!tag.forExpression.empty()) options |= kCdxHasFor;
  file.WriteHeader(header, root, tag.keyLength, options, tag.keyExpression, tag.forExpression, tag.descending);
  return TagListEntry(tag.name, header);
}

// The tag list as one leaf page (for any place: a lone leaf points nowhere), or nothing
// when its keys need more than one page.
std::vector<std::uint8_t> TagListLeaf(std::vector<CdxKey> tagKeys) {
  std::sort(tagKeys.begin(), tagKeys.end(), CdxKeyLess);
  FileBuilder list;
  list.WriteTree(tagKeys, kTagNameLength, ' ');
  if (list.Bytes().size() != kCdxPageSize) return {};
  return std::move(list.Bytes());
}

}  // namespace

std::vector<std::uint8_t> CdxWriter::Build(std::vector<CdxTagContent> tags) {
  std::sort(tags.begin(), tags.end(), [](const CdxTagContent& a, const CdxTagContent& b) { return a.name < b.name; });
  for (CdxTagContent& tag : tags) PrepareTag(tag);
  FileBuilder file;
  const std::uint32_t listHeader = file.Allocate(kCdxHeaderSize);
  // With at most a handful of tags the tag list is one leaf, written right after its header.
  const std::uint32_t listLeafSlot = file.Allocate(kCdxPageSize);
  std::vector<CdxKey> tagKeys;
  for (const CdxTagContent& tag : tags) tagKeys.push_back(WriteTag(file, tag));
  const std::vector<std::uint8_t> leaf = TagListLeaf(std::move(tagKeys));
  if (leaf.empty()) throw ado::Failure("Too many index tags for one compound index.");
  std::copy(leaf.begin(), leaf.end(), file.Bytes().begin() + listLeafSlot);
  file.WriteHeader(listHeader, listLeafSlot, kTagNameLength, kCdxCompact | kCdxCompound | 0x80, "", "");
  return std::move(file.Bytes());
}

CdxAddition CdxWriter::AddTags(std::uint64_t indexSize, const std::vector<CdxTag>& kept,
                               std::vector<CdxTagContent> added) {
  for (CdxTagContent& tag : added) PrepareTag(tag);
  const std::uint64_t base = (indexSize + kCdxPageSize - 1) / kCdxPageSize * kCdxPageSize;
  if (indexSize < kCdxHeaderSize || base + kCdxPageSize > 0xFFFFFFFFu) {
    throw ado::Failure("An index file of " + std::to_string(indexSize) + " bytes cannot take more tags.");
  }
  FileBuilder file(static_cast<std::uint32_t>(base));
  std::vector<CdxKey> tagKeys;
  for (const CdxTag& tag : kept) tagKeys.push_back(TagListEntry(tag.name, tag.headerOffset));
  for (const CdxTagContent& tag : added) tagKeys.push_back(WriteTag(file, tag));
  const std::vector<std::uint8_t> leaf = TagListLeaf(std::move(tagKeys));
  if (leaf.empty()) throw ado::Failure("Too many index tags for one compound index.");
  const std::uint32_t listRoot = file.Allocate(kCdxPageSize);
  std::copy(leaf.begin(), leaf.end(), file.Bytes().end() - kCdxPageSize);
  return {base, std::move(file.Bytes()), listRoot};
}

}  // namespace foxpro
