#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/indexes/CdxWriter.h"

namespace foxpro {
namespace {

const std::string kData = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/";

std::vector<CdxKey> ReadTagKeys(const std::string& path, const std::string& tag) {
  auto file = DiskFileSystem().Open(path, OpenMode::Read);
  CdxReader reader(*file);
  const CdxTag* found = reader.FindTag(tag);
  if (found == nullptr) throw ado::Failure("no tag " + tag);
  return reader.Keys(*found);
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  auto file = DiskFileSystem().Open(path, OpenMode::Read);
  std::vector<std::uint8_t> bytes(file->Size());
  file->ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

CdxReader* OpenMemory(MemoryFileSystem& fs, std::unique_ptr<File>& file, std::unique_ptr<CdxReader>& reader,
                      std::vector<std::uint8_t> bytes) {
  fs.Put("x.cdx", std::move(bytes));
  file = fs.Open("x.cdx", OpenMode::Read);
  reader = std::make_unique<CdxReader>(*file);
  return reader.get();
}

std::string Key(int parent, const std::string& type, const std::string& name) {
  std::string id = std::to_string(parent);
  std::string key = std::string(10 - id.size(), ' ') + id + type;
  key.resize(20, ' ');
  key += name;
  key.resize(148, ' ');
  return key;
}

TEST(CdxReaderTest, ReadsTheTagsOfRealContainerIndexes) {
  for (const std::string& path : {kData + "northwind/northwind.dcx", kData + "vfp9-xsource-books/books.DCX",
                                  kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DCX"}) {
    auto file = DiskFileSystem().Open(path, OpenMode::Read);
    CdxReader reader(*file);
    ASSERT_EQ(reader.Tags().size(), 2u) << path;
    const CdxTag* name = reader.FindTag("objectname");
    const CdxTag* type = reader.FindTag("OBJECTTYPE");
    ASSERT_NE(name, nullptr);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(name->keyExpression, "STR(parentid)+objecttype+LOWER(objectname)");
    EXPECT_EQ(type->keyExpression, "STR(parentid)+objecttype");
    EXPECT_EQ(name->forExpression, ".NOT.DELETED()");
    EXPECT_EQ(name->keyLength, 148);
    EXPECT_EQ(type->keyLength, 20);
    EXPECT_FALSE(name->descending);
  }
}

TEST(CdxReaderTest, RealIndexKeysComeOutSortedAndComplete) {
  // Northwind's OBJECTNAME tag spans an interior root over leaves with 2- and 3-byte entries.
  const auto keys = ReadTagKeys(kData + "northwind/northwind.dcx", "OBJECTNAME");
  EXPECT_EQ(keys.size(), 274u);
  EXPECT_TRUE(
      std::is_sorted(keys.begin(), keys.end(), [](const CdxKey& a, const CdxKey& b) { return a.bytes < b.bytes; }));
  const auto types = ReadTagKeys(kData + "northwind/northwind.dcx", "OBJECTTYPE");
  EXPECT_EQ(types.size(), 274u);
  EXPECT_EQ(types.front().bytes, "         1Database  ");
  EXPECT_EQ(types.front().record, 1u);
}

TEST(CdxReaderTest, ABinaryTagGivesTheRecordsOfItsBitmap) {
  // VFP 9 wrote LOGICO as a BINARY tag: records 2-4 hold .T., record 1 .F.
  const auto keys = ReadTagKeys(kData + "foxbin2prg/fb2p_free.cdx", "LOGICO");
  EXPECT_EQ(keys, (std::vector<CdxKey>{{"T", 2}, {"T", 3}, {"T", 4}}));
}

TEST(CdxWriterTest, RebuiltRealIndexHasTheSameKeys) {
  for (const std::string& path : {kData + "northwind/northwind.dcx", kData + "vfp9-xsource-books/books.DCX",
                                  kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DCX"}) {
    auto file = DiskFileSystem().Open(path, OpenMode::Read);
    CdxReader original(*file);
    std::vector<CdxTagContent> tags;
    for (const CdxTag& tag : original.Tags()) {
      tags.push_back({tag.name, tag.keyExpression, tag.forExpression, tag.keyLength, original.Keys(tag)});
    }
    MemoryFileSystem fs;
    std::unique_ptr<File> rebuiltFile;
    std::unique_ptr<CdxReader> rebuilt;
    OpenMemory(fs, rebuiltFile, rebuilt, CdxWriter::Build(tags));
    ASSERT_EQ(rebuilt->Tags().size(), original.Tags().size());
    for (const CdxTag& tag : original.Tags()) {
      const CdxTag* again = rebuilt->FindTag(tag.name);
      ASSERT_NE(again, nullptr) << tag.name;
      EXPECT_EQ(again->keyExpression, tag.keyExpression);
      EXPECT_EQ(again->forExpression, tag.forExpression);
      EXPECT_EQ(again->options, tag.options) << tag.name;
      EXPECT_EQ(rebuilt->Keys(*again), original.Keys(tag)) << path << " " << tag.name;
    }
  }
}

TEST(CdxWriterTest, HeaderBytesMatchWhatVisualFoxProWrites) {
  const auto original = FileBytes(kData + "vfp9-xsource-books/books.DCX");
  auto file = DiskFileSystem().Open(kData + "vfp9-xsource-books/books.DCX", OpenMode::Read);
  CdxReader reader(*file);
  std::vector<CdxTagContent> tags;
  for (const CdxTag& tag : reader.Tags()) {
    tags.push_back({tag.name, tag.keyExpression, tag.forExpression, tag.keyLength, reader.Keys(tag)});
  }
  const auto rebuilt = CdxWriter::Build(tags);
  // The tag list header and leaf layout (but not the offsets it points at) and the
  // expression pools of the tag headers.
  EXPECT_TRUE(std::equal(original.begin() + 12, original.begin() + 0x400, rebuilt.begin() + 12));
  EXPECT_TRUE(std::equal(original.begin() + 0x40C, original.begin() + 0x418, rebuilt.begin() + 0x40C));
  EXPECT_TRUE(std::equal(original.begin() + 0x600 + 12, original.begin() + 0x600 + 16, rebuilt.begin() + 0x600 + 12));
  EXPECT_TRUE(std::equal(original.begin() + 0x600 + 500, original.begin() + 0xA00, rebuilt.begin() + 0x600 + 500));
}

TEST(CdxWriterTest, RoundTripsManyKeysThroughSeveralTreeLevels) {
  // 148-byte keys put three entries in an interior node, so 3000 keys need a deep tree;
  // duplicates of one key must keep record order.
  std::vector<CdxKey> keys;
  for (int i = 3000; i >= 1; --i) {
    keys.push_back(
        {Key(i % 97, i % 3 ? "Field" : "Table", "name_" + std::to_string(i % 500)), static_cast<std::uint32_t>(i)});
  }
  keys.push_back({std::string(148, ' '), 70000});  // all blank: only trail compression
  MemoryFileSystem fs;
  std::unique_ptr<File> file;
  std::unique_ptr<CdxReader> reader;
  OpenMemory(fs, file, reader, CdxWriter::Build({{"OBJECTNAME", "k", ".NOT.DELETED()", 148, keys}}));
  const auto back = reader->Keys(*reader->FindTag("OBJECTNAME"));
  std::sort(keys.begin(), keys.end(), [](const CdxKey& a, const CdxKey& b) {
    return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
  });
  EXPECT_EQ(back, keys);
}

TEST(CdxWriterTest, SortsKeysOfEveryLengthInMachineOrder) {
  // Lengths below, at and past the parts compared as numbers; bytes past 0x7F; many ties.
  for (const std::size_t length : {1u, 8u, 9u, 30u, 32u, 33u, 100u}) {
    std::vector<CdxKey> keys;
    std::uint32_t state = 12345;
    for (std::uint32_t record = 4000; record >= 1; --record) {
      std::string bytes(length, 'k');
      for (std::size_t i = 0; i < length; i += 7) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>((state >> 16) % 4 == 0 ? 0xE9 : 'a' + (state >> 20) % 3);
      }
      keys.push_back({bytes, record});
    }
    std::vector<CdxKey> expected = keys;
    std::stable_sort(expected.begin(), expected.end(), CdxKeyLess);
    SortCdxKeys(keys);
    EXPECT_EQ(keys, expected) << length;
  }
}

TEST(CdxWriterTest, EmptyTagAndWrongKeyLength) {
  MemoryFileSystem fs;
  std::unique_ptr<File> file;
  std::unique_ptr<CdxReader> reader;
  OpenMemory(fs, file, reader, CdxWriter::Build({{"EMPTY", "x", "", 20, {}}}));
  EXPECT_TRUE(reader->Keys(*reader->FindTag("empty")).empty());
  EXPECT_TRUE(reader->FindTag("EMPTY")->forExpression.empty());
  EXPECT_THROW(CdxWriter::Build({{"T", "x", "", 20, {{"short", 1}}}}), ado::Failure);
  EXPECT_THROW(CdxWriter::Build({{"ELEVENCHARS", "x", "", 20, {}}}), ado::Failure);
}

TEST(CdxReaderTest, DamagedFilesFailWithTheFileName) {
  auto good = FileBytes(kData + "vfp9-xsource-books/books.DCX");
  MemoryFileSystem fs;
  std::unique_ptr<File> file;
  std::unique_ptr<CdxReader> reader;
  auto expectFailure = [&](std::vector<std::uint8_t> bytes, bool atOpen) {
    try {
      OpenMemory(fs, file, reader, std::move(bytes));
      if (atOpen) FAIL() << "opened";
      for (const CdxTag& tag : reader->Tags()) reader->Keys(tag);
      FAIL() << "read";
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find("x.cdx"), std::string::npos);
    }
  };
  expectFailure(std::vector<std::uint8_t>(good.begin(), good.begin() + 1000), true);
  auto cycle = good;  // interior root whose first child is itself
  cycle[0xa00 + 12 + 148 + 4] = 0;
  cycle[0xa00 + 12 + 148 + 5] = 0;
  cycle[0xa00 + 12 + 148 + 6] = 0x0a;
  cycle[0xa00 + 12 + 148 + 7] = 0x00;
  expectFailure(cycle, false);
  auto counts = good;  // a leaf claiming more entries than fit
  counts[0x1600 + 2] = 0xff;
  counts[0x1600 + 3] = 0x0f;
  expectFailure(counts, false);
  auto pastEnd = good;  // tag header offset beyond the file
  pastEnd[0x5fe] = 0x7f;
  pastEnd[0x400 + 24] = 0xff;
  pastEnd[0x400 + 25] = 0xff;
  expectFailure(pastEnd, true);
}

}  // namespace
}  // namespace foxpro
