// Feeds arbitrary table and memo bytes to the table reader through in-memory files.
// Input layout: two bytes (LE) giving the table's length, the table bytes, then the memo bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/DbfReader.h"
#include "platform/foxpro/FileIo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::size_t tableLength = static_cast<std::size_t>(data[0] | (data[1] << 8));
  data += 2;
  size -= 2;
  if (tableLength > size) tableLength = size;
  std::vector<std::uint8_t> table(data, data + tableLength);
  std::vector<std::uint8_t> memo(data + tableLength, data + size);

  foxpro::MemoryFileSystem fs;
  fs.Put("t.dbf", table);
  fs.Put("t.fpt", memo);
  fs.Put("t.dbt", memo);
  fs.Put("t.dct", memo);
  fs.Put("t.dbc", table);  // a container reads its memos from .dct
  for (const char* name : {"t.dbf", "t.dbc"}) {
    try {
      auto reader = foxpro::DbfReader::Open(name, fs);
      std::vector<ado::Value> row;
      bool deleted = false;
      // Decoding stops at the first failure of a record: a damaged memo is reported, not skipped.
      while (reader->NextRecord(row, deleted)) {
      }
      if (reader->RecordCount() > 0) reader->ReadRecord(reader->RecordCount(), row);
    } catch (const ado::Failure& failure) {
      // Damaged input must end in a failure with a description; that is the expected outcome.
      if (failure.Description().empty()) __builtin_trap();
    }
  }
  return 0;
}
