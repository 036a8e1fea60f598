#pragma once

#include <string>

namespace transfer {

// Watches a transfer table by table and row by row, for a caller that shows progress or
// sums up a run (the command line). The windows pass none. Calls come from inside the
// transfer's loop, outside its failure trap, so an observer must not throw.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  /// A table's rows are about to be sent: its source and target names and the row count.
  virtual void TableStarted(const std::string& source, const std::string& target, long rowCount) noexcept = 0;
  /// One row's INSERT has run; succeeded is false when it was reported as a failure.
  virtual void RowSent(bool succeeded) noexcept = 0;
  /// The table's CREATE TABLE failed, so none of its rows were sent; comes before TableEnded.
  virtual void TableNotCreated([[maybe_unused]] long rowsNotSent) noexcept {}
  /// The table was left out before its rows (its name refused, its source unreadable, another
  /// run writing it): the failure reports since the previous table are this table's.
  virtual void TableSkipped([[maybe_unused]] const std::string& source) noexcept {}
  /// The table's closing steps have run.
  virtual void TableEnded() noexcept = 0;
  /// Something the summary should say about the table (keys not carried).
  virtual void Note(const std::string& /*text*/) noexcept {}
  /// How many of the table's values the target's precision changed (a time cut to the
  /// millisecond): rounded by the rule, not copied as they were.
  virtual void ValuesRounded(long /*count*/) noexcept {}
};

}  // namespace transfer
