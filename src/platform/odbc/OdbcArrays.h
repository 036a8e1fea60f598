#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Link.h"
#include "platform/odbc/WideText.h"

namespace odbc {

// A prepared statement run for arrays of text parameters (SQL_ATTR_PARAMSET_SIZE,
// column-wise binding, a row status array), one transaction per array.
class OdbcArrays : public ado::ParameterArrays, public LinkedStatement {
 public:
  /// The prepared statement, or nullptr when the driver would not prepare it.
  static std::unique_ptr<OdbcArrays> Prepare(std::shared_ptr<Link> link, const std::string& sql, std::size_t markers);
  ~OdbcArrays() override;
  OdbcArrays(const OdbcArrays&) = delete;
  OdbcArrays& operator=(const OdbcArrays&) = delete;

  bool Send(const ado::TextRows& rows) override;
  void Release() noexcept override;

 private:
  OdbcArrays(std::shared_ptr<Link> link, Handle stmt, std::size_t markers);

  struct Column {
    WideText staged;                   // every row's units, back to back
    std::vector<std::size_t> offsets;  // where each row's units start in staged
    std::vector<SQLWCHAR> bound;       // fixed-width elements, one per row
    std::vector<SQLLEN> indicators;
  };
  // Where the array that starts at row first ends: its bound buffers stay within a budget.
  std::size_t ArrayEnd(std::size_t first, std::size_t count) const;
  // Rows [first, end) as one parameter array on the open transaction.
  bool Execute(const ado::TextRows& rows, std::size_t first, std::size_t end);
  bool SetAutocommit(bool on);
  std::size_t Units(std::size_t column, std::size_t row) const {
    return columns_[column].offsets[row + 1] - columns_[column].offsets[row];
  }

  std::shared_ptr<Link> link_;
  Handle stmt_;
  std::size_t markers_;
  std::vector<Column> columns_;
  std::vector<SQLUSMALLINT> statuses_;
  SQLULEN processed_ = 0;
};

}  // namespace odbc
