#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foxpro/containers/Catalog.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"

namespace foxpro {

/// How a statement names a table: by name (`name` or a bare word), or by its file path
/// ('path' or "path").
struct TableReference {
  std::string text;
  bool isPath = false;

  bool operator==(const TableReference&) const = default;
};

/// SELECT * FROM table
struct SelectAllStatement {
  TableReference table;
  bool operator==(const SelectAllStatement&) const = default;
};

/// CREATE TABLE table [FREE] [CODEPAGE=n] (column type [(width[, decimals])] [NULL | NOT NULL]
/// [AUTOINC [NEXTVALUE n [STEP s]]] [NOCPTRANS], ...)
struct CreateTableStatement {
  TableReference table;
  std::vector<ColumnDefinition> columns;
  int codePage = 0;  ///< 0 when the statement names none
  bool operator==(const CreateTableStatement&) const = default;
};

/// INSERT INTO table VALUES (value, ...); a value is text, or nothing for NULL. With parameter
/// markers (VALUES (?, ?, ...), markers only) the values come with the statement's arrays.
struct InsertStatement {
  TableReference table;
  std::vector<std::optional<std::string>> values;
  bool parameterMarkers = false;
  bool operator==(const InsertStatement&) const = default;
};

/// DROP TABLE table
struct DropTableStatement {
  TableReference table;
  bool operator==(const DropTableStatement&) const = default;
};

/// RENAME TABLE old TO new
struct RenameTableStatement {
  TableReference from;
  TableReference to;
  bool operator==(const RenameTableStatement&) const = default;
};

/// A new tag of a table's structural index:
///   ALTER TABLE table ADD PRIMARY KEY expression TAG name   (kind Primary)
///   ALTER TABLE table ADD UNIQUE expression TAG name        (kind Candidate)
///   INDEX ON expression TAG name OF 'table.cdx' [ASCENDING | DESCENDING] [UNIQUE | CANDIDATE]
struct AddIndexTagStatement {
  TableReference table;  ///< INDEX ON's index file is named by its table's .dbf
  IndexTagDefinition tag;
  bool operator==(const AddIndexTagStatement& other) const {
    return table == other.table && tag.name == other.tag.name && tag.expression == other.tag.expression &&
           tag.kind == other.tag.kind && tag.descending == other.tag.descending;
  }
};

/// A persistent relation from the child table's tag (a regular tag made on the expression
/// when the table has no tag of that name) to the parent's tag (its primary key when none is
/// named). RIINFO is the engine's own clause, which Visual FoxPro leaves to its builder:
///   ALTER TABLE child ADD FOREIGN KEY expression TAG name REFERENCES parent [TAG name] [RIINFO 'CRI']
struct AddRelationStatement {
  TableReference child;
  std::string expression;
  std::string childTag;
  TableReference parent;
  std::string parentTag;  ///< empty: the parent's primary key
  std::string riInfo;
  bool operator==(const AddRelationStatement&) const = default;
};

using SqlStatement = std::variant<SelectAllStatement, CreateTableStatement, InsertStatement, DropTableStatement,
                                  RenameTableStatement, AddIndexTagStatement, AddRelationStatement>;

}  // namespace foxpro
