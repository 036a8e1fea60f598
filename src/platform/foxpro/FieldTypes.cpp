#include "platform/foxpro/FieldTypes.h"

#include "platform/ado/Types.h"
#include "platform/foxpro/DbfHeader.h"

namespace foxpro {

bool IsVfpVersion(std::uint8_t version) { return version >= 0x30 && version <= 0x32; }

bool UsesDbtMemo(std::uint8_t version) { return version == 0x83 || version == 0x8B || version == 0xCB; }

bool IsMemoType(char type) { return type == 'M' || type == 'G' || type == 'W' || type == 'P'; }

int AdoTypeFor(char type, std::uint8_t flags) {
  const bool binary = (flags & kFieldBinary) != 0;
  switch (type) {
    case 'C':
      return binary ? ado::adBinary : ado::adChar;
    case 'V':
      return binary ? ado::adVarBinary : ado::adVarChar;
    case 'Q':
      return ado::adVarBinary;
    case 'N':
    case 'F':
      return ado::adNumeric;
    case 'I':
    case '+':
      return ado::adInteger;
    case 'B':
    case 'O':
      return ado::adDouble;
    case 'Y':
      return ado::adCurrency;
    case 'D':
      return ado::adDBDate;
    case 'T':
    case '@':
      return ado::adDBTimeStamp;
    case 'L':
      return ado::adBoolean;
    case 'M':
      return binary ? ado::adLongVarBinary : ado::adLongVarChar;
    case 'G':
    case 'W':
    case 'P':
      return ado::adLongVarBinary;
    default:
      return ado::adChar;
  }
}

int DbfField::AdoType() const { return AdoTypeFor(type, flags); }

}  // namespace foxpro
