#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ado/Types.h"
#include "platform/ado/Value.h"

namespace ado {

// A field as its own table declares it, where the provider knows it (the FoxPro engine
// does): the type letter and sizes of its DDL. A typeLetter of 0 means not known.
struct DeclaredField {
  char typeLetter = 0;
  int width = 0;
  int decimals = 0;
  bool nullable = false;
  bool binary = false;  // NOCPTRANS
  bool autoIncrement = false;
  std::int64_t nextAutoIncrement = 0;
  bool operator==(const DeclaredField&) const = default;
};

struct FieldInfo {
  FieldInfo() = default;
  FieldInfo(std::string fieldName, int adoType, DeclaredField declaredAs = {})
      : name(std::move(fieldName)), type(adoType), declared(declaredAs) {}
  std::string name;
  int type = 0;  // ADO type code
  DeclaredField declared;
};

// Rows of one result, read front to back. Fields are known before the first row.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::vector<FieldInfo>& Fields() const = 0;
  // Fills row (one value per field) and returns true, or returns false at the end.
  virtual bool Next(std::vector<Value>& row) = 0;
};

// Texts for the parameter markers of one statement, row after row; a cell is a text or
// Null. Clearing keeps the buffers, so one object can carry array after array.
class TextRows {
 public:
  explicit TextRows(std::size_t columns = 0) : columns_(columns) {}
  std::size_t Columns() const { return columns_; }
  std::size_t Rows() const { return columns_ == 0 ? 0 : cells_.size() / columns_; }
  void AddText(std::string_view text) {
    cells_.push_back({bytes_.size(), text.size(), false});
    bytes_.append(text);
  }
  void AddNull() { cells_.push_back({bytes_.size(), 0, true}); }
  // Takes back the last count cells (a row that was not completed).
  void DropLast(std::size_t count) {
    count = std::min(count, cells_.size());
    if (count == 0) return;
    bytes_.resize(cells_[cells_.size() - count].offset);
    cells_.resize(cells_.size() - count);
  }
  bool IsNull(std::size_t row, std::size_t column) const { return Cell(row, column).isNull; }
  std::string_view Text(std::size_t row, std::size_t column) const {
    const CellSpan& cell = Cell(row, column);
    return std::string_view(bytes_).substr(cell.offset, cell.size);
  }
  void Clear() {
    cells_.clear();
    bytes_.clear();
  }

 private:
  struct CellSpan {
    std::size_t offset;
    std::size_t size;
    bool isNull;
  };
  const CellSpan& Cell(std::size_t row, std::size_t column) const { return cells_.at(row * columns_ + column); }

  std::size_t columns_;
  std::vector<CellSpan> cells_;
  std::string bytes_;
};

// Typed values for the parameter markers of one statement, row after row: each value keeps
// its own kind (a Decimal its digits, a DateTime its milliseconds, Bytes its bytes), so
// nothing passes through locale text on the way. Clearing keeps the buffer.
class ValueRows {
 public:
  explicit ValueRows(std::size_t columns = 0) : columns_(columns) {}
  std::size_t Columns() const { return columns_; }
  std::size_t Rows() const { return columns_ == 0 ? 0 : cells_.size() / columns_; }
  void Add(Value value) { cells_.push_back(std::move(value)); }
  // Takes back the last count cells (a row that was not completed).
  void DropLast(std::size_t count) { cells_.resize(cells_.size() - std::min(count, cells_.size())); }
  const Value& At(std::size_t row, std::size_t column) const { return cells_.at(row * columns_ + column); }
  void Clear() { cells_.clear(); }

 private:
  std::size_t columns_;
  std::vector<Value> cells_;
};

// A row of an array that the target would not take, and the target's words for why.
struct RowRefusal {
  std::size_t row = 0;  // 0-based within the array sent
  std::string message;
};

// One prepared statement with parameter markers, run for whole arrays of rows.
class ParameterArrays {
 public:
  virtual ~ParameterArrays() = default;
  /// Runs the statement once per row (rows.Columns() values each) in one transaction and
  /// commits it. Returns false when the array was refused: then it was rolled back as a
  /// whole and none of its rows arrived, whichever row the server objected to.
  virtual bool Send(const TextRows& rows) = 0;
  /// Runs the statement once per row with typed values. Every row that arrives stays; the
  /// rows the target refused come back, each with its message, and none of them arrived.
  /// A provider that cannot bind typed values refuses every row.
  virtual std::vector<RowRefusal> SendValues(const ValueRows& rows) {
    std::vector<RowRefusal> refused;
    for (std::size_t row = 0; row < rows.Rows(); ++row) refused.push_back({row, "typed values are not supported"});
    return refused;
  }
};

