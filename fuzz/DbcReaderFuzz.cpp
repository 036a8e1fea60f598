// Container reader fuzz target. Input: 4-byte LE length of the .dbc part, 4-byte LE length of
// the .dct part, then the .dbc, .dct and .dcx bytes. Failures (exceptions) are expected;
// crashes, sanitizer reports and an index that does not read back as built are not.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/indexes/CdxWriter.h"

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void ReadIndex(foxpro::MemoryFileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, foxpro::OpenMode::Read);
  foxpro::CdxReader reader(*file);
  for (const foxpro::CdxTag& tag : reader.Tags()) reader.Keys(tag);
}

void ReadContainer(foxpro::MemoryFileSystem& fs) {
  foxpro::DbcCatalog catalog("/db/fuzz.dbc", fs);
  for (const foxpro::CatalogEntry& entry : catalog.Entries()) {
    try {
      catalog.Resolve(entry.name);
    } catch (const std::exception&) {
      continue;  // a missing or damaged table file is an expected failure
    }
  }
  // The index built from these records must read back with exactly their keys.
  auto tags = foxpro::DbcIndex::Tags(catalog.Table().Objects(), catalog.Table().CodePage());
  fs.Put("/db/rebuilt.dcx", foxpro::CdxWriter::Build(tags));
  auto file = fs.Open("/db/rebuilt.dcx", foxpro::OpenMode::Read);
  foxpro::CdxReader reader(*file);
  for (foxpro::CdxTagContent& expected : tags) {
    std::sort(expected.keys.begin(), expected.keys.end(), [](const foxpro::CdxKey& a, const foxpro::CdxKey& b) {
      return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
    });
    const foxpro::CdxTag* tag = reader.FindTag(expected.name);
    if (tag == nullptr || reader.Keys(*tag) != expected.keys) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const std::size_t dbcLength = std::min<std::size_t>(Le32(data), size - 8);
  const std::size_t dctLength = std::min<std::size_t>(Le32(data + 4), size - 8 - dbcLength);
  const std::uint8_t* dbc = data + 8;
  const std::uint8_t* dct = dbc + dbcLength;
  const std::uint8_t* dcx = dct + dctLength;
  foxpro::MemoryFileSystem fs;
  fs.Put("/db/fuzz.dbc", std::vector<std::uint8_t>(dbc, dbc + dbcLength));
  fs.Put("/db/FUZZ.DCT", std::vector<std::uint8_t>(dct, dct + dctLength));
  fs.Put("/db/fuzz.dcx", std::vector<std::uint8_t>(dcx, data + size));
  try {
    ReadContainer(fs);
  } catch (const std::exception&) {
    // expected for damaged input; the index part is still read below
  }
  try {
    ReadIndex(fs, "/db/fuzz.dcx");
  } catch (const std::exception&) {
    return 0;
  }
  return 0;
}
