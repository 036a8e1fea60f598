#pragma once

#include <memory>

#include "platform/ado/Provider.h"

namespace foxpro {

class DbfAppender;

/// INSERT INTO table VALUES (?, ...) for whole arrays of typed rows: every row goes through
/// the one appender, which keeps the table open and locked until this object is destroyed.
class AppendArrays : public ado::ParameterArrays {
 public:
  explicit AppendArrays(std::unique_ptr<DbfAppender> appender);
  ~AppendArrays() override;

  /// Text arrays would need the whole array taken back after a refused row, which a table
  /// that others read while it grows cannot do: they are refused with an ado::Failure.
  bool Send(const ado::TextRows& rows) override;
  /// Appends row after row; a row the table cannot hold is returned with its message and
  /// nothing of it stored, and the next rows go on. A failure to write (a full disk) is thrown.
  std::vector<ado::RowRefusal> SendValues(const ado::ValueRows& rows) override;

 private:
  std::unique_ptr<DbfAppender> appender_;
};

}  // namespace foxpro
