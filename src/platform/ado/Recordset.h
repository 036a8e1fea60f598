#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/ado/Value.h"

namespace ado {

class Connection;

// The value of a field on the current row. Reads like an ado::Value, but reading it while
// the recordset has no current row (before the first row, after the last) fails like ADO.
class FieldValue {
 public:
  FieldValue() = default;
  FieldValue(ado::Value value) : value_(std::move(value)), current_(true) {}

  operator const ado::Value&() const { return Checked(); }
  const ado::Value& AsValue() const { return Checked(); }
  const ado::Value::Storage& Get() const { return Checked().Get(); }
  bool IsNull() const { return Checked().IsNull(); }
  template <class T>
  bool Is() const {
    return Checked().template Is<T>();
  }
  template <class T>
  const T& As() const {
    return Checked().template As<T>();
  }
  bool operator==(const ado::Value& other) const { return Checked() == other; }

  // For the recordset: the slot it decodes rows into, and whether a row is current.
  ado::Value& Slot() { return value_; }
  void SetCurrent(bool current) { current_ = current; }

 private:
  const ado::Value& Checked() const;

  ado::Value value_;
  bool current_ = false;
};

struct Field {
  std::string Name;
  int Type = 0;  // ADO type code
  FieldValue Value;
  DeclaredField Declared;
};

// ADODB.RecordSet. With a client-side connection (CursorLocation 3) every row is
// fetched at Open and RecordCount is exact; otherwise rows stream and RecordCount is -1.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void Open(const std::string& source, Connection& connection, int cursorType = -1, int lockType = -1);
  // Wraps a row source directly (the schema rowset).
  void OpenRows(std::unique_ptr<RowSource> rows, bool clientSide, void (*yield)() = nullptr);

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
