#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/CodePage.h"

namespace foxpro {

/// One row of the tables schema: kind ("TABLE" or "VIEW") and the name to show.
struct CatalogEntry {
  std::string type;
  std::string name;
};

/// Where a table's rows live and what its fields are called.
struct TableLocation {
  /// The table's .dbf file as it is spelled on disk.
  std::string dbfPath;
  /// Names to report for the table's fields in field order (without _NullFlags). Empty means
  /// the names stored in the .dbf itself. A container supplies its long names here.
  std::vector<std::string> fieldNames;
};

/// One column of CREATE TABLE, as the statement spelled it.
struct ColumnDefinition {
  /// The name as written (brackets removed), not shortened: the catalog decides how much of
  /// it the .dbf can keep.
  std::string name;
  /// Visual FoxPro type letter: C V Q N F I L D T B Y M W G.
  char type = 'M';
  /// Width for C, V, Q, N, F; 0 for types whose width is fixed.
  int width = 0;
  int decimals = 0;
  bool nullable = false;
  /// NOCPTRANS: text stored without code page translation.
  bool binary = false;
  /// AUTOINC [NEXTVALUE n [STEP s]] (I only).
  bool autoIncrement = false;
  std::int64_t nextValue = 1;
  int step = 1;

  bool operator==(const ColumnDefinition&) const = default;
};

/// A persistent relation of a container: the child table's tag points at the parent's tag.
struct Relation {
  std::string name;  ///< "Relation 1", numbered per child table
  std::string childTable;
  std::string childTag;
  std::string parentTable;
  std::string parentTag;
  std::string riInfo;  ///< update, delete and insert rule: C cascade, R restrict, I ignore; empty when unset

  bool operator==(const Relation&) const = default;
};

/// The tables the provider sees: one implementation per kind of Data Source (a folder of free
/// tables, a database container). Every failure is thrown as ado::Failure with a description
/// that names the table or file. Names are matched without regard to letter case.
class Catalog {
 public:
  virtual ~Catalog() = default;

  /// The folder that relative table paths are taken from (ends without a separator).
  virtual std::string Folder() const = 0;

  /// Every table (and view) once, in no particular order.
  virtual std::vector<CatalogEntry> Entries() = 0;

  /// The table called name. Fails when there is no such table, or when it is a view.
  virtual TableLocation Resolve(std::string_view name) = 0;

  /// Creates a new, empty table whose file is dbfPath (an absolute path; its letter case is
  /// kept). Fails when a file of that name exists already (letter case ignored). A container
  /// also registers the table, under the file's base name. codePage 0 means 1252, the Windows
  /// code page of Western Europe.
  virtual void CreateTable(const std::string& dbfPath, const std::vector<ColumnDefinition>& columns,
                           int codePage = 0) = 0;

  /// Removes the table called name and its files (.dbf with its .fpt and .cdx companions).
  virtual void DropTable(std::string_view name) = 0;

  /// Gives the table oldName the name newName, renaming its files and keeping their
  /// extensions. Fails, renaming nothing, when newName is taken already.
  virtual void RenameTable(std::string_view oldName, std::string_view newName) = 0;

  /// The persistent relations between live tables; a folder of free tables has none.
  virtual std::vector<Relation> Relations() { return {}; }

  /// Records a relation (its name is given by the catalog). Fails when either table is
  /// missing, and for free tables, which have no relations.
  virtual void AddRelation(const Relation& relation) {
    throw ado::Failure("Free table '" + relation.childTable + "' cannot have a persistent relation.");
  }

  /// How long a change waits for another writer's lock on a file it changes (seconds; 0:
  /// without limit) before it fails with "in use".
  void SetLockTimeout(long seconds) { lockTimeoutSeconds_ = seconds; }
  long LockTimeout() const { return lockTimeoutSeconds_; }
  // What the session's tables without a code page mark are read and written in.
  void SetUnmarkedCodePage(int codePage) { unmarkedCodePage_ = codePage; }
  int UnmarkedCodePage() const { return unmarkedCodePage_; }

 private:
  long lockTimeoutSeconds_ = 30;
  int unmarkedCodePage_ = kOemDefaultCodePage;
};

// The container implementation lives in platform/foxpro/containers/DbcCatalog.h as
//   class DbcCatalog : public Catalog { public: explicit DbcCatalog(const std::string& dbcPath); ... };
// whose constructor fails (ado::Failure naming the path) when the file is not a container.

}  // namespace foxpro
