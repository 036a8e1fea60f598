#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

/// An index key expression compiled against a table's fields. Accepted: one field of any
/// type (C, V, N, F, I, B, Y, D, T, L), or character terms joined with '+', a term being a
/// character field, UPPER/LOWER/ALLTRIM/LTRIM/RTRIM/TRIM of a character term, or STR of a
/// numeric field. Keys come out as Visual FoxPro's MACHINE collation stores them, so that
/// comparing key bytes orders records the way FoxPro orders them.
class CdxKeyExpression {
 public:
  /// Throws ado::Failure naming the expression when it is none of the forms above. The text
  /// may come from an index file: its length and nesting are bounded before anything else.
  /// A name matches a field by its stored name or, for a container's long names, by its
  /// first ten characters.
  static CdxKeyExpression Parse(std::string_view text, const DbfHeader& header);

  const std::string& Text() const { return text_; }
  /// Bytes per key, the NULL marker included.
  std::uint16_t KeyLength() const { return keyLength_; }
  /// Some field of the expression allows NULL: every key starts with a marker byte.
  bool Nullable() const { return nullable_; }
  bool IsCharacter() const { return resultType_ == 'C'; }
  /// The byte that pads keys (trailing compression stands for it).
  char Fill() const { return IsCharacter() ? ' ' : '\0'; }

  /// The key of a record as stored in the table (deletion flag first).
  void Key(const std::uint8_t* record, std::string& out) const;
  /// A key as a person reads it: the text, the number, the date, .T./.F. or NULL.
  std::string Describe(std::string_view key) const;

 private:
  enum class Op { Field, Upper, Lower, LeftTrim, Same, Str, Concat };
  struct Node {
    Op op = Op::Field;
    int field = -1;  // index into fields_ for Field and Str
    std::vector<int> children;
    int width = 0;  // result width of a character node
  };
  class Parser;

  // Appends the node's character value; false when it is NULL.
  bool Character(int node, const std::uint8_t* record, std::string& out) const;
  bool IsNull(const DbfField& field, const std::uint8_t* record) const;

  std::string text_;
  std::vector<DbfField> fields_;
  int nullFlagsOffset_ = -1;
  int codePage_ = 1252;  // UPPER and LOWER know the accented letters of 1252
  std::vector<Node> nodes_;
  int root_ = -1;
  char resultType_ = 'C';  // C, or the type letter of the one non-character field
  std::uint16_t keyLength_ = 0;
  bool nullable_ = false;
};

/// MACHINE key of a number (N, F, B, Y, D as Julian day, T as day fraction): the IEEE double,
/// big-endian, sign bit flipped for positive values and every bit for negative ones.
std::string CdxDoubleKey(double value);
/// MACHINE key of an integer field: big-endian with the sign bit flipped.
std::string CdxIntegerKey(std::int32_t value);
double CdxDoubleOfKey(std::string_view key);

}  // namespace foxpro
