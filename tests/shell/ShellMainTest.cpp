#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ado/Failure.h"
#include "shell/CommandGate.h"
#include "shell/Main.h"
#include "shell/ProgressBarControl.h"
#include "shell/QtPathPicker.h"
#include "shell/QtPrompter.h"
#include "shell/ShellHarness.h"
#include "shell/SkinLayer.h"
#include "shell/StandardRandom.h"
#include "shell/Twips.h"
#include "shell/WindowPointer.h"

namespace shelltest {
namespace {

TEST(ApplicationTitle, DropsTheLastWordAtLeastOnceAndUntilFortyCharactersAreLeft) {
  EXPECT_EQ(shell::ApplicationTitleFor("Tesselby"), "Tesselby");
  EXPECT_EQ(shell::ApplicationTitleFor("Tesselby Table Copier"), "Tesselby Table");
  const std::string longName = "Quenmark Tesselby Oracle and FoxPro Table Copier Deluxe";  // 55 characters
  EXPECT_EQ(shell::ApplicationTitleFor(longName), "Quenmark Tesselby Oracle and FoxPro");
  EXPECT_EQ(shell::ApplicationTitleFor("Forty characters exactly for this title!"),
            "Forty characters exactly for this");
}

TEST(HomePage, OpensOnlyWhenTheDrawIsSeven) {
  FixedRandom random;
  RecordingBrowser browser;
  random.value = 0.06;  // int(0.06 * 100) + 1 = 7
  EXPECT_EQ(shell::OpenHomePageAtRandom(random, browser, 3600.0), 7);
  EXPECT_EQ(browser.opened, (std::vector<std::string>{"https://quenmark.example/tesselby"}));
  EXPECT_EQ(random.seeds, (std::vector<double>{3600.0}));
  for (double value : {0.0, 0.05, 0.07, 0.5, 0.999999}) {
    random.value = value;
    const int drawn = shell::OpenHomePageAtRandom(random, browser, 1.0);
    EXPECT_GE(drawn, 1);
    EXPECT_LE(drawn, 100);
    EXPECT_NE(drawn, 7) << value;
  }
  EXPECT_EQ(browser.opened.size(), 1U);
}

TEST(HomePage, AboutOneStartInAHundredOpensIt) {
  shell::StandardRandom random;
  RecordingBrowser browser;
  for (int start = 0; start < 20000; ++start) shell::OpenHomePageAtRandom(random, browser, start);
  EXPECT_GT(browser.opened.size(), 120U);
  EXPECT_LT(browser.opened.size(), 290U);
}

TEST(Files, ExistenceAndTheSkinFilesOrdinaryFileRule) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string path = folder.filePath("HAND-M.CUR").toStdString();
  EXPECT_FALSE(shell::FileExists(path));
  {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  EXPECT_TRUE(shell::FileExists(path));
  EXPECT_EQ(shell::InProgramFolder(folder.path().toStdString(), "HAND-M.CUR"), path);
  EXPECT_EQ(shell::InProgramFolder(folder.path().toStdString() + "/", "HAND-M.CUR"), path);

  // A folder where the skin file should be does not count, nor does a hidden file.
  ASSERT_TRUE(QDir(folder.path()).mkpath("x/o.cjs"));
  EXPECT_FALSE(shell::OrdinaryFileExists(folder.filePath("x/o.cjs").toStdString()));
  {
    QFile hidden(folder.filePath(".hidden"));
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
  }
  EXPECT_FALSE(shell::OrdinaryFileExists(folder.filePath(".hidden").toStdString()));
  EXPECT_TRUE(shell::OrdinaryFileExists(path));
}

TEST(SystemColours, PaintOptionsFramesLabelsAndTheWindowOnly) {
  QWidget window;
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, Qt::red);
  palette.setColor(QPalette::Button, Qt::green);
  window.setPalette(palette);
  auto* frame = new QGroupBox(&window);
  auto* option = new QRadioButton(frame);
  auto* check = new QCheckBox(&window);
  auto* label = new QLabel(&window);
  auto* field = new QLineEdit(frame);
  auto* button = new QPushButton(frame);
  shell::UseSystemColours(window);
  for (QWidget* painted : std::vector<QWidget*>{&window, frame, option, check, label}) {
    EXPECT_TRUE(painted->autoFillBackground());
    EXPECT_EQ(painted->palette().color(QPalette::Window), QColor(Qt::green));
  }
  EXPECT_FALSE(field->autoFillBackground());
  EXPECT_FALSE(button->autoFillBackground());
}

TEST(SystemColours, SkinWithoutItsFileLeavesTheDesignColours) {
  QTemporaryDir folder;
  QWidget window;
  auto* frame = new QGroupBox(&window);
  shell::SkinLayer skin;
  shell::ApplySkin(window, folder.path().toStdString(), skin);
  EXPECT_TRUE(skin.Calls().empty());
  EXPECT_FALSE(window.autoFillBackground());
  EXPECT_FALSE(frame->autoFillBackground());
}

TEST(SkinLayer, KeepsOptionBitsAlreadySet) {
  QTemporaryDir folder;
  ASSERT_TRUE(QDir(folder.path()).mkpath("x"));
  QFile file(folder.filePath("x/o.cjs"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QWidget window;
  shell::SkinLayer skin;
  skin.SetOptions(6);
  shell::ApplySkin(window, folder.path().toStdString(), skin);
  EXPECT_EQ(skin.Options(), 7);
  EXPECT_EQ(skin.Calls().at(2), "property 1=7");
}

TEST(Prompts, EveryCarriageReturnIsOneLineBreakOnScreen) {
  EXPECT_EQ(shell::QtPrompter::ScreenText("a\r\nb"), "a\nb");
  EXPECT_EQ(shell::QtPrompter::ScreenText("a\r\rb"), "a\n\nb");
  EXPECT_EQ(shell::QtPrompter::ScreenText("a\r\n\r\nb\r"), "a\n\nb\n");
  EXPECT_EQ(shell::QtPrompter::ScreenText("a\nb"), "a\nb");
  EXPECT_EQ(shell::QtPrompter::ScreenText("Grüße"), QString::fromUtf8("Grüße"));
}

TEST(Choosers, TheDbcFilterBecomesOneQtFilter) {
  EXPECT_EQ(shell::QtPathPicker::QtFilter("Microsoft Database (*.dbc)|*.dbc|"), "Microsoft Database (*.dbc)");
  EXPECT_EQ(shell::QtPathPicker::QtFilter("Tables|*.dbf;*.DBF|All (*.*)|*.*"), "Tables (*.dbf *.DBF);;All (*.*)");
}

TEST(Twips, FifteenToThePixelAtNinetySixDpiScaledBeyond) {
  EXPECT_EQ(shell::TwipsToPixels(5965, 96.0), 398);
  EXPECT_EQ(shell::TwipsToPixels(8040, 96.0), 536);
  EXPECT_EQ(shell::TwipsToPixels(405, 96.0), 27);
  EXPECT_EQ(shell::TwipsToPixels(405, 192.0), 54);
  EXPECT_EQ(shell::TwipsToPixels(1440, 120.0), 120);
}

TEST(CommandGate, ASecondCommandDoesNotRunWhileOneRuns) {
  shell::CommandGate gate;
  int inner = 0;
  EXPECT_TRUE(gate.Run([&] {
    EXPECT_TRUE(gate.Running());
    EXPECT_FALSE(gate.Run([&] { ++inner; }));
  }));
  EXPECT_EQ(inner, 0);
  EXPECT_FALSE(gate.Running());
  // A command that fails still frees the gate.
  EXPECT_THROW(gate.Run([] { throw ado::Failure("boom"); }), ado::Failure);
  EXPECT_FALSE(gate.Running());
  EXPECT_TRUE(gate.Run([&] { ++inner; }));
  EXPECT_EQ(inner, 1);
}

TEST(WindowPointer, ShowsArrowHourglassAndHand) {
  QWidget window;
  shell::WindowPointer pointer(window);
  pointer.Set(connections::vbHourglass);
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  pointer.Set(connections::vbCustom);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);  // no image loaded
  QTemporaryDir folder;
  ASSERT_TRUE(WriteHandCursor(folder.filePath("HAND-M.CUR")));
  pointer.LoadImage(folder.filePath("HAND-M.CUR").toStdString());
  EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(window.cursor().hotSpot(), QPoint(5, 2));  // the file's own hot spot
  pointer.Set(connections::vbDefault);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  EXPECT_THROW(pointer.LoadImage(folder.filePath("missing.cur").toStdString()), ado::Failure);
  EXPECT_TRUE(pointer.HasImage());  // a failed load keeps what was there
}

TEST(ProgressBar, KeepsItsRangeAndRejectsValuesOutsideIt) {
  QProgressBar bar;
  shell::ProgressBarControl control(bar);
  control.SetValue(100);
  EXPECT_EQ(control.GetValue(), 100);
  EXPECT_THROW(control.SetValue(101), ado::Failure);
  EXPECT_THROW(control.SetValue(-1), ado::Failure);
  EXPECT_EQ(control.GetValue(), 100);
  control.SetText("Progress Bar");
  EXPECT_EQ(bar.text(), "Progress Bar");
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

// The real prompter: answers come from the box's own buttons, clicked once it is open.
class QtPrompterTest : public ::testing::Test {
 protected:
  template <class F>
  void WhenOpen(F&& inspect) {
    QTimer::singleShot(0, [inspect = std::forward<F>(inspect)] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      inspect(*box);
    });
  }

  std::string title = "Tesselby";
  shell::QtPrompter prompter{title};
};

TEST_F(QtPrompterTest, MessageWithoutTitleShowsTheApplicationTitleAndLineBreaks) {
  WhenOpen([](QWidget& widget) {
    auto& box = static_cast<QMessageBox&>(widget);
    EXPECT_EQ(box.windowTitle(), "Tesselby");
    EXPECT_EQ(box.text(), "one\n\ntwo");
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(prompter.MsgBox("one\r\rtwo", connections::vbOKOnly, ""), connections::vbOK);
}

TEST_F(QtPrompterTest, YesNoQuestionAnswersSixOrSeven) {
  WhenOpen([](QWidget& widget) {
    auto& box = static_cast<QMessageBox&>(widget);
    EXPECT_EQ(box.windowTitle(), "Overwrite?");
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(prompter.MsgBox("Would you like to overwrite T?", connections::vbYesNo, "Overwrite?"), connections::vbNo);
  WhenOpen([](QWidget& widget) { static_cast<QMessageBox&>(widget).button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(prompter.MsgBox("Would you like to overwrite T?", connections::vbYesNo, "Overwrite?"), connections::vbYes);
}

TEST_F(QtPrompterTest, FailureReportCarriesTheWarningIcon) {
  WhenOpen([](QWidget& widget) {
    auto& box = static_cast<QMessageBox&>(widget);
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
    EXPECT_EQ(box.windowTitle(), "Application Error");
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(prompter.MsgBox("x", connections::vbOKOnly | connections::vbExclamation, "Application Error"),
            connections::vbOK);
}

TEST_F(QtPrompterTest, FailureReportWithStopAnswersStopOnlyForItsStopButton) {
  const std::vector<std::pair<std::function<void(QMessageBox&)>, int>> presses = {
      {[](QMessageBox& box) { box.findChild<QPushButton*>("StopButton")->click(); }, connections::vbStop},
      {[](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }, connections::vbOK},
      {[](QMessageBox& box) {
         QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
         QApplication::sendEvent(&box, &escape);
       },
       connections::vbOK},
  };
  for (const auto& [press, answer] : presses) {
    WhenOpen([press = press](QWidget& widget) {
      auto& box = static_cast<QMessageBox&>(widget);
      EXPECT_EQ(box.icon(), QMessageBox::Warning);
      EXPECT_EQ(box.windowTitle(), "Application Error");
      EXPECT_EQ(box.buttons().size(), 2);
      EXPECT_EQ(box.findChild<QPushButton*>("StopButton")->text(), "Stop");
      press(box);
    });
    EXPECT_EQ(prompter.MsgBoxWithStop("x", connections::vbOKOnly | connections::vbExclamation, "Application Error"),
              answer);
  }
}

TEST_F(QtPrompterTest, InputBoxGivesTheTypedTextOrEmptyOnCancel) {
  WhenOpen([](QWidget& widget) {
    auto& dialog = static_cast<QInputDialog&>(widget);
    EXPECT_EQ(dialog.windowTitle(), "Tesselby");
    EXPECT_EQ(dialog.textValue(), "EMP");
    dialog.setTextValue("STAFF");
    dialog.accept();
  });
  EXPECT_EQ(prompter.InputBox("Enter new name of EMP:", "", "EMP"), "STAFF");
  WhenOpen([](QWidget& widget) { static_cast<QInputDialog&>(widget).reject(); });
  EXPECT_EQ(prompter.InputBox("Enter new name of EMP:", "", "EMP"), "");
}

}  // namespace
}  // namespace shelltest
