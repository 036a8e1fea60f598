#include "platform/ado/Connection.h"

#include "platform/ado/Failure.h"
#include "platform/ado/Yield.h"

namespace ado {

Connection::~Connection() {
  if (!session_) return;
  try {
    Close();
  } catch (const std::exception&) {
    // A release cannot report anything; the session is gone either way.
    session_.reset();
  }
}

void Connection::Open(const std::string& connectionString) {
  if (session_) throw Failure("Operation is not allowed when the object is open.");
  const std::shared_ptr<Provider> provider = FindProvider(connectionString);
  ConnectionSettings settings;
  settings.cursorLocation = CursorLocation;
  settings.commandTimeout = CommandTimeout;
  settings.connectionTimeout = ConnectionTimeout;
  settings.mode = Mode;
  settings.unmarkedCodePage = UnmarkedCodePage;
  // A login to a distant server can take a second; the window goes on meanwhile.
  session_ = WhileYielding(Yield, [&] { return provider->Open(connectionString, settings); });
  if (!session_) throw Failure("The provider did not open a connection.");
}

void Connection::Execute(const std::string& sql) { ActiveSession().Execute(sql); }

std::unique_ptr<ParameterArrays> Connection::PrepareArrays(const std::string& sql, std::size_t markers) {
  return ActiveSession().PrepareArrays(sql, markers);
}

std::unique_ptr<Recordset> Connection::OpenSchema(int schema) {
  if (schema != adSchemaTables) {
    throw Failure("Object or provider is not capable of performing requested operation.");
  }
  auto rows = ActiveSession().TablesSchema();
  auto recordset = std::make_unique<Recordset>();
  recordset->OpenRows(std::move(rows), CursorLocation == adUseClient, Yield);
  return recordset;
}

std::unique_ptr<Recordset> Connection::OpenIndexesSchema(const std::string& table) {
  auto recordset = std::make_unique<Recordset>();
  recordset->OpenRows(ActiveSession().IndexesSchema(table), CursorLocation == adUseClient, Yield);
  return recordset;
}

std::unique_ptr<Recordset> Connection::OpenForeignKeysSchema() {
  auto recordset = std::make_unique<Recordset>();
  recordset->OpenRows(ActiveSession().ForeignKeysSchema(), CursorLocation == adUseClient, Yield);
  return recordset;
}

void Connection::Close() {
  if (!session_) throw Failure("Operation is not allowed when the object is closed.");
  std::unique_ptr<Session> session = std::move(session_);
  session->Close();
}

Session& Connection::ActiveSession() {
  if (!session_) throw Failure("Operation is not allowed when the object is closed.");
  return *session_;
}

}  // namespace ado
