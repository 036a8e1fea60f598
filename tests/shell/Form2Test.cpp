#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>
#include <tuple>

#include "connections/ConnectionProfile.h"
#include "platform/ado/Types.h"
#include "shell/Form2.h"
#include "shell/ShellHarness.h"
#include "shell/Twips.h"
#include "support/ScriptedProvider.h"

namespace shelltest {
namespace {

using connections::vbDefault;
using connections::vbHourglass;
using connections::vbOKOnly;

int Px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }
QRect Twips(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

// Both windows over scripted Oracle and FoxPro providers; the saved profile opens both.
class Form2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(shell::ScreenLogicalDpi(), 96.0);
    ASSERT_TRUE(freeTables.isValid());
    h.Save("Server", "ORCL");
    h.Save("User", "scott");
    h.Save("Password", "tiger");
    h.Save("FoxproOption", "2");
    h.Save("FreeTableFolder", freeTables.path().toStdString());
    foxPro->SetTables({{"TABLE", "orders"}, {"VIEW", "v_orders"}, {"TABLE", "Customer"}, {"SYSTEM TABLE", "x"}});
    SetOracleTables({"ZETA", "ALPHA", "beta"});
  }
  void TearDown() override { h.prompter.ExpectAllUsed(); }

  void SetOracleTables(const std::vector<std::string>& names) {
    support::ScriptedResult result;
    result.fields = {{"TABLE_NAME", ado::adVarWChar}};
    for (const auto& name : names) result.rows.push_back({ado::Value(name)});
    oracle->SetResult("SELECT table_name FROM user_tables", result);
  }

  QListWidget& ListWidget(const char* name) { return ShellHarness::Find<QListWidget>(*h.form2, name); }

  ShellHarness h;
  QTemporaryDir freeTables;
  support::ScriptedProvider::Registration oracle = support::ScriptedProvider::Install("");
  support::ScriptedProvider::Registration foxPro = support::ScriptedProvider::Install("vfpoledb.1");
};

TEST_F(Form2Test, StartWithWorkingConnectionsGoesStraightToTheFilledTablesWindow) {
  h.form1->Form_Load();
  EXPECT_TRUE(h.form2->isVisible());
  EXPECT_FALSE(h.form1->isVisible());
  EXPECT_EQ(ShellHarness::Items(h.form2->List1()), (std::vector<std::string>{"Customer", "orders"}));
  EXPECT_EQ(ShellHarness::Items(h.form2->List2()), (std::vector<std::string>{"ALPHA", "beta", "ZETA"}));
  EXPECT_EQ(h.form2->List2().ListIndex(), 0);
  EXPECT_EQ(h.form2->windowTitle(), "Tesselby");
  EXPECT_FALSE(h.form2->windowIcon().isNull());
  EXPECT_TRUE(h.prompter.Asked().empty());

  // "< Back" shows the connection window with the saved values.
  h.Button2("PushButton2").click();
  EXPECT_TRUE(h.form1->isVisible());
  EXPECT_FALSE(h.form2->isVisible());
  EXPECT_EQ(h.form1->OracleUser(), "scott");
  EXPECT_EQ(h.form1->FreeTableFolder(), freeTables.path().toStdString());
  EXPECT_FALSE(h.form1->DbcMode());
  // The lists and their selection stay.
  EXPECT_EQ(h.form2->List1().ListCount(), 2);
}

TEST_F(Form2Test, NextReadsBothListsAgainOnEveryVisit) {
  oracle->FailOpen("ORA-12541: TNS:no listener");
  h.form1->Form_Load();
  ASSERT_TRUE(h.form1->isVisible());
  oracle->SucceedOpen();
  h.form1->Pointer().Set(vbDefault);
  h.Button1("PushButton2").click();
  EXPECT_TRUE(h.form2->isVisible());
  EXPECT_FALSE(h.form1->isVisible());
  EXPECT_EQ(h.form1->Pointer().Get(), vbDefault);
  EXPECT_EQ(ShellHarness::Items(h.form2->List2()), (std::vector<std::string>{"ALPHA", "beta", "ZETA"}));

  h.Button2("PushButton2").click();
  SetOracleTables({"ZETA", "NEW_ONE"});
  foxPro->SetTables({{"TABLE", "orders"}});
  h.Button1("PushButton2").click();
  EXPECT_EQ(ShellHarness::Items(h.form2->List2()), (std::vector<std::string>{"NEW_ONE", "ZETA"}));
  EXPECT_EQ(ShellHarness::Items(h.form2->List1()), (std::vector<std::string>{"orders"}));
  EXPECT_TRUE(h.prompter.Asked().empty());
}

