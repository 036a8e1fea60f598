#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <cmath>
#include <tuple>

#include "connections/ConnectionProfile.h"
#include "shell/Form1.h"
#include "shell/Main.h"
#include "shell/ShellHarness.h"
#include "shell/Twips.h"
#include "support/ScriptedProvider.h"

namespace shelltest {
namespace {

using connections::vbCustom;
using connections::vbDefault;
using connections::vbHourglass;
using connections::vbOKOnly;

constexpr const char* kOracleTestFailed = "Could not connect. Please check with your administrator.";

// Twips at 96 dpi: 15 to the pixel.
int Px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }
QRect Twips(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_DOUBLE_EQ(shell::ScreenLogicalDpi(), 96.0); }
  void TearDown() override { h.prompter.ExpectAllUsed(); }

  QLineEdit& Field(const char* name) { return ShellHarness::Find<QLineEdit>(*h.form1, name); }
  QRadioButton& Option(const char* name) { return ShellHarness::Find<QRadioButton>(*h.form1, name); }

  ShellHarness h;
};

TEST_F(Form1Test, ControlsSitWhereTheLayoutPutsThem) {
  EXPECT_EQ(h.form1->size(), QSize(Px(8040), Px(5670)));
  const std::vector<std::tuple<const char*, QRect>> placed = {
      {"Frame1", Twips(120, 120, 7800, 2385)},       {"Text1", Twips(1320, 360, 5535, 345)},
      {"PushButton6", Twips(6960, 360, 615, 345)},   {"Text2", Twips(1320, 840, 6255, 345)},
      {"Text3", Twips(1320, 1320, 6255, 345)},       {"PushButton3", Twips(240, 1800, 3600, 405)},
      {"PushButton8", Twips(3960, 1800, 3600, 405)}, {"Frame2", Twips(120, 2610, 7800, 2385)},
      {"Option1", Twips(240, 390, 1215, 255)},       {"Text4", Twips(1560, 360, 5295, 345)},
      {"PushButton5", Twips(6960, 360, 570, 345)},   {"Option2", Twips(240, 870, 1815, 255)},
      {"Text5", Twips(2160, 840, 4695, 345)},        {"PushButton4", Twips(6960, 840, 570, 345)},
      {"Combo1", Twips(1560, 1320, 3480, 345)},      {"PushButton1", Twips(240, 1800, 3600, 405)},
      {"PushButton7", Twips(3960, 1800, 3600, 405)}, {"PushButton2", Twips(120, 5130, 7800, 405)}};
  for (const auto& [name, rect] : placed) EXPECT_EQ(ShellHarness::Find(*h.form1, name).geometry(), rect) << name;
  // Fields and buttons of the Oracle frame are inside it, the FoxPro ones inside theirs.
  EXPECT_EQ(Field("Text1").parentWidget()->objectName(), "Frame1");
  EXPECT_EQ(Field("Text4").parentWidget()->objectName(), "Frame2");
  EXPECT_EQ(h.Button1("PushButton2").parentWidget(), h.form1.get());
}

TEST_F(Form1Test, CaptionsLabelsAndFontAreTheDesignOnes) {
  const std::vector<std::pair<const char*, const char*>> captions = {{"PushButton1", "Test Connection"},
                                                                     {"PushButton2", "Next >"},
                                                                     {"PushButton3", "Test Connection"},
                                                                     {"PushButton4", "..."},
                                                                     {"PushButton5", "..."},
                                                                     {"PushButton6", "?"},
                                                                     {"PushButton7", "Help"},
                                                                     {"PushButton8", "Help"}};
  for (const auto& [name, caption] : captions) EXPECT_EQ(h.Button1(name).text(), caption) << name;
  EXPECT_EQ(ShellHarness::Find<QGroupBox>(*h.form1, "Frame1").title(), "Oracle Login");
  EXPECT_EQ(ShellHarness::Find<QGroupBox>(*h.form1, "Frame2").title(), "FoxPro Login");
  EXPECT_EQ(Option("Option1").text(), "DBC File:");
  EXPECT_EQ(Option("Option2").text(), "Free Table Folder:");
  QStringList labels;
  for (QLabel* label : h.form1->findChildren<QLabel*>()) labels << label->text();
  EXPECT_EQ(labels, (QStringList{"SID:", "Username:", "Password:", "Code page:"}));
  for (QWidget* control : h.form1->findChildren<QWidget*>()) {
    if (control->objectName().isEmpty()) continue;
    EXPECT_EQ(control->font().family(), "Arial") << control->objectName().toStdString();
  }
}

