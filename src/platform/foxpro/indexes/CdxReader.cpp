#include "platform/foxpro/indexes/CdxReader.h"

#include "platform/ado/Failure.h"

namespace foxpro {
namespace {

constexpr std::uint16_t kNodeRoot = 0x01;
constexpr std::uint16_t kNodeLeaf = 0x02;
constexpr std::uint32_t kLeafHeader = 24;  // bytes before the packed entries
constexpr std::uint32_t kInteriorHeader = 12;
constexpr std::uint32_t kBitmapStart = 16;  // a binary tag's leaf: bit n (low bit first) is record n
constexpr int kMaxDepth = 32;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint32_t Be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// An expression stored in the tag's pool: NUL-terminated, within the 512 pool bytes.
std::string PoolText(const std::vector<std::uint8_t>& header, std::uint16_t pos, std::uint16_t len) {
  if (len == 0 || pos >= 512) return {};
  std::string out;
  for (std::uint32_t i = pos; i < 512u && i < static_cast<std::uint32_t>(pos) + len; ++i) {
    const std::uint8_t c = header[512 + i];
    if (c == 0) break;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

CdxReader::CdxReader(File& file) : file_(file) {
  if (file_.Size() < kCdxHeaderSize + kCdxPageSize) Fail("it is too short for a compound index");
  const CdxTag list = ReadTagHeader(0, "");
  if ((list.options & kCdxCompound) == 0) Fail("its header does not describe a compound index");
  for (const CdxKey& key : Keys(list, ' ')) {
    std::string name = key.bytes;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    tags_.push_back(ReadTagHeader(key.record, name));
  }
}

const CdxTag* CdxReader::FindTag(std::string_view name) const {
  const std::string wanted = Upper(name);
  for (const CdxTag& tag : tags_) {
    if (Upper(tag.name) == wanted) return &tag;
  }
  return nullptr;
}

std::vector<CdxKey> CdxReader::Keys(const CdxTag& tag, char trailFill) const {
  const std::vector<std::uint8_t> header = Page(tag.headerOffset, kCdxPageSize);
  std::vector<CdxKey> out;
  std::unordered_set<std::uint32_t> visited;
  std::size_t counted = 0;
  Walk(Le32(&header[0]), tag.keyLength, trailFill, 0, visited, &out, counted);
  return out;
}

std::size_t CdxReader::KeyCount(const CdxTag& tag) const {
  const std::vector<std::uint8_t> header = Page(tag.headerOffset, kCdxPageSize);
  std::unordered_set<std::uint32_t> visited;
  std::size_t counted = 0;
  Walk(Le32(&header[0]), tag.keyLength, ' ', 0, visited, nullptr, counted);
  return counted;
}

CdxTag CdxReader::ReadTagHeader(std::uint32_t offset, const std::string& name) const {
  const std::vector<std::uint8_t> header = Page(offset, kCdxHeaderSize);
  CdxTag tag;
  tag.name = name;
  tag.headerOffset = offset;
  tag.keyLength = Le16(&header[12]);
  tag.options = header[14];
  // 502: 1 = descending; 504/506: FOR position and length; 508/510: key position and length.
  tag.binary = header[15] == kCdxBinarySignature;
  tag.descending = Le16(&header[502]) != 0;
  tag.forExpression = PoolText(header, Le16(&header[504]), Le16(&header[506]));
  tag.keyExpression = PoolText(header, Le16(&header[508]), Le16(&header[510]));
  if (tag.keyLength == 0 || tag.keyLength > kCdxMaxKeyLength) {
    Fail("tag '" + name + "' has key length " + std::to_string(tag.keyLength));
  }
  return tag;
}

void CdxReader::Walk(std::uint32_t node, std::uint16_t keyLength, char trailFill, int depth,
                     std::unordered_set<std::uint32_t>& visited, std::vector<CdxKey>* out, std::size_t& counted) const {
  if (depth > kMaxDepth) Fail("its tree is deeper than " + std::to_string(kMaxDepth) + " levels");
  if (!visited.insert(node).second) Fail("node " + std::to_string(node) + " is reached twice");
  const std::vector<std::uint8_t> page = Page(node, kCdxPageSize);
  const std::uint16_t attributes = Le16(&page[0]);
  const std::uint16_t count = Le16(&page[2]);

  if ((attributes & kNodeLeaf) == 0) {
    const std::uint32_t entry = keyLength + 8u;
    if (kInteriorHeader + count * entry > kCdxPageSize) {
      Fail("interior node " + std::to_string(node) + " claims " + std::to_string(count) + " keys");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* e = &page[kInteriorHeader + i * entry];
      Walk(Be32(e + keyLength + 4), keyLength, trailFill, depth + 1, visited, out, counted);
    }
    return;
  }

  // Leaf: 12 free space, 14 record mask, 18/19 duplicate/trail masks, 20-22 bit counts,
  // 23 bytes per packed entry; entries grow from byte 24, key bytes from the end down.
  const unsigned recordBits = page[20], dupBits = page[21], trailBits = page[22], width = page[23];
  // No entry layout at all: VFP wrote the records whose logical key is .T. as a bitmap (a
  // BINARY tag, such as one on .NOT.DELETED() where every record holds the same key).
  if (width == 0 && dupBits == 0 && trailBits == 0) {
    if (keyLength != 1 || count > (kCdxPageSize - kBitmapStart) * 8u) {
      Fail("leaf " + std::to_string(node) + " holds a record bitmap that does not fit it");
    }
    for (std::uint32_t record = 1; record < count; ++record) {
      if ((page[kBitmapStart + record / 8] & (1u << (record % 8))) == 0) continue;
      ++counted;
      if (out != nullptr) out->push_back({"T", record});
    }
    return;
  }
  if (width == 0 || width > 8 || recordBits > 32 || dupBits > 16 || trailBits > 16 ||
      recordBits + dupBits + trailBits > width * 8u) {
    Fail("leaf " + std::to_string(node) + " has a bad entry layout");
  }
  const std::uint32_t entriesEnd = kLeafHeader + static_cast<std::uint32_t>(count) * width;
  if (entriesEnd > kCdxPageSize) {
    Fail("leaf " + std::to_string(node) + " claims " + std::to_string(count) + " keys");
  }
  counted += count;
  if (out == nullptr) return;
  const std::uint64_t recordMask = recordBits == 0 ? 0 : (~std::uint64_t{0} >> (64 - recordBits));
  const std::uint64_t dupMask = (std::uint64_t{1} << dupBits) - 1;
  const std::uint64_t trailMask = (std::uint64_t{1} << trailBits) - 1;
  std::uint32_t keyEnd = kCdxPageSize;
  std::string previous;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t packed = 0;
    for (unsigned b = 0; b < width; ++b) {
      packed |= static_cast<std::uint64_t>(page[kLeafHeader + i * width + b]) << (8 * b);
    }
    const unsigned total = width * 8u;
    // Trail count in the top bits, duplicate count below it, record number at the bottom.
    const std::uint32_t trail =
        trailBits == 0 ? 0 : static_cast<std::uint32_t>((packed >> (total - trailBits)) & trailMask);
    const std::uint32_t dup =
        dupBits == 0 ? 0 : static_cast<std::uint32_t>((packed >> (total - trailBits - dupBits)) & dupMask);
    if (dup + trail > keyLength || dup > previous.size()) {
      Fail("leaf " + std::to_string(node) + " key " + std::to_string(i + 1) + " has bad compression counts");
    }
    const std::uint32_t stored = keyLength - dup - trail;
    if (keyEnd < entriesEnd + stored) {
      Fail("leaf " + std::to_string(node) + " key " + std::to_string(i + 1) + " overlaps the entries");
    }
    keyEnd -= stored;
    CdxKey key;
    key.record = static_cast<std::uint32_t>(packed & recordMask);
    key.bytes.reserve(keyLength);
    key.bytes.append(previous, 0, dup);
    key.bytes.append(reinterpret_cast<const char*>(&page[keyEnd]), stored);
    key.bytes.append(trail, trailFill);
    previous = key.bytes;
    out->push_back(std::move(key));
  }
}

std::vector<std::uint8_t> CdxReader::Page(std::uint32_t offset, std::uint32_t size) const {
  if (static_cast<std::uint64_t>(offset) + size > file_.Size()) {
    Fail("it refers to offset " + std::to_string(offset) + " past its end");
  }
  std::vector<std::uint8_t> page(size);
  if (file_.ReadAt(offset, page.data(), size) != size) {
    Fail("offset " + std::to_string(offset) + " could not be read");
  }
  return page;
}

void CdxReader::Fail(const std::string& what) const {
  throw ado::Failure("The index file '" + file_.Path() + "' is damaged: " + what + ".");
}

}  // namespace foxpro
