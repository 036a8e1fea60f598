#pragma once

#include <cstdint>
#include <string>

namespace transfer {

/// The ADO constant name of a type code ("adVarChar" for 200); empty text for a code
/// outside ADO's table (137, 8192, any negative code).
std::string DataTypeName(std::int16_t code);

/// The Oracle column clause for an ADO type name: " VARCHAR(2000),", " INT,", " FLOAT,"
/// or " BLOB,".
std::string OracleColumnClause(const std::string& typeName);

/// The FoxPro column clause for an ADO type name: " M," or " BLOB,".
std::string FoxProColumnClause(const std::string& typeName);

/// One column of the text copy's CREATE TABLE in Oracle, for a field of that ADO type:
/// "\"name\" VARCHAR(2000),".
std::string OracleTextColumn(const std::string& fieldName, int adoType);

/// One column of the text copy's CREATE TABLE in FoxPro: "[name] M,".
std::string FoxProTextColumn(const std::string& fieldName, int adoType);

}  // namespace transfer
