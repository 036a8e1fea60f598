#include "platform/foxpro/tables/FieldTypes.h"

#include "platform/ado/Types.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

bool IsVfpVersion(std::uint8_t version) { return version >= 0x30 && version <= 0x32; }

bool UsesDbtMemo(std::uint8_t version) { return version == 0x83 || version == 0x8B || version == 0xCB; }

namespace {

using namespace ado;

// clang-format off
constexpr FieldType kFieldTypes[] = {
    // letter length width  text   char   number memo   varying index  ADO type         ADO type, binary
    {'C', 0, true,  true,  true,  false, false, false, true,  adChar,          adBinary},
    {'V', 0, true,  true,  true,  false, false, true,  true,  adVarChar,       adVarBinary},
    {'Q', 0, true,  false, false, false, false, true,  false, adVarBinary,     adVarBinary},
    {'N', 0, true,  false, false, true,  false, false, true,  adNumeric,       adNumeric},
    {'F', 0, true,  false, false, true,  false, false, true,  adNumeric,       adNumeric},
    {'I', 4, false, false, false, true,  false, false, true,  adInteger,       adInteger},
    {'+', 4, false, false, false, false, false, false, false, adInteger,       adInteger},
    {'B', 8, false, false, false, true,  false, false, true,  adDouble,        adDouble},
    {'O', 8, false, false, false, false, false, false, false, adDouble,        adDouble},
    {'Y', 8, false, false, false, true,  false, false, true,  adCurrency,      adCurrency},
    {'D', 8, false, false, false, false, false, false, true,  adDBDate,        adDBDate},
    {'T', 8, false, false, false, false, false, false, true,  adDBTimeStamp,   adDBTimeStamp},
    {'@', 8, false, false, false, false, false, false, false, adDBTimeStamp,   adDBTimeStamp},
    {'L', 1, false, false, false, false, false, false, true,  adBoolean,       adBoolean},
    {'M', 4, false, true,  false, false, true,  false, false, adLongVarChar,   adLongVarBinary},
    {'G', 4, false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
    {'W', 4, false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
    {'P', 4, false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
};
// clang-format on

template <bool FieldType::*question>
bool Asks(char type) {
  const FieldType* found = FindFieldType(type);
  return found != nullptr && found->*question;
}

}  // namespace

const FieldType* FindFieldType(char letter) {
  for (const FieldType& type : kFieldTypes)
    if (type.letter == letter) return &type;
  return nullptr;
}

int AdoTypeFor(char type, std::uint8_t flags) {
  const FieldType* found = FindFieldType(type);
  if (found == nullptr) return ado::adChar;
  return (flags & kFieldBinary) != 0 ? found->adoBinaryType : found->adoType;
}

bool HasDeclaredWidth(char type) { return Asks<&FieldType::declaredWidth>(type); }
bool IsTextType(char type) { return Asks<&FieldType::text>(type); }
bool IsCharacterType(char type) { return Asks<&FieldType::character>(type); }
bool IsNumericType(char type) { return Asks<&FieldType::numeric>(type); }
bool IsMemoType(char type) { return Asks<&FieldType::memo>(type); }
bool IsVaryingType(char type) { return Asks<&FieldType::varying>(type); }
bool IsIndexableType(char type) { return Asks<&FieldType::indexable>(type); }

int DbfField::AdoType() const { return AdoTypeFor(type, flags); }

}  // namespace foxpro
