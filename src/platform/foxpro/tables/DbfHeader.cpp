#include "platform/foxpro/tables/DbfHeader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/FieldTypes.h"

namespace foxpro {
namespace {

constexpr std::size_t kBacklinkLength = 263;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

[[noreturn]] void Damaged(const File& file, const std::string& problem) {
  throw ado::Failure("Table " + file.Path() + " is damaged: " + problem + ".");
}

bool KnownVersion(std::uint8_t v) {
  switch (v) {
    case 0x03:
    case 0x04:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x83:
    case 0x8B:
    case 0xCB:
    case 0xF5:
    case 0xFB:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::vector<DbfField> DbfHeader::VisibleFields() const {
  std::vector<DbfField> visible;
  visible.reserve(fields.size());
  for (const auto& f : fields) {
    if (!f.IsSystem()) visible.push_back(f);
  }
  return visible;
}

bool DbfHeader::HasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(), [](const DbfField& f) { return IsMemoType(f.type); });
}

void AssignNullBits(std::vector<DbfField>& fields) {
  int bit = 0;
  for (auto& f : fields) {
    f.nullBit = -1;
    f.lengthBit = -1;
    if (f.IsSystem()) continue;
    if (IsVaryingType(f.type)) f.lengthBit = bit++;
    if (f.flags & kFieldNullable) f.nullBit = bit++;
  }
}

void ThrowUncountedRecords(const File& file, const DbfHeader& header) {
  Damaged(file, "the header counts " + std::to_string(header.recordCount) + " records but the file holds " +
                    std::to_string(std::uint64_t{header.recordCount} + header.uncountedRecords));
}

DbfHeader ReadDbfHeader(File& file, UncountedRecords allowed) {
  const std::uint64_t fileSize = file.Size();
  std::uint8_t head[32];
  if (fileSize < 32 || file.ReadAt(0, head, 32) != 32) Damaged(file, "the file is too short for a table header");
  DbfHeader h;
  h.version = head[0];
  if (!KnownVersion(h.version)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", h.version);
    throw ado::Failure("File " + file.Path() + " is not a table (unknown version byte " + hex + ").");
  }
  h.updateYear = head[1];
  h.updateMonth = head[2];
  h.updateDay = head[3];
  h.recordCount = Le32(head + 4);
  h.headerLength = Le16(head + 8);
  h.recordLength = Le16(head + 10);
  h.tableFlags = head[28];
  h.codePageMark = head[29];
  const bool vfp = IsVfpVersion(h.version);

  if (h.headerLength < 33 + 32 || h.headerLength > fileSize)
    Damaged(file, "the header length " + std::to_string(h.headerLength) + " is impossible for a file of " +
                      std::to_string(fileSize) + " bytes");
  if (h.recordLength < 2) Damaged(file, "the record length " + std::to_string(h.recordLength) + " is impossible");

  std::vector<std::uint8_t> bytes(h.headerLength);
  if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) Damaged(file, "the header is cut short");

  std::size_t pos = 32;
  int offset = 1;
  while (pos + 32 <= bytes.size() && bytes[pos] != 0x0D && bytes[pos] != 0x00) {
    const std::uint8_t* d = bytes.data() + pos;
    DbfField f;
    std::size_t nameLength = 0;
    while (nameLength < 11 && d[nameLength] != 0) ++nameLength;
    f.name.assign(reinterpret_cast<const char*>(d), nameLength);
    f.type = static_cast<char>(d[11]);
    f.length = d[16];
    f.decimals = d[17];
    // Clipper and FoxPro 2 keep the high byte of a long C field's length in the decimals byte.
    if (f.type == 'C' && !vfp) {
      f.length += f.decimals * 256;
      f.decimals = 0;
    }
    f.flags = vfp ? d[18] : 0;
    if (vfp) {
      f.autoIncrementNext = Le32(d + 19);
      f.autoIncrementStep = d[23];
    }
    if (f.length <= 0) Damaged(file, "field " + f.name + " has length 0");
    f.offset = offset;
    offset += f.length;
    h.fields.push_back(std::move(f));
    pos += 32;
  }
  if (h.fields.empty()) Damaged(file, "the header describes no fields");
  // Without the terminator the header length is wrong, and every record would be read shifted.
  if (pos >= bytes.size() || (bytes[pos] != 0x0D && bytes[pos] != 0x00))
    Damaged(file,
            "the field descriptors have no terminator inside the header length " + std::to_string(h.headerLength));
  if (offset > h.recordLength)
    Damaged(file,
            "the fields need " + std::to_string(offset) + " bytes but a record has " + std::to_string(h.recordLength));

