#pragma once

#include <cstdint>

namespace foxpro {

// Field flag bits (descriptor byte 18).
inline constexpr std::uint8_t kFieldSystem = 0x01;
inline constexpr std::uint8_t kFieldNullable = 0x02;
inline constexpr std::uint8_t kFieldBinary = 0x04;
inline constexpr std::uint8_t kFieldAutoIncrement = 0x08;

// Table flag bits (header byte 28).
inline constexpr std::uint8_t kTableHasCdx = 0x01;
inline constexpr std::uint8_t kTableHasMemo = 0x02;
inline constexpr std::uint8_t kTableIsDatabase = 0x04;

/// True for the Visual FoxPro version bytes 0x30, 0x31, 0x32.
bool IsVfpVersion(std::uint8_t version);
/// True when a table of this version keeps memos in a .dbt (dBase) rather than an .fpt.
bool UsesDbtMemo(std::uint8_t version);

/// What a field type letter means, one row a letter: the questions the engine and the
/// transfers ask of a type.
struct FieldType {
  char letter;
  int recordLength;    // bytes in the record when the width is not declared (0: declared)
  bool declaredWidth;  // CREATE TABLE gives its width: C(10), N(8,2) (C V Q N F)
  bool text;           // characters in the table's code page, NOCPTRANS keeps them as bytes (C V M)
  bool character;      // characters in the record itself, which keys compare as text (C V)
  bool numeric;        // a number in the record itself (N F I B Y)
  bool memo;           // the record holds a memo block pointer (M G W P)
  bool varying;        // its length is kept in the _NullFlags (V Q)
  bool indexable;      // an index key can be made of it alone (C V N F I B Y D T L)
  int adoType;         // what the VFP OLE DB provider reports for it
  int adoBinaryType;   // the same with the binary (NOCPTRANS) flag
};

/// The row for a type letter; nullptr for a letter Visual FoxPro does not have.
const FieldType* FindFieldType(char letter);

/// ADO type code the VFP OLE DB provider reports for a field of this type and flags.
int AdoTypeFor(char type, std::uint8_t flags);

// The questions of FieldType, false for an unknown letter.
bool HasDeclaredWidth(char type);
bool IsTextType(char type);
bool IsCharacterType(char type);
bool IsNumericType(char type);
bool IsMemoType(char type);
bool IsVaryingType(char type);
bool IsIndexableType(char type);

}  // namespace foxpro
