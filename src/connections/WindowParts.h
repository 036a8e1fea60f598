#pragma once

#include <string>

#include "connections/ConnectionProfile.h"
#include "connections/ListBox.h"
#include "connections/Prompter.h"

namespace connections {

// The connection window's fields: the live connection profile that every database
// operation reads when it runs.
class ConnectionFields {
 public:
  virtual ~ConnectionFields() = default;
  virtual std::string OracleServer() const = 0;  // SID or net service name
  virtual std::string OracleUser() const = 0;
  virtual std::string OraclePassword() const = 0;
  virtual std::string DbcFile() const = 0;          // the database container (.dbc)
  virtual std::string FreeTableFolder() const = 0;  // the folder of free tables
  virtual bool DbcMode() const = 0;                 // true: the container, false: the folder
  // The ODBC driver's registered name and the data source name (empty: none, the driver is
  // named); the window has no field for them, so the profile's settings by default.
  virtual std::string OracleDriver() const { return OracleDriverSetting(); }
  virtual std::string OracleDsn() const { return GetProfileSetting(kOracleDsnKey); }
  // How the transfers copy: typed columns or text, and the FoxPro code pages. The defaults
  // are the settings' own defaults.
  virtual bool KeepTypes() const { return false; }
  virtual int CodePage() const { return kDefaultCodePage; }              // of new FoxPro tables
  virtual int SourceCodePage() const { return kDefaultSourceCodePage; }  // of tables that mark none
};

enum MousePointerValue : int { vbDefault = 0, vbHourglass = 11, vbCustom = 99 };

// A window's pointer state (0 arrow, 11 hourglass, 99 hand).
class MousePointer {
 public:
  virtual ~MousePointer() = default;
  virtual int Get() const = 0;
  virtual void Set(int value) = 0;
};

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetValue(int percent) = 0;
  virtual int GetValue() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
};

// What the tables window's commands work on.
struct TablesWindowParts {
  ListBox& List1;  // FoxPro Tables
  ListBox& List2;  // Oracle Tables
  ProgressBar& ProgressBar1;
  MousePointer& Pointer;
  Prompter& Prompts;
  const ConnectionFields& Fields;
};

}  // namespace connections
