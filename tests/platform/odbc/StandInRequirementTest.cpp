#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/StandIn.h"

namespace {

// Sets an environment variable for the life of the object, and puts back what was there.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvironmentVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void RequireTheStandIn() { TESSELBY_REQUIRE_STANDIN(); }

// Where the test command started the stand-in, a test that finds none has lost it: a failure,
// not a skip that would let the run pass with those tests unrun.
TEST(StandInRequirementTest, AMissingStandInFailsWhereTheTestCommandStartedOne) {
  const EnvironmentVariable noStandIn("ODBCSYSINI", nullptr);
  const EnvironmentVariable notCi("CI", nullptr);
  const EnvironmentVariable required("TESSELBY_STANDIN_REQUIRED", "1");
  EXPECT_FATAL_FAILURE(RequireTheStandIn(), "The Oracle stand-in is not running");
}

}  // namespace
