#pragma once

#include <memory>
#include <string>

#include "platform/ado/Provider.h"

namespace odbc {

class Link;

// One connection through the unixODBC driver manager.
class OdbcSession : public ado::Session {
 public:
  OdbcSession(const std::string& connectionString, const ado::ConnectionSettings& settings);
  ~OdbcSession() override;

  void Execute(const std::string& sql) override;
  std::unique_ptr<ado::RowSource> Query(const std::string& sql) override;
  std::unique_ptr<ado::RowSource> TablesSchema() override;
  std::unique_ptr<ado::ParameterArrays> PrepareArrays(const std::string& sql, std::size_t markers) override;
  void Close() override;

 private:
  std::shared_ptr<Link> link_;
};

}  // namespace odbc
