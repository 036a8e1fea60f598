#include "platform/foxpro/FieldTypes.h"

#include "platform/ado/Types.h"
#include "platform/foxpro/DbfHeader.h"

namespace foxpro {

bool IsVfpVersion(std::uint8_t version) { return version >= 0x30 && version <= 0x32; }

bool UsesDbtMemo(std::uint8_t version) { return version == 0x83 || version == 0x8B || version == 0xCB; }

namespace {

using namespace ado;

// clang-format off
constexpr FieldType kFieldTypes[] = {
    // letter width  text   char   number memo   varying index  ADO type         ADO type, binary
    {'C', true,  true,  true,  false, false, false, true,  adChar,          adBinary},
    {'V', true,  true,  true,  false, false, true,  true,  adVarChar,       adVarBinary},
    {'Q', true,  false, false, false, false, true,  false, adVarBinary,     adVarBinary},
    {'N', true,  false, false, true,  false, false, true,  adNumeric,       adNumeric},
    {'F', true,  false, false, true,  false, false, true,  adNumeric,       adNumeric},
    {'I', false, false, false, true,  false, false, true,  adInteger,       adInteger},
    {'+', false, false, false, false, false, false, false, adInteger,       adInteger},
    {'B', false, false, false, true,  false, false, true,  adDouble,        adDouble},
    {'O', false, false, false, false, false, false, false, adDouble,        adDouble},
    {'Y', false, false, false, true,  false, false, true,  adCurrency,      adCurrency},
    {'D', false, false, false, false, false, false, true,  adDBDate,        adDBDate},
    {'T', false, false, false, false, false, false, true,  adDBTimeStamp,   adDBTimeStamp},
    {'@', false, false, false, false, false, false, false, adDBTimeStamp,   adDBTimeStamp},
    {'L', false, false, false, false, false, false, true,  adBoolean,       adBoolean},
    {'M', false, true,  false, false, true,  false, false, adLongVarChar,   adLongVarBinary},
    {'G', false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
    {'W', false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
    {'P', false, false, false, false, true,  false, false, adLongVarBinary, adLongVarBinary},
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
