// Feeds arbitrary text to the index key expression parser (tag headers are outside input),
// and every expression it accepts to the key builder and the key describer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/indexes/CdxKeyExpression.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace {

// A header with a field of every key type, NULL-able ones among them.
foxpro::DbfHeader Header() {
  foxpro::DbfHeader header;
  int offset = 1;
  const struct {
    const char* name;
    char type;
    int length;
    bool nullable;
  } fields[] = {{"NAME", 'C', 10, false}, {"CITY", 'V', 6, true}, {"AMOUNT", 'N', 8, false}, {"RATE", 'F', 6, true},
                {"ID", 'I', 4, false},    {"REAL", 'B', 8, true}, {"PRICE", 'Y', 8, false},  {"BORN", 'D', 8, true},
                {"SEEN", 'T', 8, false},  {"OK", 'L', 1, false},  {"NOTE", 'M', 4, false}};
  for (const auto& f : fields) {
    foxpro::DbfField field;
    field.name = f.name;
    field.type = f.type;
    field.length = f.length;
    field.offset = offset;
    field.flags = f.nullable ? 0x02 : 0;
    offset += f.length;
    header.fields.push_back(field);
  }
  foxpro::DbfField nulls;
  nulls.name = "_NullFlags";
  nulls.type = '0';
  nulls.length = 1;
  nulls.offset = offset;
  nulls.flags = 0x05;
  header.fields.push_back(nulls);
  foxpro::AssignNullBits(header.fields);
  header.nullFlagsOffset = offset;
  header.nullFlagsLength = 1;
  header.recordLength = static_cast<std::uint16_t>(offset + 1);
  header.codePageMark = 0x03;
  return header;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const foxpro::DbfHeader header = Header();
  // The first bytes make the record the key is built from; the rest is the expression.
  const std::size_t recordLength = header.recordLength;
  std::vector<std::uint8_t> record(recordLength, ' ');
  for (std::size_t i = 0; i < recordLength && i < size; ++i) record[i] = data[i];
  const std::size_t used = std::min(size, recordLength);
  const std::string_view text(reinterpret_cast<const char*>(data + used), size - used);
  try {
    const auto expression = foxpro::CdxKeyExpression::Parse(text, header);
    std::string key;
    expression.Key(record.data(), key);
    if (key.size() != expression.KeyLength()) __builtin_trap();
    expression.Describe(key);
    expression.Describe(std::string_view(key).substr(0, key.size() / 2));
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) __builtin_trap();
  }
  return 0;
}