TEST_F(Form1Test, PasswordShowsOneAsteriskPerCharacterAndIsStoredAsTyped) {
  QLineEdit& password = Field("Text3");
  EXPECT_EQ(password.echoMode(), QLineEdit::Password);
  EXPECT_EQ(password.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &password), '*');
  password.setFocus();
  ShellHarness::Type(password, "ti;ger ");
  EXPECT_EQ(h.Stored(connections::kPasswordKey), "ti;ger ");
}

TEST_F(Form1Test, TabOrderFillsTheFormTopToBottom) {
  std::vector<std::string> order;
  QWidget* widget = &Field("Text1");
  for (int i = 0; i < 16; ++i) {
    order.push_back(widget->objectName().toStdString());
    widget = widget->nextInFocusChain();
    while (widget->objectName().isEmpty() || widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Text1", "PushButton6", "Text2", "Text3", "PushButton3", "PushButton8",
                                             "Option1", "Text4", "PushButton5", "Option2", "Text5", "PushButton4",
                                             "Combo1", "PushButton1", "PushButton7", "PushButton2"}));
}

TEST_F(Form1Test, FirstStartWithAnEmptyStoreShowsTheEmptyConnectionWindow) {
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("login failed");
  h.form1->Form_Load();
  EXPECT_TRUE(h.form1->isVisible());
  EXPECT_FALSE(h.form2->isVisible());
  EXPECT_FALSE(h.form2->Loaded());
  for (const char* name : {"Text1", "Text2", "Text3", "Text4", "Text5"}) EXPECT_EQ(Field(name).text(), "") << name;
  EXPECT_TRUE(Option("Option1").isChecked());
  EXPECT_EQ(h.form1->windowTitle(), "Tesselby");
  EXPECT_FALSE(h.form1->windowIcon().isNull());
  EXPECT_EQ(h.applicationTitle, "Tesselby");
  EXPECT_TRUE(h.prompter.Asked().empty());
  EXPECT_TRUE(h.skin.Calls().empty());
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>{"Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;"}));
}

TEST_F(Form1Test, StartWithWorkingOracleButWrongFoxProPathStaysOnTheConnectionWindow) {
  h.Save("Server", "ORCL");
  h.Save("FoxproOption", "2");
  h.Save("FreeTableFolder", "/nowhere");
  auto oracle = support::ScriptedProvider::Install("");
  auto foxPro = support::ScriptedProvider::Install("vfpoledb.1");
  foxPro->FailOpen("Invalid path or file name.");
  h.form1->Form_Load();
  EXPECT_TRUE(h.form1->isVisible());
  EXPECT_FALSE(h.form2->isVisible());
  EXPECT_TRUE(Option("Option2").isChecked());
  EXPECT_EQ(Field("Text5").text(), "/nowhere");
  EXPECT_EQ(foxPro->Opened(),
            (std::vector<std::string>{"Provider=vfpoledb.1;Data Source=/nowhere;Collating Sequence=general;"}));
  EXPECT_TRUE(h.prompter.Asked().empty());
}

TEST_F(Form1Test, TypingWritesEveryIntermediateTextAndClearingStoresEmpty) {
  QLineEdit& user = Field("Text2");
  user.setFocus();
  ShellHarness::Type(user, "a");
  EXPECT_EQ(h.Stored("User"), "a");
  ShellHarness::Type(user, "b");
  EXPECT_EQ(h.Stored("User"), "ab");
  ShellHarness::Type(user, "c");
  EXPECT_EQ(h.Stored("User"), "abc");
  for (int i = 0; i < 3; ++i) ShellHarness::Key(user, Qt::Key_Backspace);
  EXPECT_EQ(h.Stored("User"), "");
  EXPECT_EQ(h.Stored("Server"), "");  // other keys untouched
}

