#pragma once

#include <string>

#include "connections/ListBox.h"
#include "connections/Prompter.h"

namespace connections {

// The connection window's fields: the live connection profile that every database
// operation reads when it runs.
class ConnectionFields {
 public:
  virtual ~ConnectionFields() = default;
  virtual std::string Text1() const = 0;     // Oracle server (SID)
  virtual std::string Text2() const = 0;     // user
  virtual std::string Text3() const = 0;     // password
  virtual std::string Text4() const = 0;     // DBC file
  virtual std::string Text5() const = 0;     // free table folder
  virtual bool Option1Selected() const = 0;  // DBC file mode
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
