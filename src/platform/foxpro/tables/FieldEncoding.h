#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/Value.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

class TextCodec;

/// What a record needs besides its field bytes: the _NullFlags bits, and the memo values that
/// are stored before the record points at them.
struct RecordExtras {
  std::vector<std::uint8_t> nullFlags;
  std::vector<std::pair<const DbfField*, std::string>> memos;

  void Reset(int nullFlagsLength) {
    nullFlags.assign(static_cast<std::size_t>(std::max(nullFlagsLength, 0)), 0);
    memos.clear();
  }
};

/// Encodes typed values into the bytes of a table's fields. Each type takes the value kinds that
/// hold it without loss: C/V/M text (in the table's code page), Q/W/G and binary fields bytes,
/// N/F decimals, whole and floating numbers, I whole numbers, B doubles, Y currency, D/T dates
/// and times, L true/false. A value the field cannot hold is refused with an ado::Failure that
/// names the field and the value; nothing is written to a file here.
class FieldEncoder {
 public:
  explicit FieldEncoder(std::shared_ptr<const TextCodec> codec);

  /// Writes value into field's bytes of record. Null sets the field's null bit (the field must
  /// allow NULL). Failures name the field and the value; the caller knows which row it is.
  void Encode(const DbfField& field, const ado::Value& value, std::uint8_t* record, RecordExtras& extras) const;
  /// The blank a field holds when no value was given: spaces, zeros for binary numbers and times.
  static void Blank(const DbfField& field, std::uint8_t* record);
  int CodePage() const;

 private:
  std::string Text(const DbfField& field, const ado::Value& value) const;

  std::shared_ptr<const TextCodec> codec_;
};

/// A value named in a failure text: its text cut to a readable length, bytes in hex.
std::string DescribeValue(const ado::Value& value);

void PutLe32(std::uint8_t* p, std::uint32_t v);
void PutLe64(std::uint8_t* p, std::uint64_t v);

}  // namespace foxpro
