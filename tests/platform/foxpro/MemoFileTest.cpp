#include <gtest/gtest.h>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/MemoFile.h"

namespace foxpro::test {
namespace {

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

TEST(MemoFile, ValuesTakeWholeBlocksAfterTheHeader) {
  MemoryFileSystem fs;
  MemoWriter::Create(fs, "m.fpt", 64);
  MemoWriter writer(fs.Open("m.fpt", OpenMode::ReadWrite));
  EXPECT_EQ(writer.Append(kMemoText, "", 0), 0u);  // empty values take no block
  EXPECT_EQ(writer.Append(kMemoText, "abc", 3), 8u);
  const std::string big(120, 'z');  // 8 + 120 bytes: two blocks
  EXPECT_EQ(writer.Append(kMemoObject, big.data(), big.size()), 9u);
  EXPECT_EQ(writer.Append(kMemoText, "x", 1), 11u);
  const auto& bytes = fs.Bytes("m.fpt");
  EXPECT_EQ(Be32(bytes, 0), 12u);
  EXPECT_EQ(bytes.size(), 12u * 64);
  EXPECT_EQ(Be32(bytes, 9 * 64), kMemoObject);
  EXPECT_EQ(Be32(bytes, 9 * 64 + 4), 120u);

  MemoReader reader(fs.Open("m.fpt", OpenMode::Read), MemoKind::Fpt);
  std::string value;
  reader.Read(9, value);
  EXPECT_EQ(value, big);
  reader.Read(11, value);
  EXPECT_EQ(value, "x");
}

TEST(MemoFile, BlockSizeOneStartsAfterTheHeaderAndPacksValues) {
  MemoryFileSystem fs;
  MemoWriter::Create(fs, "m.fpt", 1);
  MemoWriter writer(fs.Open("m.fpt", OpenMode::ReadWrite));
  EXPECT_EQ(writer.Append(kMemoText, "hello", 5), 512u);
  EXPECT_EQ(writer.Append(kMemoText, "hi", 2), 512u + 13);
  MemoReader reader(fs.Open("m.fpt", OpenMode::Read), MemoKind::Fpt);
  EXPECT_EQ(reader.BlockSize(), 1u);
  std::string value;
  reader.Read(525, value);
  EXPECT_EQ(value, "hi");
}

TEST(MemoFile, AReopenedWriterContinuesAtTheNextFreeBlock) {
  MemoryFileSystem fs;
  MemoWriter::Create(fs, "m.fpt", 512);
  {
    MemoWriter writer(fs.Open("m.fpt", OpenMode::ReadWrite));
    EXPECT_EQ(writer.Append(kMemoText, "a", 1), 1u);
  }
  MemoWriter writer(fs.Open("m.fpt", OpenMode::ReadWrite));
  EXPECT_EQ(writer.Append(kMemoText, "b", 1), 2u);
}

TEST(MemoFile, DbaseMemosEndAtTheirMarkerOrLength) {
  MemoryFileSystem fs;
  std::vector<std::uint8_t> dbt3(512 * 3, 0);
  const std::string text = std::string(600, 'q') + "\x1A\x1A";  // runs over a block boundary
  std::copy(text.begin(), text.end(), dbt3.begin() + 512);
  fs.Put("a.dbt", dbt3);
  MemoReader three(fs.Open("a.dbt", OpenMode::Read), MemoKind::Dbase3);
  std::string value;
  three.Read(1, value);
  EXPECT_EQ(value, std::string(600, 'q'));

  std::vector<std::uint8_t> dbt4(1024, 0);
  dbt4[20] = 0x00;
  dbt4[21] = 0x02;  // block size 512, little-endian
  const std::uint8_t head[] = {0xFF, 0xFF, 0x08, 0x00, 13, 0, 0, 0};
  std::copy(std::begin(head), std::end(head), dbt4.begin() + 512);
  std::copy_n("hello", 5, dbt4.begin() + 520);
  fs.Put("b.dbt", dbt4);
  MemoReader four(fs.Open("b.dbt", OpenMode::Read), MemoKind::Dbase4);
  four.Read(1, value);
  EXPECT_EQ(value, "hello");
}

TEST(MemoFile, ATooLargeMemoFileIsRefused) {
  MemoryFileSystem fs;
  MemoWriter::Create(fs, "m.fpt", 64);
  auto bytes = fs.Bytes("m.fpt");
  bytes[0] = 0x02;  // next free block 2^25: 2 GB in with 64-byte blocks
  fs.Put("m.fpt", bytes);
  MemoWriter writer(fs.Open("m.fpt", OpenMode::ReadWrite));
  const std::string value(1 << 10, 'v');
  EXPECT_THROW(writer.Append(kMemoText, value.data(), value.size()), ado::Failure);
  EXPECT_THROW(MemoWriter::Create(fs, "n.fpt", 0), ado::Failure);
}

}  // namespace
}  // namespace foxpro::test