TEST_F(Form1Test, FocusSelectsTheWholeText) {
  h.form1->show();
  QApplication::setActiveWindow(h.form1.get());
  Field("Text1").setText("ORCL");
  Field("Text2").setText("scott");
  Field("Text1").setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  Field("Text2").setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(Field("Text2").selectedText(), "scott");
}

TEST_F(Form1Test, SwitchingModesWritesOneAndTwoAndKeepsBothPaths) {
  Field("Text4").setText("/data/shop.dbc");
  Field("Text5").setText("/data/free");
  Option("Option2").click();
  EXPECT_EQ(h.Stored("FoxproOption"), "2");
  EXPECT_FALSE(h.form1->DbcMode());
  Option("Option1").click();
  EXPECT_EQ(h.Stored("FoxproOption"), "1");
  EXPECT_TRUE(h.form1->DbcMode());
  EXPECT_EQ(h.Stored("DBCFile"), "/data/shop.dbc");
  EXPECT_EQ(h.Stored("FreeTableFolder"), "/data/free");
}

TEST_F(Form1Test, FolderChooserOpensWithoutPreselectionAndFillsTheFolderField) {
  Field("Text5").setText("/old/folder");
  h.Save("FoxproOption", "1");
  h.pickers.folderAnswer = "/home/u/free tables";
  h.Button1("PushButton4").click();
  ASSERT_EQ(h.pickers.calls.size(), 1U);
  EXPECT_EQ(h.pickers.calls[0].kind, "folder");
  EXPECT_EQ(h.pickers.calls[0].prompt, "Please select folder:");
  EXPECT_EQ(h.pickers.calls[0].startFolder, "");
  EXPECT_EQ(h.pickers.calls[0].owner, h.form1.get());
  EXPECT_EQ(Field("Text5").text(), "/home/u/free tables");
  EXPECT_EQ(h.Stored("FreeTableFolder"), "/home/u/free tables");
  EXPECT_EQ(h.Stored("FoxproOption"), "1");  // the mode is not changed

  h.pickers.folderAnswer.clear();  // cancelled
  h.Button1("PushButton4").click();
  EXPECT_EQ(Field("Text5").text(), "/home/u/free tables");
}

TEST_F(Form1Test, FileChooserAsksForADbcFileAndKeepsATypedNameUnchanged) {
  Field("Text4").setText("/old.dbc");
  Option("Option2").click();
  h.pickers.fileAnswer = "/data/shop.DBX";
  h.Button1("PushButton5").click();
  ASSERT_EQ(h.pickers.calls.size(), 1U);
  EXPECT_EQ(h.pickers.calls[0].kind, "file");
  EXPECT_EQ(h.pickers.calls[0].prompt, "Select Foxpro Database");
  EXPECT_EQ(h.pickers.calls[0].filter, "Microsoft Database (*.dbc)|*.dbc|");
  EXPECT_EQ(h.pickers.calls[0].flags, 0x280001);
  EXPECT_EQ(Field("Text4").text(), "/data/shop.DBX");
  EXPECT_EQ(h.Stored("DBCFile"), "/data/shop.DBX");
  EXPECT_FALSE(h.form1->DbcMode());

  h.pickers.fileAnswer.clear();
  h.Button1("PushButton5").click();
  EXPECT_EQ(Field("Text4").text(), "/data/shop.DBX");
}

TEST_F(Form1Test, HelpButtonsShowTheirMessagesUnderTheApplicationTitle) {
  h.prompter.ExpectMsgBox("Make sure FoxPro is closed while using this application.", vbOKOnly, "")
      .ExpectMsgBox("This software does not support the CLOB and NLOB data type in Oracle.", vbOKOnly, "")
      .ExpectMsgBox(shell::Form1::SidHelpText(), vbOKOnly, "");
  h.Button1("PushButton7").click();
  h.Button1("PushButton8").click();
  h.Button1("PushButton6").click();
}

