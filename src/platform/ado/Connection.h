#pragma once

#include <memory>
#include <string>

#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"

namespace ado {

// ADODB.Connection. Properties are set before Open; releasing an open connection closes it.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int CursorLocation = adUseServer;
  long CommandTimeout = 30;
  long ConnectionTimeout = 15;
  int Mode = adModeUnknown;
  /// FoxPro: the code page of tables that carry no code page mark (the user knows what the
  /// DOS-era program that wrote them used); 0: the provider's default.
  int UnmarkedCodePage = 0;
  /// Called now and then while a login waits or a whole table is read, so that the caller's
  /// window stays live; none by default.
  void (*Yield)() = nullptr;

  void Open(const std::string& connectionString);
  // Runs a statement; rows it returns are ignored.
  void Execute(const std::string& sql);
  // A statement with parameter markers prepared for arrays of rows; nullptr when the
  // provider cannot run it that way.
  std::unique_ptr<ParameterArrays> PrepareArrays(const std::string& sql, std::size_t markers);
  // Only adSchemaTables (20) is supported.
  std::unique_ptr<Recordset> OpenSchema(int schema);
  // One row per index tag of the table (fields: IndexesSchemaFields).
  std::unique_ptr<Recordset> OpenIndexesSchema(const std::string& table);
  // One row per persistent relation (fields: ForeignKeysSchemaFields).
  std::unique_ptr<Recordset> OpenForeignKeysSchema();
  void Close();
  bool IsOpen() const { return session_ != nullptr; }

  // For Recordset: the open session, or a failure when the connection is closed.
  Session& ActiveSession();

 private:
  std::unique_ptr<Session> session_;
};

}  // namespace ado
