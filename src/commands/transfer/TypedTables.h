#pragma once

#include <string>
#include <vector>

#include "commands/transfer/TypeMapping.h"
#include "commands/transfer/TypedNames.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/containers/DbcCatalog.h"

namespace transfer {

// The shapes of the tables a typed copy reads and creates, and the statements that create
// them: shared by the copies and by the plan, which prints them and runs none.

/// A FoxPro field as its table declares it.
struct FoxProColumn {
  std::string name;  // the Oracle column's name, once ReadFoxProDeclarations has given it
  ado::DeclaredField field;
  bool hasFraction = false;              // a T value holds part of a second
  long roundedByRule = 0;                // T values whose stored milliseconds are FoxPro's noise around a second
  foxpro::FieldDeclaration declaration;  // what a container records of it; empty in a free table
  std::string foxProName;                // the field's name in its table
};

/// The declared fields of an open FoxPro read; fails for a field whose type the provider
/// does not declare.
std::vector<FoxProColumn> DeclaredColumnsOf(const ado::Recordset& records);

/// Marks the T fields of which some value holds a fraction of a second (a read of the table's
/// T fields; none when it has none).
void FindFractions(ado::Connection& foxPro, const std::string& table, std::vector<FoxProColumn>& columns);

/// The Oracle names a container recorded with the table (none for a free table).
NameRecord ContainerNameRecord(ado::Connection& foxPro, const std::string& table);

/// The Oracle name of a FoxPro table a typed copy makes: the one recorded with it, else its
/// name in upper case. Every step of a typed run that names the Oracle table takes it from here.
std::string OracleTableName(ado::Connection& foxPro, const std::string& table);

/// The note for a table that keeps the spelling Oracle has for it (kept) in place of the name a
/// typed copy would give it (name); empty when they are one.
std::string KeptSpellingNote(const std::string& name, const std::string& kept);

/// What a container records of the table (its comment, without the name record) and of each
/// field, read into columns; a free table has none of it. Each column gets its Oracle name:
/// the recorded one, else its name in upper case.
std::string ReadFoxProDeclarations(ado::Connection& foxPro, const std::string& table,
                                   std::vector<FoxProColumn>& columns);

/// The Oracle column of a FoxPro field with the default and the CHECK its declaration carries.
std::string OracleDeclaredColumnClause(const FoxProColumn& column);

/// What of the field's declaration does not reach Oracle, one line each.
std::vector<std::string> NotCarriedToOracle(const FoxProColumn& column);

/// CREATE TABLE "target"(...) for the FoxPro fields.
std::string OracleCreateStatement(const std::string& target, const std::vector<FoxProColumn>& columns);

/// COMMENT ON COLUMN "target"."name" IS 'FoxPro N(20,4)' for one field, with its caption and
/// comment (FoxProColumnNote); notNull records a NOT NULL the column itself could not take.
std::string OracleCommentStatement(const std::string& target, const FoxProColumn& column, bool notNull = false);

/// COMMENT ON TABLE "target" IS 'comment'.
std::string OracleTableCommentStatement(const std::string& target, const std::string& comment);

/// INSERT INTO "target" VALUES(?, ...).
std::string OracleInsertStatement(const std::string& target, std::size_t columns);

/// An Oracle column, the FoxPro field it becomes, and that field's name.
struct MappedColumn {
  OracleColumn oracle;
  FoxProMapping mapping;
  std::string foxProName;
};

/// The source table's columns from Oracle's dictionary, in their order, each with its
/// comment, its FoxPro field and a FoxPro name in lower case (at most 10 characters in a free
/// table).
/// A number without a declared size gets the narrowest field its values fit (a read of
/// those columns).
std::vector<MappedColumn> MapOracleTable(ado::Connection& oracle, const std::string& source, bool freeTable);

/// The FoxPro name of an Oracle table a typed copy makes: in lower case.
std::string FoxProTableName(const std::string& source);

/// The Oracle names a FoxPro table made from source with these columns and keys (tag, Oracle
/// key name) cannot hold, for its container to record: those not all upper case, and the keys
/// whose tags got another name.
NameRecord OracleNamesToRecord(const std::string& source, const std::vector<MappedColumn>& columns,
                               const std::vector<NamePair>& keys);

/// The select list that reads the columns as their FoxPro fields take them.
std::string OracleSelectStatement(const std::string& source, const std::vector<MappedColumn>& columns);

/// CREATE TABLE 'path' CODEPAGE=n ([name] type NULL, [key] type NOT NULL, ...).
std::string FoxProCreateStatement(const std::string& tablePath, int codePage, const std::vector<MappedColumn>& columns);

/// INSERT INTO 'path' VALUES(?, ...).
std::string FoxProInsertStatement(const std::string& tablePath, std::size_t columns);

}  // namespace transfer