TEST_F(Form1Test, SidHelpShowsTheIndentedEntryAndTheConclusionAfterAnEmptyLine) {
  const std::string text = shell::Form1::SidHelpText();
  EXPECT_EQ(text.rfind("This software works with Oracle 9i or higher.\r\rThe SID is used", 0), 0U);
  EXPECT_NE(text.find("looks like:\r\n\r\nZELT =\r\n (DESCRIPTION =\r\n   (ADDRESS_LIST =\r\n     (ADDRESS = "
                      "(PROTOCOL = TCP)(HOST = "),
            std::string::npos);
  EXPECT_NE(text.find(")(PORT = 1521))\r\n   )\r\n   (CONNECT_DATA =\r\n     (SID = ZELT)\r\n   )\r\n )\r\n\r\n"
                      "Therefore, my SID would be ZELT"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 31), "Therefore, my SID would be ZELT");
}

TEST_F(Form1Test, OracleTestReportsFailureAndSuccessAndRestoresThePointer) {
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("ORA-01017: invalid username/password");
  h.prompter.ExpectMsgBox(kOracleTestFailed, vbOKOnly, "").ExpectMsgBox("Connection successful.", vbOKOnly, "");
  h.Button1("PushButton3").click();
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>{"Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;"}));
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
  oracle->SucceedOpen();
  Field("Text1").setText("ORCL");
  h.Button1("PushButton3").click();
  EXPECT_EQ(oracle->Opened().back(), "Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=;Pwd=;");
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
}

TEST_F(Form1Test, FoxProTestUsesTheSelectedModesPath) {
  auto foxPro = support::ScriptedProvider::Install("vfpoledb.1");
  Field("Text4").setText("/data/shop.dbc");
  Field("Text5").setText("/data/free");
  h.prompter.ExpectMsgBox("Connection successful.", vbOKOnly, "");
  h.Button1("PushButton1").click();
  EXPECT_EQ(foxPro->Opened(),
            (std::vector<std::string>{"Provider=vfpoledb.1;Data Source=/data/shop.dbc;Collating Sequence=machine;"}));
}

TEST_F(Form1Test, NextWithAWrongPasswordShowsTheHourglassAndStaysWithoutAMessage) {
  auto oracle = support::ScriptedProvider::Install("");
  auto foxPro = support::ScriptedProvider::Install("vfpoledb.1");
  oracle->FailOpen("ORA-01017: invalid username/password");
  h.form1->show();
  h.Button1("PushButton2").click();
  EXPECT_TRUE(h.form1->isVisible());
  EXPECT_FALSE(h.form2->isVisible());
  EXPECT_TRUE(foxPro->Opened().empty());  // FoxPro is not tried
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
  EXPECT_TRUE(h.prompter.Asked().empty());
}

TEST_F(Form1Test, ClosingTheConnectionWindowEndsTheProgram) {
  h.form1->show();
  h.form1->close();
  EXPECT_EQ(h.endProgramCalls, 1);
}

// The pointer rule.

TEST_F(Form1Test, WithoutTheCursorFileTheButtonPointerStaysTheArrow) {
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("no");
  h.form1->Form_Load();
  ShellHarness::MoveMouseOver(h.Button1("PushButton2"));
  EXPECT_EQ(h.form1->Pointer().Get(), vbCustom);
  EXPECT_FALSE(h.form1->Pointer().HasImage());
  EXPECT_EQ(h.form1->cursor().shape(), Qt::ArrowCursor);
  ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form1, "Frame1"));
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
}

TEST_F(Form1Test, WithTheCursorFileButtonsShowTheHand) {
  ASSERT_TRUE(WriteHandCursor(h.programFolder.filePath("HAND-M.CUR")));
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("no");
  h.form1->Form_Load();
  EXPECT_TRUE(h.form1->Pointer().HasImage());
  for (const char* button : {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton5", "PushButton6",
                             "PushButton7", "PushButton8"}) {
    ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form1, "Text2"));
    ShellHarness::MoveMouseOver(h.Button1(button));
    EXPECT_EQ(h.form1->Pointer().Get(), vbCustom) << button;
    EXPECT_EQ(h.form1->cursor().shape(), Qt::BitmapCursor) << button;
  }
  for (const char* plain : {"Frame1", "Frame2", "Text1", "Text2", "Text3", "Text5", "Form1"}) {
    ShellHarness::MoveMouseOver(h.Button1("PushButton2"));
    QWidget& widget = std::string(plain) == "Form1" ? *h.form1 : ShellHarness::Find(*h.form1, plain);
    ShellHarness::MoveMouseOver(widget);
    EXPECT_EQ(h.form1->Pointer().Get(), vbDefault) << plain;
    EXPECT_EQ(h.form1->cursor().shape(), Qt::ArrowCursor) << plain;
  }
  EXPECT_TRUE(h.prompter.Asked().empty());
}

