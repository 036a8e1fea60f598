#include "commands/transfer/Datatype.h"

#include <array>
#include <string_view>

#include "commands/transfer/FoxProNames.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/SqlHelpers.h"

namespace transfer {
namespace {

struct NamedCode {
  std::int16_t code;
  const char* name;
};

constexpr std::array<NamedCode, 39> kTypeNames{{
    {0, "adEmpty"},
    {2, "adSmallInt"},
    {3, "adInteger"},
    {4, "adSingle"},
    {5, "adDouble"},
    {6, "adCurrency"},
    {7, "adDate"},
    {8, "adBSTR"},
    {9, "adIDispatch"},
    {10, "adError"},
    {11, "adBoolean"},
    {12, "adVariant"},
    {13, "adIUnknown"},
    {14, "adDecimal"},
    {16, "adTinyInt"},
    {17, "adUnsignedTinyInt"},
    {18, "adUnsignedSmallInt"},
    {19, "adUnsignedInt"},
    {20, "adBigInt"},
    {21, "adUnsignedBigInt"},
    {64, "adFileTime"},
    {72, "adGUID"},
    {128, "adBinary"},
    {129, "adChar"},
    {130, "adWChar"},
    {131, "adNumeric"},
    {132, "adUserDefined"},
    {133, "adDBDate"},
    {134, "adDBTime"},
    {135, "adDBTimeStamp"},
    {136, "adChapter"},
    {138, "adPropVariant"},
    {139, "adVarNumeric"},
    {200, "adVarChar"},
    {201, "adLongVarChar"},
    {202, "adVarWChar"},
    {203, "adLongVarWChar"},
    {204, "adVarBinary"},
    {205, "adLongVarBinary"},
}};

// The classes in the order their test words are tried; the first word found decides.
enum class TypeClass { Char, Single, Int, Date, Currency, Bool, Double, LongVarBinary, Unmatched };

constexpr std::array<std::pair<std::string_view, TypeClass>, 8> kTestWords{{
    {"char", TypeClass::Char},
    {"single", TypeClass::Single},
    {"int", TypeClass::Int},
    {"date", TypeClass::Date},
    {"currency", TypeClass::Currency},
    {"bool", TypeClass::Bool},
    {"double", TypeClass::Double},
    {"adlongvarbinary", TypeClass::LongVarBinary},
}};

TypeClass Classify(const std::string& typeName) {
  // Type names are ASCII, so a byte-wise lower-casing is the whole of it.
  std::string lower = typeName;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const auto& [word, typeClass] : kTestWords) {
    if (lower.find(word) != std::string::npos) return typeClass;
  }
  return TypeClass::Unmatched;
}

}  // namespace

std::string DataTypeName(std::int16_t code) {
  for (const NamedCode& entry : kTypeNames) {
    if (entry.code == code) return entry.name;
  }
  return {};
}

std::string OracleColumnClause(const std::string& typeName) {
  switch (Classify(typeName)) {
    case TypeClass::Single:
    case TypeClass::Int:
      return " INT,";
    case TypeClass::Double:
      return " FLOAT,";
    case TypeClass::LongVarBinary:
      return " BLOB,";
    case TypeClass::Char:
    case TypeClass::Date:
    case TypeClass::Currency:
    case TypeClass::Bool:
    case TypeClass::Unmatched:
      break;
  }
  return " VARCHAR(2000),";
}

std::string FoxProColumnClause(const std::string& typeName) {
  return Classify(typeName) == TypeClass::LongVarBinary ? " BLOB," : " M,";
}

std::string OracleTextColumn(const std::string& fieldName, int adoType) {
  return Quoted(fieldName) + OracleColumnClause(LowerCase(DataTypeName(static_cast<std::int16_t>(adoType))));
}

std::string FoxProTextColumn(const std::string& fieldName, int adoType) {
  return FoxProColumnName(fieldName) + FoxProColumnClause(DataTypeName(static_cast<std::int16_t>(adoType)));
}

}  // namespace transfer
