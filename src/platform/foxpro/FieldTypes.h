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

/// ADO type code the VFP OLE DB provider reports for a field of this type and flags.
int AdoTypeFor(char type, std::uint8_t flags);

/// True for fields whose record bytes hold a memo block pointer (M, G, W, P).
bool IsMemoType(char type);

}  // namespace foxpro
