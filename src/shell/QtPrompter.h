#pragma once

#include <QMessageBox>
#include <QString>
#include <string>

#include "connections/FailureReport.h"
#include "connections/Prompter.h"

namespace shell {

// The prompts as QMessageBox / QInputDialog, modal to the program: each question drawn as
// the box connections/FailureReport.h gives its texts.
class QtPrompter : public connections::Prompter {
 public:
  /// applicationTitle is read at each prompt (it is set during start-up).
  explicit QtPrompter(const std::string& applicationTitle) : m_applicationTitle(applicationTitle) {}

  bool AskOverwrite(const std::string& table, connections::TableSide side) override;
  connections::AfterFailure ReportFailure(const connections::FailureReport& report, bool stopOffered) override;
  void Tell(const std::string& text) override;
  std::string AskText(const std::string& prompt, const std::string& defaultText) override;

  /// The box with text, style and title (empty: the application's); returns the button.
  int MsgBox(const std::string& text, int style, const std::string& title);
  /// The same box with a second button, "Stop", beside OK; vbStop when it was pressed.
  int MsgBoxWithStop(const std::string& text, int style, const std::string& title);
  /// The typed text, or empty text when cancelled.
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText);

  /// Each "\r\n" and each lone "\r" or "\n" is one line break on screen.
  static QString ScreenText(const std::string& text);

 private:
  QString Title(const std::string& title) const;
  /// The box of MsgBox without its buttons.
  void Dress(QMessageBox& box, const std::string& text, int style, const std::string& title) const;

  const std::string& m_applicationTitle;
};

}  // namespace shell
