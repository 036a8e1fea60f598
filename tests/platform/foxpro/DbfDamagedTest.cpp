// Damaged tables end in a failure that names the file and the problem, never in a crash or a
// read outside the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ado/Failure.h"
#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/MemoFile.h"

namespace foxpro::test {
namespace {

// A small table in memory: C(4), M; three rows with memos of 10, 100 and 0 bytes.
struct Sample {
  MemoryFileSystem fs;
  Sample() {
    CreateVfpTable("t.dbf", {{"C", 'C', 4}, {"M", 'M'}}, {}, fs);
    auto a = DbfAppender::Open("t.dbf", fs);
    a->Append({"a", std::string(10, 'x')});
    a->Append({"b", std::string(100, 'y')});
    a->Append({"c", ""});
  }
  std::vector<std::uint8_t> Dbf() const { return fs.Bytes("t.dbf"); }
  std::vector<std::uint8_t> Fpt() const { return fs.Bytes("t.fpt"); }
};

// Opens and reads every record; returns the failure text or "(read)".
std::string ReadAllRecords(MemoryFileSystem& fs, const std::string& path = "t.dbf") {
  try {
    auto reader = DbfReader::Open(path, fs);
    std::vector<ado::Value> row;
    bool deleted = false;
    while (reader->NextRecord(row, deleted)) {
    }
  } catch (const ado::Failure& failure) {
    return failure.what();
  }
  return "(read)";
}

void PutLe16(std::vector<std::uint8_t>& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(DbfDamaged, HeaderProblemsAreNamed) {
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* mentions;
  };
  const Case cases[] = {
      {"empty file", [](auto& b) { b.clear(); }, "too short"},
      {"cut inside the header", [](auto& b) { b.erase(b.begin() + 20, b.end()); }, "too short"},
      {"unknown version", [](auto& b) { b[0] = 0x07; }, "not a table"},
      {"header length past the end", [](auto& b) { PutLe16(b, 8, 60000); }, "header length 60000"},
      {"header length too small", [](auto& b) { PutLe16(b, 8, 10); }, "header length 10"},
      {"record length 0", [](auto& b) { PutLe16(b, 10, 0); }, "record length 0"},
      {"fields longer than the record", [](auto& b) { PutLe16(b, 10, 5); }, "fields need 9 bytes"},
      {"record count past the end", [](auto& b) { b[4] = 200; }, "counts 200 records but the file holds only 3"},
      {"last record cut short", [](auto& b) { b.erase(b.end() - 4, b.end()); },
       "counts 3 records but the file holds only 2"},
      {"count lowered by another program", [](auto& b) { b[4] = 1; }, "counts 1 records but the file holds 3"},
      {"header without its terminator", [](auto& b) { PutLe16(b, 8, 32 + 2 * 32); }, "no terminator"},
      {"no field descriptors", [](auto& b) { b[32] = 0x0D; }, "describes no fields"},
      {"field of length 0", [](auto& b) { b[32 + 16] = 0; }, "has length 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sample sample;
    auto bytes = sample.Dbf();
    c.damage(bytes);
    sample.fs.Put("t.dbf", bytes);
    std::string text = ReadAllRecords(sample.fs);
    EXPECT_NE(text.find("t.dbf"), std::string::npos) << text;
    EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
  }
}

TEST(DbfDamaged, MemoProblemsAreNamed) {
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&, std::vector<std::uint8_t>&)> damage;
    const char* mentions;
  };
  // Record 2's memo pointer sits at header length + record length + 1 + 4.
  auto pointerOf2 = [](const std::vector<std::uint8_t>& dbf) {
    return static_cast<std::size_t>((dbf[8] | (dbf[9] << 8)) + (dbf[10] | (dbf[11] << 8)) + 5);
  };
  const Case cases[] = {
      {"pointer past the end", [&](auto& dbf, auto&) { dbf[pointerOf2(dbf) + 2] = 0x10; }, "lies past its end"},
      {"length past the end", [](auto&, auto& fpt) { fpt[8 * 64 + 6] = 0x7F; }, "more than the file holds"},
      {"memo file cut", [](auto&, auto& fpt) { fpt.resize(520); }, "fpt"},
      {"block size 0", [](auto&, auto& fpt) { fpt[6] = fpt[7] = 0; }, "block size is 0"},
      {"pointer into the header", [&](auto& dbf, auto&) { dbf[pointerOf2(dbf)] = 3; }, "inside its header"},
      {"block size 1", [](auto&, auto& fpt) { fpt[7] = 1; }, "inside its header"},
      {"memo file empty", [](auto&, auto& fpt) { fpt.clear(); }, "too short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sample sample;
    auto dbf = sample.Dbf();
    auto fpt = sample.Fpt();
    c.damage(dbf, fpt);
    sample.fs.Put("t.dbf", dbf);
    sample.fs.Put("t.fpt", fpt);
    std::string text = ReadAllRecords(sample.fs);
    EXPECT_NE(text.find("t.fpt"), std::string::npos) << text;
    if (text.find("Table") == 0) {
      EXPECT_NE(text.find("t.dbf is damaged: field M of record"), std::string::npos) << text;
    }
    EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
  }
}

TEST(DbfDamaged, MissingFilesAreNamed) {
  Sample sample;
  sample.fs.Remove("t.fpt");
  EXPECT_EQ(ReadAllRecords(sample.fs), "Memo file t.fpt is missing or is invalid.");
  EXPECT_EQ(ReadAllRecords(sample.fs, "none.dbf"), "File none.dbf does not exist.");
}

TEST(DbfDamaged, ExtraBytesAfterTheCountedRecordsAreIgnored) {
  // What a writer killed between the record and the count leaves behind.
  Sample sample;
  auto bytes = sample.Dbf();
  bytes.pop_back();
  bytes.insert(bytes.end(), {' ', 'z', 'z', 'z', 'z', 0, 0, 0});
  sample.fs.Put("t.dbf", bytes);
  auto reader = DbfReader::Open("t.dbf", sample.fs);
  std::vector<ado::Value> row;
  int rows = 0;
  while (reader->Next(row)) ++rows;
  EXPECT_EQ(rows, 3);
}

TEST(DbfDamaged, AppendingToATableWithUncountedRecordsCutsNothing) {
  // Another program lowered the count from 3 to 1: appending at the count would overwrite
  // records 2 and 3 and cut the file after the new one.
  Sample sample;
  auto bytes = sample.Dbf();
  bytes[4] = 1;
  sample.fs.Put("t.dbf", bytes);
  try {
    DbfAppender::Open("t.dbf", sample.fs)->Append({"new", ""});
    ADD_FAILURE() << "appended";
  } catch (const ado::Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("counts 1 records but the file holds 3"), std::string::npos)
        << failure.what();
  }
  EXPECT_EQ(sample.Dbf(), bytes);
}

TEST(DbfDamaged, AppendingRefusesFieldsOfImpossibleSize) {
  // An autoincrement flag on a 1-byte integer once made the appender write past its record.
  Sample sample;
  auto bytes = sample.Dbf();
  bytes[32 + 11] = 'I';  // C(4) becomes I(4) with the autoincrement flag...
  bytes[32 + 18] = 0x0C;
  sample.fs.Put("t.dbf", bytes);
  EXPECT_NO_THROW(DbfAppender::Open("t.dbf", sample.fs));
  bytes[32 + 16] = 1;  // ...and then a 1-byte one; the rest of the record shifts
  PutLe16(bytes, 10, 6);
  sample.fs.Put("t.dbf", bytes);
  try {
    DbfAppender::Open("t.dbf", sample.fs);
    ADD_FAILURE() << "opened";
  } catch (const ado::Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("field C has the impossible length 1"), std::string::npos)
        << failure.what();
  }
}

