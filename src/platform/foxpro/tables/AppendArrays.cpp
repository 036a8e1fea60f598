#include "platform/foxpro/tables/AppendArrays.h"

#include <string>
#include <utility>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro {

AppendArrays::AppendArrays(std::unique_ptr<DbfAppender> appender) : appender_(std::move(appender)) {}

AppendArrays::~AppendArrays() {
  try {
    appender_->Close();
  } catch (const ado::Failure&) {
    // Every record was whole when written; only the sync to the disk is lost.
  }
}

bool AppendArrays::Send(const ado::TextRows& /*rows*/) {
  throw ado::Failure("The FoxPro engine takes parameter arrays as typed values only.");
}

std::vector<ado::RowRefusal> AppendArrays::SendValues(const ado::ValueRows& rows) {
  if (rows.Columns() != appender_->Fields().size())
    throw ado::Failure("The table has " + std::to_string(appender_->Fields().size()) + " fields but the arrays hold " +
                       std::to_string(rows.Columns()) + " values a row.");
  std::vector<ado::RowRefusal> refused;
  for (std::size_t row = 0; row < rows.Rows(); ++row) {
    try {
      appender_->PrepareRecord([&](std::size_t column) -> const ado::Value& { return rows.At(row, column); });
    } catch (const ado::Failure& failure) {
      refused.push_back({row, failure.Description()});
      continue;
    }
    appender_->WritePreparedRecord();
  }
  appender_->FlushIndex();  // each array ends with the table's index up to date
  return refused;
}

}  // namespace foxpro
