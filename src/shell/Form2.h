#pragma once

#include <QWidget>
#include <map>
#include <memory>

#include "connections/ListBox.h"
#include "connections/WindowParts.h"
#include "shell/ListBinding.h"
#include "shell/PointerZones.h"
#include "shell/ProgressBarControl.h"
#include "shell/ShellServices.h"
#include "shell/WindowPointer.h"

class QCheckBox;
class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace shell {

class Form1;

// The tables window: both table lists, the commands that work on their selection, the
// progress bar, "< Back" and "Help".
class Form2 : public QWidget {
 public:
  Form2(ShellServices& services, Form1& connectionWindow);
  ~Form2() override;

  /// Shows the window, running the load steps the first time.
  void ShowWindow();
  bool Loaded() const { return m_loaded; }

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
  void PushButton9_Click();
  void PushButton10_Click();
  void PushButton11_Click();
  void PushButton12_Click();

  connections::ListBox& List1() { return m_list1; }  // FoxPro Tables
  connections::ListBox& List2() { return m_list2; }  // Oracle Tables
  ProgressBarControl& ProgressBar1() { return m_progress; }
  WindowPointer& Pointer() { return m_pointer; }
  connections::TablesWindowParts& Parts() { return m_parts; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  QGroupBox* AddFrame(const char* name, const char* caption, int left);
  QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, void (Form2::*handler)(), int left,
                         int top, int width, int height);
  void SelectAll(const char* handler, connections::ListBox& list, bool selected);
  /// The outer height in twips: the client height less whatever frame the window has.
  void SetOuterHeight(int twips);

  ShellServices& m_services;
  Form1& m_connectionWindow;
  bool m_loaded = false;
  int m_outerHeightTwips = 0;
  QListWidget* m_listWidget1;
  QListWidget* m_listWidget2;
  QProgressBar* m_progressWidget;
  QCheckBox* m_keepTypes;
  connections::ListBox m_list1;
  connections::ListBox m_list2;
  ListBinding m_listView1{m_list1, *m_listWidget1};
  ListBinding m_listView2{m_list2, *m_listWidget2};
  ProgressBarControl m_progress;
  WindowPointer m_pointer{*this};
  PointerZones m_zones{m_pointer};
  connections::TablesWindowParts m_parts;
};

}  // namespace shell
