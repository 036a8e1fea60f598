#pragma once

#include <QWidget>
#include <map>
#include <string>

#include "connections/ConnectionProfile.h"
#include "connections/WindowParts.h"
#include "shell/PointerZones.h"
#include "shell/ShellServices.h"
#include "shell/WindowPointer.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {

class Form2;

// The connection window: the live connection profile, the connection tests, the two
// choosers, the help messages and "Next >". Its load handler is the program's start-up.
class Form1 : public QWidget, public connections::ConnectionFields, public connections::ProfileTarget {
 public:
  explicit Form1(ShellServices& services);
  ~Form1() override;

  void SetTablesWindow(Form2& tables) { m_tables = &tables; }

  // The live profile.
  std::string Text1() const override;
  std::string Text2() const override;
  std::string Text3() const override;
  std::string Text4() const override;
  std::string Text5() const override;
  bool Option1Selected() const override;

  // Loading the profile.
  void SelectOption1() override;
  void SelectOption2() override;
  void SetText1(const std::string& text) override;
  void SetText2(const std::string& text) override;
  void SetText3(const std::string& text) override;
  void SetText4(const std::string& text) override;
  void SetText5(const std::string& text) override;

  // Handlers.
  void Form_Load();
  void Form_Unload();
  void PushButton1_Click();
  void PushButton2_Click();
  void PushButton3_Click();
  void PushButton4_Click();
  void PushButton5_Click();
  void PushButton6_Click();
  void PushButton7_Click();
  void PushButton8_Click();
  void Option1_Click();
  void Option2_Click();

  WindowPointer& Pointer() { return m_pointer; }

  /// The "?" message.
  static std::string SidHelpText();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, void (Form1::*handler)(), int left,
                         int top, int width, int height);
  QLineEdit* AddField(QWidget* parent, const char* name, const char* key, int left, int top, int width, int height);

  ShellServices& m_services;
  Form2* m_tables = nullptr;
  WindowPointer m_pointer{*this};
  PointerZones m_zones{m_pointer};

  QGroupBox* m_frame1 = nullptr;
  QGroupBox* m_frame2 = nullptr;
  QLineEdit* m_text1 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QLineEdit* m_text3 = nullptr;
  QLineEdit* m_text4 = nullptr;
  QLineEdit* m_text5 = nullptr;
  QRadioButton* m_option1 = nullptr;
  QRadioButton* m_option2 = nullptr;
};

}  // namespace shell
