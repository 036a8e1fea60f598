// Feeds arbitrary bytes to the compound index reader as a table's structural index: the tag
// list, every tag's keys, the appender that loads them to keep them up to date, and a new
// tag added after them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace {

// A small free table whose header says it has a structural index, the same for every run.
std::vector<std::uint8_t> IndexedTable() {
  foxpro::MemoryFileSystem fs;
  foxpro::CreateVfpTable("t.dbf", {{"ID", 'I', 4}, {"NAME", 'C', 10}, {"BORN", 'D', 8, 0, true}, {"OK", 'L', 1}}, {},
                         fs);
  auto appender = foxpro::DbfAppender::Open("t.dbf", fs);
  appender->Append({"7", "seven", "2001-02-03", "T"});
  appender->Append({"-1", "minus", "", "F"});
  appender->Close();
  appender.reset();
  std::vector<std::uint8_t> bytes = fs.Bytes("t.dbf");
  bytes[28] |= 0x01;
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> table = IndexedTable();
  foxpro::MemoryFileSystem fs;
  fs.Put("t.cdx", std::vector<std::uint8_t>(data, data + size));
  fs.Put("t.dbf", table);
  try {
    auto file = fs.Open("t.cdx", foxpro::OpenMode::Read);
    foxpro::CdxReader reader(*file);
    for (const foxpro::CdxTag& tag : reader.Tags()) {
      reader.Keys(tag, '\0');
      reader.KeyCount(tag);
    }
  } catch (const ado::Failure& failure) {
    // Damaged input must end in a failure with a description; that is the expected outcome.
    if (failure.Description().empty()) __builtin_trap();
  }
  try {
    auto appender = foxpro::DbfAppender::Open("t.dbf", fs);
    appender->Append({"8", "eight", "1999-12-31", "T"});
    appender->Close();
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) __builtin_trap();
  }
  try {
    foxpro::CdxStructuralIndex::AddTag("t.dbf", {"added", "name", foxpro::IndexKind::Regular, false}, fs, 0);
    auto file = fs.Open("t.cdx", foxpro::OpenMode::Read);
    foxpro::CdxReader reader(*file);
    for (const foxpro::CdxTag& tag : reader.Tags()) reader.Keys(tag, '\0');
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) __builtin_trap();
  }
  return 0;
}
