#pragma once

#include <memory>

#include "connections/DoEvents.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"

namespace connections {

// A connection object variable: empty until created. Using it while empty fails the way
// the program's object variables do, so a command whose creation step failed still runs
// its later steps, each of them failing in turn.
class ConnectionObject {
 public:
  // The command's connections keep the window live while they wait (nothing without one).
  void Create() {
    m_connection = std::make_unique<ado::Connection>();
    m_connection->Yield = &DoEvents;
  }
  bool IsCreated() const { return m_connection != nullptr; }
  bool IsOpen() const { return m_connection != nullptr && m_connection->IsOpen(); }

  ado::Connection& operator*() const { return Get(); }
  ado::Connection* operator->() const { return &Get(); }

 private:
  ado::Connection& Get() const {
    if (!m_connection) throw ado::Failure("Object variable or With block variable not set");
    return *m_connection;
  }

  std::unique_ptr<ado::Connection> m_connection;
};

}  // namespace connections