// The fields of the indexes schema, one row per index tag of a table: TABLE_NAME,
// INDEX_NAME, EXPRESSION, FILTER (empty when none) as text; DESCENDING, PRIMARY_KEY,
// CANDIDATE (the primary key too) and UNIQUE (FoxPro's first-record-only UNIQUE) as bool.
inline std::vector<FieldInfo> IndexesSchemaFields() {
  std::vector<FieldInfo> fields;
  for (const char* name : {"TABLE_NAME", "INDEX_NAME", "EXPRESSION", "FILTER"}) fields.emplace_back(name, adVarWChar);
  for (const char* name : {"DESCENDING", "PRIMARY_KEY", "CANDIDATE", "UNIQUE"}) fields.emplace_back(name, adBoolean);
  return fields;
}

// The fields of the foreign keys schema, one row per persistent relation between a container's
// tables, all text: RELATION_NAME, CHILD_TABLE, CHILD_TAG, PARENT_TABLE, PARENT_TAG and RIINFO
// (update, delete, insert rule as C cascade, R restrict, I ignore; empty when unset).
inline std::vector<FieldInfo> ForeignKeysSchemaFields() {
  std::vector<FieldInfo> fields;
  for (const char* name : {"RELATION_NAME", "CHILD_TABLE", "CHILD_TAG", "PARENT_TABLE", "PARENT_TAG", "RIINFO"}) {
    fields.emplace_back(name, adVarWChar);
  }
  return fields;
}

// Rows of a schema that a provider does not know: its fields and no rows.
class NoSchemaRows : public RowSource {
 public:
  explicit NoSchemaRows(std::vector<FieldInfo> fields) : fields_(std::move(fields)) {}
  const std::vector<FieldInfo>& Fields() const override { return fields_; }
  bool Next(std::vector<Value>& /*row*/) override { return false; }

 private:
  std::vector<FieldInfo> fields_;
};

struct ConnectionSettings {
  int cursorLocation = 2;
  long commandTimeout = 30;     // seconds, 0 = none
  long connectionTimeout = 15;  // seconds, 0 = none
  int mode = 0;
  int unmarkedCodePage = 0;  // FoxPro: tables without a code page mark are in it; 0: the provider's default
};

// One open session of a provider. Failures are thrown as ado::Failure.
class Session {
 public:
  virtual ~Session() = default;
  virtual void Execute(const std::string& sql) = 0;
  // A statement that returns rows; a statement that returns none gives a source with
  // no fields and no rows.
  virtual std::unique_ptr<RowSource> Query(const std::string& sql) = 0;
  // The tables schema rowset: fields "TABLE_TYPE" and "TABLE_NAME" (others may follow).
  virtual std::unique_ptr<RowSource> TablesSchema() = 0;
  // The indexes schema of one table (IndexesSchemaFields); a provider that knows no
  // indexes gives no rows.
  virtual std::unique_ptr<RowSource> IndexesSchema(const std::string& /*table*/) {
    return std::make_unique<NoSchemaRows>(IndexesSchemaFields());
  }
  // The foreign keys schema (ForeignKeysSchemaFields) of the whole data source; a provider
  // that knows no relations gives no rows.
  virtual std::unique_ptr<RowSource> ForeignKeysSchema() {
    return std::make_unique<NoSchemaRows>(ForeignKeysSchemaFields());
  }
  // The statement prepared for parameter arrays, or nullptr when the provider cannot (or
  // the driver would not prepare it): the caller then sends statements one by one.
  virtual std::unique_ptr<ParameterArrays> PrepareArrays(const std::string& /*sql*/, std::size_t /*markers*/) {
    return nullptr;
  }
  virtual void Close() = 0;
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::unique_ptr<Session> Open(const std::string& connectionString, const ConnectionSettings& settings) = 0;
};

// The connection string picks the provider: its "Provider=" value (case-insensitive),
// or the empty name when it has none (the ODBC driver manager).
// Registering nullptr removes a name.
void RegisterProvider(const std::string& name, std::shared_ptr<Provider> provider);
// The provider registered under a name (case-insensitive), or nullptr.
std::shared_ptr<Provider> RegisteredProvider(const std::string& name);
std::shared_ptr<Provider> FindProvider(const std::string& connectionString);

// The value of a key of a connection string ("Provider", "Data Source", ...), matched
// without regard to letter case; empty when absent.
std::string ConnectionStringValue(std::string_view connectionString, std::string_view key);

// A field value as a connection string must hold it to read back the same: in braces with
// every "}" doubled when it holds ";", "{" or "}", begins or ends with a blank, or begins with
// a quote (a reader would cut it there, trim it, or read on to the next quote); any other
// value exactly as it is.
std::string ConnectionStringValueText(std::string_view value);

// The value in braces with every "}" doubled, whatever it holds: as "Driver={...}" is written.
std::string BracedConnectionStringValue(std::string_view value);

// Every key=value pair of a connection string in order: keys trimmed as written, values
// with their braces or quotes taken off. Pieces without "=" are left out.
std::vector<std::pair<std::string, std::string>> ConnectionStringPairs(std::string_view connectionString);

}  // namespace ado