TEST_F(Form2Test, ControlsSitWhereTheLayoutPutsThemAndTheOuterHeightIsSetAtLoad) {
  h.form1->Form_Load();
  ASSERT_TRUE(h.form2->isVisible());
  EXPECT_EQ(h.form2->frameGeometry().height(), Px(6265));
  EXPECT_EQ(h.form2->width(), Px(8040));
  const std::vector<std::tuple<const char*, QRect>> placed = {
      {"Frame2", Twips(120, 120, 3840, 4215)},       {"Frame1", Twips(4080, 120, 3840, 4215)},
      {"List1", Twips(240, 360, 3330, 1635)},        {"List2", Twips(240, 360, 3330, 1635)},
      {"PushButton10", Twips(240, 2100, 1600, 405)}, {"PushButton11", Twips(1960, 2100, 1600, 405)},
      {"PushButton8", Twips(240, 2100, 1600, 405)},  {"PushButton9", Twips(1960, 2100, 1600, 405)},
      {"PushButton3", Twips(240, 2600, 3330, 405)},  {"PushButton4", Twips(240, 2600, 3330, 405)},
      {"PushButton1", Twips(240, 3100, 3330, 405)},  {"PushButton5", Twips(240, 3100, 3330, 405)},
      {"PushButton6", Twips(240, 3600, 3330, 405)},  {"PushButton7", Twips(240, 3600, 3330, 405)},
      {"Check1", Twips(240, 4440, 7680, 255)},       {"ProgressBar1", Twips(120, 4760, 7800, 405)},
      {"PushButton2", Twips(120, 5280, 3840, 405)},  {"PushButton12", Twips(4080, 5280, 3840, 405)}};
  for (const auto& [name, rect] : placed) EXPECT_EQ(ShellHarness::Find(*h.form2, name).geometry(), rect) << name;
  // The FoxPro frame holds List1 and its buttons, the Oracle frame List2 and its own.
  for (const char* name : {"List1", "PushButton10", "PushButton11", "PushButton3", "PushButton1", "PushButton6"})
    EXPECT_EQ(ShellHarness::Find(*h.form2, name).parentWidget()->objectName(), "Frame2") << name;
  for (const char* name : {"List2", "PushButton8", "PushButton9", "PushButton4", "PushButton5", "PushButton7"})
    EXPECT_EQ(ShellHarness::Find(*h.form2, name).parentWidget()->objectName(), "Frame1") << name;
}

