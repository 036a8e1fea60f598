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

}  // namespace ado
