#pragma once

#include <utility>

namespace shell {

// One per program, shared by both windows. While a command runs (and lets the window
// system process events), a click on another command does nothing, so a list cannot be
// edited under a running transfer. Controls stay enabled and nothing is shown.
class CommandGate {
 public:
  bool Running() const { return m_running; }

  /// Runs command unless another one is running; returns whether it ran.
  template <class F>
  bool Run(F&& command) {
    if (m_running) return false;
    Hold hold(m_running);
    std::forward<F>(command)();
    return true;
  }

 private:
  class Hold {
   public:
    explicit Hold(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Hold() { m_flag = false; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    bool& m_flag;
  };

  bool m_running = false;
};

}  // namespace shell