TEST_F(Form1Test, HourglassSurvivesMouseMovesExceptOverTheDbcFileField) {
  h.form1->Pointer().Set(vbHourglass);
  for (const char* name : {"PushButton2", "Frame1", "Frame2", "Text1", "Text5"}) {
    ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form1, name));
    EXPECT_EQ(h.form1->Pointer().Get(), vbHourglass) << name;
    EXPECT_EQ(h.form1->cursor().shape(), Qt::WaitCursor) << name;
  }
  ShellHarness::MoveMouseOver(Field("Text4"));
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
}

TEST_F(Form1Test, ABrokenCursorFileIsReportedAndLeavesNoPointerImage) {
  {
    QFile file(h.programFolder.filePath("HAND-M.CUR"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a cursor");
  }
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("no");
  h.prompter.ExpectFailureReport("Form1.Form_Load", 112);
  h.form1->Form_Load();
  EXPECT_FALSE(h.form1->Pointer().HasImage());
  EXPECT_TRUE(h.form1->isVisible());
}

TEST_F(Form1Test, SkinFileDressesTheWindowWithTheButtonFaceColour) {
  ASSERT_TRUE(QDir(h.programFolder.path()).mkpath("x"));
  {
    QFile file(h.programFolder.filePath("x/o.cjs"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("no");
  h.form1->Form_Load();
  const std::string skinFile = h.programFolder.filePath("x/o.cjs").toStdString();
  ASSERT_EQ(h.skin.Calls().size(), 5U);
  EXPECT_EQ(h.skin.Calls()[0], "method 2(" + skinFile + ",)");
  EXPECT_EQ(h.skin.Calls()[1], "property 1=1");
  EXPECT_EQ(h.skin.Calls()[2], "property 5=True");
  EXPECT_EQ(h.skin.Calls()[3], "property 10=True");
  EXPECT_EQ(h.skin.Calls()[4].rfind("method 3(", 0), 0U);
  EXPECT_TRUE(ShellHarness::Find(*h.form1, "Frame1").autoFillBackground());
  EXPECT_TRUE(Option("Option1").autoFillBackground());
  EXPECT_FALSE(h.Button1("PushButton1").autoFillBackground());
}

TEST_F(Form1Test, CodePageListShowsTheSavedCodePageAndSavesEachChoice) {
  QComboBox& list = ShellHarness::Find<QComboBox>(*h.form1, "Combo1");
  EXPECT_EQ(list.count(), 19);
  EXPECT_EQ(h.form1->CodePage(), 1252);
  connections::SaveProfileSetting("CodePage", "1251");
  auto oracle = support::ScriptedProvider::Install("");
  oracle->FailOpen("no");
  h.form1->Form_Load();
  EXPECT_EQ(list.currentText(), "1251 Windows Cyrillic");
  // Named and in numeric order, and the open list fits a small screen.
  EXPECT_EQ(list.itemText(0), "437 MS-DOS United States");
  EXPECT_EQ(list.itemText(list.findData(1252)), "1252 Windows Latin 1");
  for (int i = 1; i < list.count(); ++i) EXPECT_LT(list.itemData(i - 1).toInt(), list.itemData(i).toInt());
  EXPECT_EQ(list.style()->styleHint(QStyle::SH_ComboBox_Popup, nullptr, &list), 0);
  EXPECT_LE(list.maxVisibleItems(), 12);
  list.setCurrentIndex(list.findText("866 MS-DOS Cyrillic"));
  EXPECT_EQ(connections::GetProfileSetting("CodePage"), "866");
  EXPECT_EQ(h.form1->CodePage(), 866);
}

}  // namespace
}  // namespace shelltest