  if (vfp && pos < bytes.size() && bytes[pos] == 0x0D && pos + 1 + kBacklinkLength <= bytes.size()) {
    const char* link = reinterpret_cast<const char*>(bytes.data() + pos + 1);
    h.backlink.assign(link, strnlen(link, kBacklinkLength));
  }

  for (auto& f : h.fields) {
    if (f.type == '0') {
      h.nullFlagsOffset = f.offset;
      h.nullFlagsLength = f.length;
      f.flags |= kFieldSystem;
    }
  }
  if (h.nullFlagsOffset >= 0) {
    AssignNullBits(h.fields);
    // Bits past the end of _NullFlags cannot be read; such a field is treated as never NULL.
    for (auto& f : h.fields) {
      if (f.nullBit >= h.nullFlagsLength * 8) f.nullBit = -1;
      if (f.lengthBit >= h.nullFlagsLength * 8) f.lengthBit = -1;
    }
  } else {
    // Some tools set the nullable flag without writing _NullFlags: there is nothing to read.
    for (auto& f : h.fields) f.nullBit = f.lengthBit = -1;
  }

  const std::uint64_t needed =
      std::uint64_t{h.headerLength} + std::uint64_t{h.recordCount} * std::uint64_t{h.recordLength};
  if (needed > fileSize) {
    std::uint64_t present = (fileSize - h.headerLength) / h.recordLength;
    Damaged(file, "the header counts " + std::to_string(h.recordCount) + " records but the file holds only " +
                      std::to_string(present));
  }
  h.uncountedRecords = static_cast<std::uint32_t>(
      std::min<std::uint64_t>((fileSize - needed) / h.recordLength, UINT32_MAX - std::uint64_t{h.recordCount}));
  if (allowed == UncountedRecords::AtMostOne && h.uncountedRecords > 1) ThrowUncountedRecords(file, h);
  return h;
}

std::vector<std::uint8_t> WriteDbfHeader(const DbfHeader& h) {
  const bool vfp = IsVfpVersion(h.version);
  std::size_t length = 32 + 32 * h.fields.size() + 1 + (vfp ? kBacklinkLength : 0);
  std::vector<std::uint8_t> out(length, 0);
  out[0] = h.version;
  out[1] = static_cast<std::uint8_t>(h.updateYear);
  out[2] = static_cast<std::uint8_t>(h.updateMonth);
  out[3] = static_cast<std::uint8_t>(h.updateDay);
  PutLe32(&out[4], h.recordCount);
  PutLe16(&out[8], static_cast<std::uint32_t>(length));
  PutLe16(&out[10], h.recordLength);
  out[28] = h.tableFlags;
  out[29] = h.codePageMark;
  std::size_t pos = 32;
  for (const auto& f : h.fields) {
    std::uint8_t* d = &out[pos];
    std::memcpy(d, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
    d[11] = static_cast<std::uint8_t>(f.type);
    PutLe32(d + 12, static_cast<std::uint32_t>(f.offset));
    d[16] = static_cast<std::uint8_t>(f.length);
    d[17] = static_cast<std::uint8_t>(f.decimals);
    d[18] = f.flags;
    PutLe32(d + 19, f.autoIncrementNext);
    d[23] = f.autoIncrementStep;
    pos += 32;
  }
  out[pos] = 0x0D;
  if (vfp) std::memcpy(&out[pos + 1], h.backlink.data(), std::min(h.backlink.size(), kBacklinkLength - 1));
  return out;
}

}  // namespace foxpro
