#pragma once

#include <QMessageBox>
#include <QString>
#include <string>

#include "connections/Prompter.h"

namespace shell {

// The prompts as QMessageBox / QInputDialog, modal to the program.
class QtPrompter : public connections::Prompter {
 public:
  /// applicationTitle is read at each prompt (it is set during start-up).
  explicit QtPrompter(const std::string& applicationTitle) : m_applicationTitle(applicationTitle) {}

  int MsgBox(const std::string& text, int style, const std::string& title) override;
  int MsgBoxWithStop(const std::string& text, int style, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;

  /// Each "\r\n" and each lone "\r" or "\n" is one line break on screen.
  static QString ScreenText(const std::string& text);

 private:
  QString Title(const std::string& title) const;
  /// The box of MsgBox without its buttons.
  void Dress(QMessageBox& box, const std::string& text, int style, const std::string& title) const;

  const std::string& m_applicationTitle;
};

}  // namespace shell