// Inputs the fuzzer found crashing are kept beside its seeds as "regression-*"; each is
// replayed the way the fuzzer uses it: read every record, then append one row.
TEST(DbfDamaged, FuzzerFindsStayFixed) {
  const std::filesystem::path corpus = std::filesystem::path(TESSELBY_SOURCE_DIR) / "fuzz" / "corpus" / "dbf";
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (entry.path().filename().string().rfind("regression-", 0) != 0) continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<std::uint8_t> data(std::istreambuf_iterator<char>(in), {});
    ASSERT_GE(data.size(), 2u);
    const auto split = static_cast<std::ptrdiff_t>(std::min<std::size_t>(data[0] | (data[1] << 8), data.size() - 2));
    MemoryFileSystem fs;
    fs.Put("t.dbf", std::vector<std::uint8_t>(data.begin() + 2, data.begin() + 2 + split));
    fs.Put("t.fpt", std::vector<std::uint8_t>(data.begin() + 2 + split, data.end()));
    fs.SetSizeLimit(1 << 22);
    ReadAllRecords(fs);
    try {
      auto appender = DbfAppender::Open("t.dbf", fs);
      appender->Append(std::vector<std::string>(appender->Fields().size(), "1"));
    } catch (const ado::Failure& failure) {
      EXPECT_FALSE(std::string(failure.what()).empty());
    }
    ++replayed;
  }
  EXPECT_GE(replayed, 1);
}

}  // namespace
}  // namespace foxpro::test