TEST_F(Form2Test, CaptionsAndTheProgressBarText) {
  const std::vector<std::pair<const char*, const char*>> captions = {
      {"PushButton1", "Delete Table/s"},         {"PushButton2", "< Back"},
      {"PushButton3", "Send Table/s To Oracle"}, {"PushButton4", "Send Table/s To FoxPro"},
      {"PushButton5", "Delete Table/s"},         {"PushButton6", "Rename Table"},
      {"PushButton7", "Rename Table"},           {"PushButton8", "Select All"},
      {"PushButton9", "Deselect All"},           {"PushButton10", "Select All"},
      {"PushButton11", "Deselect All"},          {"PushButton12", "Help"}};
  for (const auto& [name, caption] : captions) EXPECT_EQ(h.Button2(name).text(), caption) << name;
  EXPECT_EQ(ShellHarness::Find<QGroupBox>(*h.form2, "Frame1").title(), "Oracle Tables");
  EXPECT_EQ(ShellHarness::Find<QGroupBox>(*h.form2, "Frame2").title(), "FoxPro Tables");
  auto& bar = ShellHarness::Find<QProgressBar>(*h.form2, "ProgressBar1");
  EXPECT_EQ(bar.text(), "Progress Bar");
  EXPECT_EQ(bar.minimum(), 0);
  EXPECT_EQ(bar.maximum(), 100);
  h.form2->ProgressBar1().SetValue(40);
  h.form2->ProgressBar1().SetText("40% of orders");
  EXPECT_EQ(bar.value(), 40);
  EXPECT_EQ(h.form2->ProgressBar1().GetText(), "40% of orders");
  EXPECT_EQ(ListWidget("List1").selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(ListWidget("List1").font().family(), "Arial");
}

TEST_F(Form2Test, SelectAllAndDeselectAllWorkOnTheirOwnListOnly) {
  h.form1->Form_Load();
  h.Button2("PushButton8").click();  // Oracle Select All
  EXPECT_EQ(h.form2->List2().SelCount(), 3);
  EXPECT_EQ(h.form2->List1().SelCount(), 0);
  h.Button2("PushButton10").click();  // FoxPro Select All
  EXPECT_EQ(h.form2->List1().SelCount(), 2);
  h.Button2("PushButton9").click();  // Oracle Deselect All
  EXPECT_EQ(h.form2->List2().SelCount(), 0);
  EXPECT_EQ(h.form2->List1().SelCount(), 2);
  h.Button2("PushButton11").click();
  EXPECT_EQ(h.form2->List1().SelCount(), 0);

  h.form2->List2().Clear();
  h.Button2("PushButton8").click();
  h.Button2("PushButton9").click();
  EXPECT_EQ(h.form2->List2().ListCount(), 0);
  EXPECT_TRUE(h.prompter.Asked().empty());
}

TEST_F(Form2Test, HelpNamesTheContactPage) {
  h.prompter.ExpectMsgBox("Questions? Please contact Team Quenmark at https://quenmark.example/contact", vbOKOnly, "");
  h.Button2("PushButton12").click();
}

// The window's outer height once the window manager has framed it (it frames a window only
// after it is mapped, and tells the frame's size a moment later).
int FramedOuterHeight(QWidget& window) {
  QElapsedTimer waited;
  waited.start();
  while (window.frameGeometry().height() == window.geometry().height() && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  for (QElapsedTimer settled; !settled.isValid() || settled.elapsed() < 300;) {
    if (!settled.isValid()) settled.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return window.frameGeometry().height();
}

// Only a window manager gives the window a frame; scripts/test-window-manager.sh runs this
// under Xvfb with one (on the offscreen platform it is skipped).
TEST_F(Form2Test, OuterHeightHoldsOnEveryShowingUnderAWindowManager) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11 and a window manager";
  h.form1->Form_Load();
  ASSERT_TRUE(h.form2->isVisible());
  const int first = FramedOuterHeight(*h.form2);
  h.Button2("PushButton2").click();
  h.Button1("PushButton2").click();
  ASSERT_TRUE(h.form2->isVisible());
  EXPECT_EQ((std::vector<int>{first, FramedOuterHeight(*h.form2)}), (std::vector<int>{Px(6265), Px(6265)}));
  EXPECT_GT(h.form2->frameGeometry().height(), h.form2->geometry().height()) << "no window manager framed it";
}

TEST_F(Form2Test, AFailingFoxProCatalogIsReportedAndTheOracleListStillLoads) {
  h.form1->Form_Load();
  ASSERT_TRUE(h.form2->isVisible());
  h.Button2("PushButton2").click();
  h.form1->SetFreeTableFolder("/gone");
  foxPro->FailOpen("Invalid path or file name.");
  SetOracleTables({"ONLY"});
  // The checks fail on FoxPro too, so load the tables window directly as "Next >" would.
  h.prompter.ExpectFailureReport("Invalid path or file name.", "Form2.Form_Load", 112);
  h.form2->Form_Load();
  EXPECT_FALSE(h.prompter.Asked().back().stopOffered);  // loading is no command to stop
  EXPECT_EQ(ShellHarness::Items(h.form2->List1()), (std::vector<std::string>{"Customer", "orders"}));
  EXPECT_EQ(ShellHarness::Items(h.form2->List2()), (std::vector<std::string>{"ONLY"}));
  EXPECT_EQ(h.form2->frameGeometry().height(), Px(6265));
}

TEST_F(Form2Test, LoadGivesTheFramesTheButtonFaceColour) {
  h.form1->Form_Load();
  for (const char* name : {"Frame1", "Frame2"}) {
    QWidget& frame = ShellHarness::Find(*h.form2, name);
    EXPECT_TRUE(frame.autoFillBackground()) << name;
    EXPECT_EQ(frame.palette().color(QPalette::Window), frame.palette().color(QPalette::Button)) << name;
  }
  EXPECT_FALSE(ListWidget("List1").autoFillBackground() && ListWidget("List1").palette().color(QPalette::Base) ==
                                                               ListWidget("List1").palette().color(QPalette::Button));
}

TEST_F(Form2Test, SendingATableEachWayAddsItToTheOtherList) {
  h.form1->Form_Load();
  support::ScriptedResult orders;
  orders.fields = {{"ID", ado::adInteger}, {"NAME", ado::adVarChar}};
  orders.rows = {{ado::Value(1), ado::Value(std::string("Ann"))}, {ado::Value(2), ado::Value(std::string("O'Neil"))}};
  foxPro->SetResult("SELECT * FROM `orders`", orders);
  ShellHarness::Find<QListWidget>(*h.form2, "List1").item(1)->setSelected(true);  // orders
  h.form2->List1().SetListIndex(1);
  h.Button2("PushButton3").click();
  EXPECT_EQ(ShellHarness::Items(h.form2->List2()), (std::vector<std::string>{"ALPHA", "beta", "orders", "ZETA"}));
  bool created = false;
  bool inserted = false;
  for (const auto& sql : oracle->Executed()) {
    created = created || sql.rfind("CREATE TABLE \"orders\"(", 0) == 0;
    inserted = inserted || sql.find("'O''Neil'") != std::string::npos;
  }
  EXPECT_TRUE(created);
  EXPECT_TRUE(inserted);
  EXPECT_EQ(h.form2->Pointer().Get(), vbDefault);
  EXPECT_EQ(h.form2->ProgressBar1().GetValue(), 0);
  EXPECT_EQ(h.form2->ProgressBar1().GetText(), "Progress Bar");

  support::ScriptedResult alpha;
  alpha.fields = {{"CODE", ado::adVarChar}};
  alpha.rows = {{ado::Value(std::string("A1"))}};
  oracle->SetResult("SELECT * FROM \"ALPHA\"", alpha);
  h.form2->List2().SetSelected(0, true);  // ALPHA
  h.form2->List2().SetListIndex(0);
  h.Button2("PushButton4").click();
  EXPECT_EQ(ShellHarness::Items(h.form2->List1()), (std::vector<std::string>{"alpha", "Customer", "orders"}));
  bool createdFoxPro = false;
  for (const auto& sql : foxPro->Executed()) createdFoxPro = createdFoxPro || sql.rfind("CREATE TABLE '", 0) == 0;
  EXPECT_TRUE(createdFoxPro);
  EXPECT_EQ(h.form2->Pointer().Get(), vbDefault);
}

TEST_F(Form2Test, AClickOnAnotherCommandWhileOneRunsDoesNothing) {
  h.form1->Form_Load();
  bool ran = false;
  h.gate.Run([&] {
    h.Button2("PushButton8").click();   // Select All on the Oracle list
    h.Button2("PushButton12").click();  // Help: would ask
    h.form2->hide();
    h.form1->show();
    h.Button1("PushButton6").click();  // "?" on the other window
    ran = true;
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(h.form2->List2().SelCount(), 0);
  EXPECT_TRUE(h.prompter.Asked().empty());
  EXPECT_TRUE(h.Button2("PushButton8").isEnabled());
  // Afterwards the commands run again.
  h.Button2("PushButton8").click();
  EXPECT_EQ(h.form2->List2().SelCount(), 3);
}

TEST_F(Form2Test, PointerRuleOverTheTablesWindow) {
  ASSERT_TRUE(WriteHandCursor(h.programFolder.filePath("HAND-M.CUR")));
  h.form1->Form_Load();
  ASSERT_TRUE(h.form2->Pointer().HasImage());
  for (const char* button :
       {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton5", "PushButton6", "PushButton7",
        "PushButton8", "PushButton9", "PushButton10", "PushButton11", "PushButton12"}) {
    ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form2, "Frame1"));
    EXPECT_EQ(h.form2->Pointer().Get(), vbDefault);
    ShellHarness::MoveMouseOver(h.Button2(button));
    EXPECT_EQ(h.form2->Pointer().Get(), connections::vbCustom) << button;
    EXPECT_EQ(h.form2->cursor().shape(), Qt::BitmapCursor) << button;
  }
  for (const char* plain : {"Frame1", "Frame2", "List1", "List2"}) {
    ShellHarness::MoveMouseOver(h.Button2("PushButton2"));
    ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form2, plain));
    EXPECT_EQ(h.form2->Pointer().Get(), vbDefault) << plain;
  }
  ShellHarness::MoveMouseOver(*ListWidget("List2").viewport());
  EXPECT_EQ(h.form2->Pointer().Get(), vbDefault);

  h.form2->Pointer().Set(vbHourglass);
  for (const char* name : {"PushButton3", "List1", "Frame2"}) {
    ShellHarness::MoveMouseOver(ShellHarness::Find(*h.form2, name));
    EXPECT_EQ(h.form2->Pointer().Get(), vbHourglass) << name;
  }
  EXPECT_EQ(h.form2->cursor().shape(), Qt::WaitCursor);
}

TEST_F(Form2Test, ClosingTheTablesWindowEndsTheProgram) {
  h.form1->Form_Load();
  ASSERT_FALSE(h.form1->isVisible());
  h.form2->close();
  EXPECT_EQ(h.endProgramCalls, 1);
}

TEST_F(Form2Test, KeepColumnTypesIsSavedTheMomentItChanges) {
  QCheckBox& box = ShellHarness::Find<QCheckBox>(*h.form2, "Check1");
  EXPECT_EQ(box.text(), "Keep column types");
  EXPECT_FALSE(box.isChecked());
  box.click();
  EXPECT_EQ(connections::GetProfileSetting("KeepTypes"), "1");
  EXPECT_TRUE(h.form1->KeepTypes());
  box.click();
  EXPECT_EQ(connections::GetProfileSetting("KeepTypes"), "0");
}

}  // namespace
}  // namespace shelltest
