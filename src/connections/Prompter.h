#pragma once

#include <string>

namespace connections {

// Message box styles and answers keep the numeric values the program was written with.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbYesNo = 4,
  vbExclamation = 48,
  vbDefaultButton1 = 0,
};
enum MsgBoxAnswer : int { vbOK = 1, vbStop = 3, vbYes = 6, vbNo = 7 };

// The one seam for every modal prompt. The window implementation uses QMessageBox and
// QInputDialog; tests script answers and record what was asked. Texts keep their
// "\r\n" and "\r" exactly.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // An empty title means the application title.
  virtual int MsgBox(const std::string& text, int style = vbOKOnly, const std::string& title = {}) = 0;
  // The failure report of a running command: the same box as MsgBox(text, style, title)
  // with a second button, "Stop", beside OK. Returns vbOK (also for Escape) to go on with
  // the command, or vbStop to end it. A front end that cannot offer Stop may keep this
  // default, which shows the plain report and always goes on.
  virtual int MsgBoxWithStop(const std::string& text, int style, const std::string& title) {
    return MsgBox(text, style, title);
  }
  // Returns the typed text, or empty text when cancelled.
  virtual std::string InputBox(const std::string& prompt, const std::string& title = {},
                               const std::string& defaultText = {}) = 0;
};

}  // namespace connections
