#pragma once

#include <utility>

#include "platform/odbc/OdbcApi.h"

namespace odbc {

// One ODBC handle, freed when the object goes. A connection handle is disconnected
// first when MarkConnected() was called.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE parent);  // allocates; throws ado::Failure
  ~Handle() { Free(); }
  Handle(Handle&& other) noexcept
      : type_(other.type_),
        handle_(std::exchange(other.handle_, nullptr)),
        connected_(std::exchange(other.connected_, false)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Free();
      type_ = other.type_;
      handle_ = std::exchange(other.handle_, nullptr);
      connected_ = std::exchange(other.connected_, false);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE Get() const { return handle_; }
  SQLSMALLINT Type() const { return type_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void MarkConnected() { connected_ = true; }
  void Free() noexcept;

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = nullptr;
  bool connected_ = false;
};

}  // namespace odbc
