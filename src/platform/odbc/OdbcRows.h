#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Link.h"
#include "platform/odbc/OdbcApi.h"

namespace odbc {

// The rows of one executed statement. Columns of bounded size are bound and fetched
// many rows at a time; when a column holds long data (any size), rows are fetched one
// at a time and every value is read whole with SQLGetData.
class OdbcRows : public ado::RowSource, public LinkedStatement {
 public:
  enum class Naming { kAsReported, kSchemaRowset };

  OdbcRows(std::shared_ptr<Link> link, Handle stmt, Naming naming);
  ~OdbcRows() override;
  OdbcRows(const OdbcRows&) = delete;
  OdbcRows& operator=(const OdbcRows&) = delete;

  const std::vector<ado::FieldInfo>& Fields() const override { return fields_; }
  bool Next(std::vector<ado::Value>& row) override;

  /// Frees the statement; the connection is closing.
  void Release() noexcept override;

 private:
  enum class Read { kText, kDecimal, kInteger, kDouble, kSingle, kBit, kDate, kTime, kTimestamp, kBinary };
  struct Column {
    Read read = Read::kText;
    bool isLong = false;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN elementBytes = 0;  // bound buffer per row
    std::vector<std::uint8_t> buffer;
    std::vector<SQLLEN> indicators;
  };

  void Describe(Naming naming);
  void Bind();
  bool FetchBlock();
  void Decode(std::size_t col, std::size_t rowInBlock, ado::Value& into) const;
  void ReadWhole(std::size_t col, ado::Value& into);
  void ReadLongData(std::size_t col, SQLSMALLINT cType, std::size_t terminator, ado::Value& into);
  SQLHSTMT Stmt() const;

  std::shared_ptr<Link> link_;
  Handle stmt_;
  std::vector<ado::FieldInfo> fields_;
  std::vector<Column> columns_;
  bool bound_ = false;
  SQLULEN blockSize_ = 1;
  SQLULEN fetched_ = 0;
  SQLULEN nextInBlock_ = 0;
  std::vector<SQLUSMALLINT> rowStatus_;
  bool done_ = false;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace odbc
