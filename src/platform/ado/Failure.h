#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace ado {

// Every failure of the data layer (and of the program's own steps) is one of these:
// a description text meant for the user, shown unchanged by the failure report, and for a
// failure of a database call its SQLSTATE (empty otherwise) and native error code (0 when none).
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& description, std::string sqlState = {}, long nativeCode = 0)
      : std::runtime_error(description), sqlState_(std::move(sqlState)), nativeCode_(nativeCode) {}
  const std::string& Description() const noexcept { return description_; }
  const std::string& SqlState() const noexcept { return sqlState_; }
  long NativeCode() const noexcept { return nativeCode_; }

 private:
  std::string description_ = what();
  std::string sqlState_;
  long nativeCode_ = 0;
};

// A failure that took the connection with it (the server went away, the link broke): every
// further statement on that connection would fail the same way until it is opened again.
class ConnectionLost : public Failure {
 public:
  using Failure::Failure;
};

}  // namespace ado
