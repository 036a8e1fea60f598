#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/odbc/BoundValues.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Link.h"
#include "platform/odbc/OdbcApi.h"
#include "platform/odbc/WideText.h"

namespace odbc {

// A prepared statement run for arrays of parameters (SQL_ATTR_PARAMSET_SIZE, column-wise
// binding, a row status array), one transaction per array: texts, or typed values.
class OdbcArrays : public ado::ParameterArrays, public LinkedStatement {
 public:
  /// The prepared statement, or nullptr when the driver would not prepare it.
  static std::unique_ptr<OdbcArrays> Prepare(std::shared_ptr<Link> link, const std::string& sql, std::size_t markers);
  ~OdbcArrays() override;
  OdbcArrays(const OdbcArrays&) = delete;
  OdbcArrays& operator=(const OdbcArrays&) = delete;

  bool Send(const ado::TextRows& rows) override;
  std::vector<ado::RowRefusal> SendValues(const ado::ValueRows& rows) override;
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
  // Where the array of typed values that starts at row first ends: within the budget, and
  // every column of one kind (or Null) throughout.
  std::size_t ValueArrayEnd(std::size_t first, std::size_t count) const;
  // Sends rows [first, end) of the staged values, each array in a transaction of its own.
  // A refused array is rolled back and sent again in parts, down to single rows, so that
  // exactly the rows the server objects to are refused.
  void SendValueParts(std::size_t first, std::size_t end, std::vector<ado::RowRefusal>& refused);
  struct Outcome {
    bool arrived = false;
    std::size_t failedRow = 0;  // the first row the driver marked as failed, or end
    std::string message;
  };
  // Rows [first, end) of the staged values as one array, committed when every row arrived.
  Outcome ExecuteValues(std::size_t first, std::size_t end);
  // Sets the array size and status pointers for count rows, executes, and closes the cursor.
  SQLRETURN ExecuteArray(std::size_t count);
  std::size_t Units(std::size_t column, std::size_t row) const {
    return columns_[column].offsets[row + 1] - columns_[column].offsets[row];
  }

  std::shared_ptr<Link> link_;
  Handle stmt_;
  std::size_t markers_;
  std::vector<Column> columns_;
  std::vector<BoundValues> values_;
  std::vector<SQLUSMALLINT> statuses_;
  SQLULEN processed_ = 0;
};

}  // namespace odbc
