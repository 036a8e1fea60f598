// Feeds arbitrary statement texts to the reading of a value for a field and its encoding into
// record bytes: each must give bytes within the field or throw ado::Failure, never crash or
// write past the field. Input layout: the type letter, the width, the decimals, then the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldEncoding.h"
#include "platform/foxpro/tables/TextValues.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static constexpr std::string_view kTypes = "CVQNFIBYDTLMWG";
  static const auto codec = foxpro::TextCodec::ForCodePage(data[1] & 1 ? 932 : 1252);
  foxpro::DbfField field;
  field.name = "F";
  field.type = kTypes[data[0] % kTypes.size()];
  const bool fixed = std::string_view("IBYDT").find(field.type) != std::string_view::npos;
  field.length = field.type == 'I'                                                    ? 4
                 : fixed                                                              ? 8
                 : std::string_view("MWG").find(field.type) != std::string_view::npos ? 4
                                                                                      : 1 + data[1] % 254;
  field.decimals =
      field.type == 'N' || field.type == 'F' ? std::min<int>(data[2] % 19, std::max(field.length - 2, 0)) : 0;
  field.offset = 1;
  field.nullBit = data[2] & 0x80 ? 0 : -1;
  field.lengthBit = field.type == 'V' || field.type == 'Q' ? 1 : -1;
  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);

  // Guard bytes on both sides of the field catch a write past it.
  std::vector<std::uint8_t> record(static_cast<std::size_t>(field.length) + 2 + 16, 0xA5);
  foxpro::RecordExtras extras;
  extras.Reset(1);
  const foxpro::FieldEncoder encoder(codec);
  try {
    const ado::Value value = foxpro::ValueFromText(field, text);
    encoder.Encode(field, value, record.data(), extras, 1);
    encoder.Encode(field, ado::Decimal{text}, record.data(), extras, 1);
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) __builtin_trap();
  }
  if (record[0] != 0xA5 || record[static_cast<std::size_t>(field.length) + 1] != 0xA5) __builtin_trap();
  return 0;
}
