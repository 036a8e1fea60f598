// Feeds arbitrary table and memo bytes to the table reader, and then to the appender, through
// in-memory files. Input layout: two bytes (LE) giving the table's length, the table bytes,
// then the memo bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace {

// One record as read: its number, its raw bytes and its values rendered as text.
struct Record {
  std::uint32_t number = 0;
  std::vector<std::uint8_t> raw;
  std::vector<std::string> values;
  bool operator==(const Record&) const = default;
};

std::string Text(const ado::Value& value) {
  if (value.IsNull()) return "\x01NULL";
  if (value.Is<ado::Bytes>()) {
    const auto& bytes = value.As<ado::Bytes>();
    return std::string(bytes.begin(), bytes.end());
  }
  return ado::ValueToText(value);
}

// Every record of t.dbf that reads without a failure.
std::vector<Record> ReadableRecords(foxpro::MemoryFileSystem& fs) {
  std::vector<Record> records;
  try {
    auto reader = foxpro::DbfReader::Open("t.dbf", fs);
    std::vector<ado::Value> row;
    for (std::uint32_t n = 1; n <= reader->RecordCount(); ++n) {
      try {
        reader->ReadRecord(n, row);
      } catch (const ado::Failure&) {
        continue;
      }
      Record record{n, reader->RawRecord(n), {}};
      for (const auto& value : row) record.values.push_back(Text(value));
      records.push_back(std::move(record));
    }
  } catch (const ado::Failure&) {
  }
  return records;
}

}  // namespace

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

  // Appending to whatever the bytes describe must either fail cleanly or leave a table that
  // opens with the new count, and every record readable before must read the same after it.
  // The size limit keeps a wild memo block number from growing an in-memory file to gigabytes.
  fs.SetSizeLimit(1 << 22);
  const std::vector<Record> before = ReadableRecords(fs);
  static const char* const kTexts[] = {"", "1", "-2.5", "T", "2024-02-29", "2024-02-29 10:11:12", "abc", "\xC3\xA9"};
  try {
    auto appender = foxpro::DbfAppender::Open("t.dbf", fs);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < appender->Fields().size(); ++i) texts.push_back(kTexts[(size + i) % 8]);
    std::uint32_t count = appender->RecordCount();
    try {
      appender->Append(texts);
      ++count;
    } catch (const ado::Failure& failure) {
      if (failure.Description().empty()) __builtin_trap();
    }
    appender->Close();
    appender.reset();
    if (foxpro::DbfReader::Open("t.dbf", fs)->RecordCount() != count) __builtin_trap();
    const std::vector<Record> after = ReadableRecords(fs);
    for (const Record& record : before) {
      const bool kept = std::any_of(after.begin(), after.end(), [&](const Record& a) { return a == record; });
      if (!kept) __builtin_trap();
    }
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) __builtin_trap();
  }
  return 0;
}
