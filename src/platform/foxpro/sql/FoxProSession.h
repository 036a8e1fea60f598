#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/foxpro/containers/Catalog.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/sql/SqlStatement.h"
#include "platform/foxpro/tables/CodePage.h"

namespace foxpro {

class DbfAppender;

/// One connection to FoxPro data: runs the engine's SQL dialect (SqlParser) against a
/// catalog. Of the connection settings only the command timeout matters here: it bounds the
/// wait for another writer's lock (see docs/foxpro-locking.md). The recordset does the
/// client-side fetching, and every statement opens its table for as long as it needs it,
/// whatever the Mode. A run of INSERTs into one table keeps that table locked until the
/// session runs another kind of statement, names another table, or closes.
class FoxProSession : public ado::Session {
 public:
  /// Opens the "Data Source" of a "Provider=vfpoledb.1;..." connection string: an existing
  /// folder (free tables) or an existing .dbc file (a database container), letter case of the
  /// path ignored. "Collating Sequence" only affects ordering, which no statement of the
  /// dialect does, and is accepted whatever it says. Fails naming the path otherwise.
  /// A statement that writes waits up to lockTimeoutSeconds (the connection's command
  /// timeout; 0: without limit) for another writer of the same file.
  /// unmarkedCodePage: what the tables without a code page mark are read and written in.
  static std::unique_ptr<FoxProSession> Open(const std::string& connectionString, long lockTimeoutSeconds = 30,
                                             int unmarkedCodePage = kOemDefaultCodePage);

  explicit FoxProSession(std::unique_ptr<Catalog> catalog);
  ~FoxProSession() override;

  void Execute(const std::string& sql) override;
  std::unique_ptr<ado::RowSource> Query(const std::string& sql) override;
  std::unique_ptr<ado::RowSource> TablesSchema() override;
  /// One row per tag of the table's structural index; the primary key as the container
  /// records it (a free table has none). Fails naming the index file when the table's header
  /// says it has one and it is missing or damaged.
  std::unique_ptr<ado::RowSource> IndexesSchema(const std::string& table) override;
  /// The container's persistent relations between live tables; none for free tables.
  std::unique_ptr<ado::RowSource> ForeignKeysSchema() override;
  /// For INSERT INTO table VALUES (?, ...) with one marker per field: arrays of typed rows
  /// appended through one appender (see AppendArrays); nullptr for any other statement.
  std::unique_ptr<ado::ParameterArrays> PrepareArrays(const std::string& sql, std::size_t markers) override;
  void Close() override;

  /// The container the session reads (nullptr for a folder of free tables), for what only a
  /// container records about its tables.
  static DbcCatalog* ContainerOf(ado::Connection& connection);

 private:
  std::unique_ptr<ado::RowSource> Run(const SqlStatement& statement);
  std::unique_ptr<ado::RowSource> Select(const SelectAllStatement& statement);
  void Create(const CreateTableStatement& statement);
  void Insert(const InsertStatement& statement);
  void Drop(const DropTableStatement& statement);
  void Rename(const RenameTableStatement& statement);
  void AddIndexTag(const AddIndexTagStatement& statement);
  void AddRelation(const AddRelationStatement& statement);

  /// The file an existing table reference stands for.
  std::string ExistingTablePath(const TableReference& table);
  /// A path from a statement, made absolute against the catalog's folder, ".dbf" added when
  /// the file name has no extension.
  std::string StatementPath(const std::string& text) const;
  /// The catalog's name for a table reference (a path names the table by its file's stem).
  std::string TableName(const TableReference& table);
  void CloseAppender();
  Catalog& Tables();

  std::unique_ptr<Catalog> catalog_;
  // INSERTs into one table follow each other by the thousand; the table stays open between
  // them instead of being reopened (and synced to disk) for every row.
  // The file is checked to be the same one before each INSERT: DROP TABLE on another
  // connection, or the transfer's own file deletion, may have replaced it.
  std::unique_ptr<DbfAppender> appender_;
  std::string appenderPath_;
  std::optional<FileIdentity> appenderFile_;
  TableReference appenderTable_;  // as the INSERT that opened the appender named the table
};

}  // namespace foxpro
