#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/ado/Value.h"

namespace ado {

class Connection;

struct Field {
  std::string Name;
  int Type = 0;  // ADO type code
  ado::Value Value;
};

// ADODB.RecordSet. With a client-side connection (CursorLocation 3) every row is
// fetched at Open and RecordCount is exact; otherwise rows stream and RecordCount is -1.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void Open(const std::string& source, Connection& connection, int cursorType = -1,
            int lockType = -1);
  // Wraps a row source directly (the schema rowset).
  void OpenRows(std::unique_ptr<RowSource> rows, bool clientSide);

  int FieldCount() const;
  const Field& Fields(int index) const;
  const Field& Fields(std::string_view name) const;
  long RecordCount() const;
  bool Eof() const;
  void MoveNext();
  void Close();
  bool IsOpen() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ado
