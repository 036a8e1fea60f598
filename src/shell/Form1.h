#pragma once

#include <QWidget>
#include <map>
#include <string>

#include "connections/ConnectionProfile.h"
#include "connections/WindowParts.h"
#include "shell/PointerZones.h"
#include "shell/ShellServices.h"
#include "shell/WindowPointer.h"

class QComboBox;
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
  std::string OracleServer() const override;
  std::string OracleUser() const override;
  std::string OraclePassword() const override;
  std::string DbcFile() const override;
  std::string FreeTableFolder() const override;
  bool DbcMode() const override;
  bool KeepTypes() const override;
  int CodePage() const override;
  int SourceCodePage() const override;

  // Loading the profile.
  void SelectDbcMode() override;
  void SelectFreeTableFolderMode() override;
  void SetOracleServer(const std::string& text) override;
  void SetOracleUser(const std::string& text) override;
  void SetOraclePassword(const std::string& text) override;
  void SetDbcFile(const std::string& text) override;
  void SetFreeTableFolder(const std::string& text) override;

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
  QComboBox* m_codePage = nullptr;  // of new FoxPro tables
};

}  // namespace shell
