#pragma once

#include <stdexcept>
#include <string>

namespace ado {

// Every failure of the data layer (and of the program's own steps) is one of these:
// a description text meant for the user, shown unchanged by the failure report.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& description) : std::runtime_error(description) {}
  const std::string& Description() const noexcept { return description_; }

 private:
  std::string description_ = what();
};

// A failure that took the connection with it (the server went away, the link broke): every
// further statement on that connection would fail the same way until it is opened again.
class ConnectionLost : public Failure {
 public:
  using Failure::Failure;
};

}  // namespace ado
