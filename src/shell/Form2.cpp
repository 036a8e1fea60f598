#include "shell/Form2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QListWidget>
#include <QMoveEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "commands/maintenance/DeleteTables.h"
#include "commands/maintenance/RenameTables.h"
#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "connections/CommandNames.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/LoadSteps.h"
#include "connections/Oracle.h"
#include "shell/Form1.h"
#include "shell/Main.h"
#include "shell/ProgramIcon.h"
#include "shell/Twips.h"

namespace shell {
namespace {

// Each handler's steps in the order they are written and run (numbered 100, 102, ...).
enum class BackStep { ShowConnectionWindow, Hide };
enum class SelectStep { CountItems, Select };
enum class QuestionsStep { Show };

QListWidget* NewList(const char* name) {
  auto* list = new QListWidget;
  list->setObjectName(QString::fromLatin1(name));
  return list;
}

QProgressBar* NewProgressBar() {
  auto* bar = new QProgressBar;
  bar->setObjectName(QStringLiteral("ProgressBar1"));
  return bar;
}

}  // namespace

Form2::Form2(ShellServices& services, Form1& connectionWindow)
    : m_services(services),
      m_connectionWindow(connectionWindow),
      m_listWidget1(NewList("List1")),
      m_listWidget2(NewList("List2")),
      m_progressWidget(NewProgressBar()),
      m_progress(*m_progressWidget),
      m_parts{m_list1, m_list2, m_progress, m_pointer, services.prompts, connectionWindow} {
  setObjectName(QStringLiteral("Form2"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  // The height is set by the load steps; until then the design height.
  setFixedSize(TwipsToPixels(8040), TwipsToPixels(5835));

  // The FoxPro frame on the left, the Oracle frame on the right, with the same inner layout.
  QGroupBox* foxPro = AddFrame("Frame2", "FoxPro Tables", 120);
  m_listWidget1->setParent(foxPro);
  PlaceInTwips(*m_listWidget1, 240, 360, 3330, 1635);
  AddButton(foxPro, "PushButton10", "Select All", &Form2::PushButton10_Click, 240, 2100, 1600, 405);
  AddButton(foxPro, "PushButton11", "Deselect All", &Form2::PushButton11_Click, 1960, 2100, 1600, 405);
  AddButton(foxPro, "PushButton3", "Send Table/s To Oracle", &Form2::PushButton3_Click, 240, 2600, 3330, 405);
  AddButton(foxPro, "PushButton1", "Delete Table/s", &Form2::PushButton1_Click, 240, 3100, 3330, 405);
  AddButton(foxPro, "PushButton6", "Rename Table", &Form2::PushButton6_Click, 240, 3600, 3330, 405);

  QGroupBox* oracle = AddFrame("Frame1", "Oracle Tables", 4080);
  m_listWidget2->setParent(oracle);
  PlaceInTwips(*m_listWidget2, 240, 360, 3330, 1635);
  AddButton(oracle, "PushButton8", "Select All", &Form2::PushButton8_Click, 240, 2100, 1600, 405);
  AddButton(oracle, "PushButton9", "Deselect All", &Form2::PushButton9_Click, 1960, 2100, 1600, 405);
  AddButton(oracle, "PushButton4", "Send Table/s To FoxPro", &Form2::PushButton4_Click, 240, 2600, 3330, 405);
  AddButton(oracle, "PushButton5", "Delete Table/s", &Form2::PushButton5_Click, 240, 3100, 3330, 405);
  AddButton(oracle, "PushButton7", "Rename Table", &Form2::PushButton7_Click, 240, 3600, 3330, 405);

  for (QListWidget* list : {m_listWidget1, m_listWidget2}) {
    m_zones.Watch(list, PointerZones::Zone::Plain);
    m_zones.Watch(list->viewport(), PointerZones::Zone::Plain);
  }

  // Both transfers read it when they start; it is saved the moment it changes.
  m_keepTypes = new QCheckBox(QStringLiteral("Keep column types"), this);
  m_keepTypes->setObjectName(QStringLiteral("Check1"));
  PlaceInTwips(*m_keepTypes, 240, 4440, 7680, 255);
  m_keepTypes->setChecked(connections::KeepTypesSetting());
  connect(m_keepTypes, &QCheckBox::toggled, this, [](bool checked) { connections::SaveKeepTypesSetting(checked); });
  m_zones.Watch(m_keepTypes, PointerZones::Zone::Plain);

  m_progressWidget->setParent(this);
  PlaceInTwips(*m_progressWidget, 120, 4760, 7800, 405);
  m_progress.SetValue(0);
  m_progress.SetText("Progress Bar");

  AddButton(this, "PushButton2", "< Back", &Form2::PushButton2_Click, 120, 5280, 3840, 405);
  AddButton(this, "PushButton12", "Help", &Form2::PushButton12_Click, 4080, 5280, 3840, 405);
  m_zones.Watch(this, PointerZones::Zone::Plain);
}

Form2::~Form2() = default;

QGroupBox* Form2::AddFrame(const char* name, const char* caption, int left) {
  auto* frame = new QGroupBox(QString::fromLatin1(caption), this);
  frame->setObjectName(QString::fromLatin1(name));
  PlaceInTwips(*frame, left, 120, 3840, 4215);
  m_zones.Watch(frame, PointerZones::Zone::Plain);
  return frame;
}

QPushButton* Form2::AddButton(QWidget* parent, const char* name, const char* caption, void (Form2::*handler)(),
                              int left, int top, int width, int height) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  PlaceInTwips(*button, left, top, width, height);
  connect(button, &QPushButton::clicked, this, [this, handler] { m_services.gate.Run([&] { (this->*handler)(); }); });
  m_zones.Watch(button, PointerZones::Zone::Command);
  return button;
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  Form_Unload();
}

void Form2::ShowWindow() {
  if (!m_loaded) Form_Load();
  show();
}

void Form2::SetOuterHeight(int twips) {
  m_outerHeightTwips = twips;
  const int frame = frameGeometry().height() - geometry().height();
  const int inner = TwipsToPixels(twips) - frame;
  if (height() != inner || minimumHeight() != inner || maximumHeight() != inner) setFixedHeight(inner);
}

void Form2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The frame's size is known only once the window is on screen.
  if (m_outerHeightTwips > 0) SetOuterHeight(m_outerHeightTwips);
}

void Form2::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // A window manager frames a window after it is mapped, so on its first showing the frame
  // is unknown at the show; the move that the framing brings tells its size.
  if (m_outerHeightTwips > 0) SetOuterHeight(m_outerHeightTwips);
}

void Form2::Form_Load() {
  m_loaded = true;
  using LoadStep = connections::TablesWindowLoadStep;
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kTablesWindowLoad);
  trap.Step(LoadStep::SystemColours, [&] { UseSystemColours(*this); });
  trap.Step(LoadStep::Icon, [&] { setWindowIcon(ProgramIcon()); });
  const std::string handCursor = InProgramFolder(m_services.programFolder, kHandCursorFile);
  if (trap.Test(LoadStep::TestHandCursor, [&] { return FileExists(handCursor); }))
    trap.Step(LoadStep::LoadHandCursor, [&] { m_pointer.LoadImage(handCursor); });
  trap.Step(LoadStep::Title, [&] { setWindowTitle(QString::fromLatin1(kProductName)); });
  std::string foxProConnection;
  trap.Step(LoadStep::FoxProConnectionString,
            [&] { foxProConnection = connections::FoxProConnectionString(m_connectionWindow); });
  // A new container has no tables until the first copy makes it.
  if (!connections::ContainerIsNew(m_connectionWindow))
    trap.Step(LoadStep::LoadFoxProTables,
              [&] { connections::LoadFoxProTables(m_list1, foxProConnection, m_connectionWindow.SourceCodePage()); });
  trap.Step(LoadStep::LoadOracleTables, [&] { connections::LoadOracleTables(m_list2, m_connectionWindow); });
  // The top of "< Back" plus its height plus a fixed margin below it.
  trap.Step(LoadStep::Height, [&] { SetOuterHeight(5280 + 405 + 580); });
}

void Form2::Form_Unload() { m_services.endProgram(); }

void Form2::PushButton1_Click() { maintenance::DeleteFoxProTables(m_parts); }
void Form2::PushButton3_Click() { transfer::SendTablesToOracle(m_parts); }
void Form2::PushButton4_Click() { transfer::SendTablesToFoxPro(m_parts); }
void Form2::PushButton5_Click() { maintenance::DeleteOracleTables(m_parts); }
void Form2::PushButton6_Click() { maintenance::RenameFoxProTable(m_parts); }
void Form2::PushButton7_Click() { maintenance::RenameOracleTable(m_parts); }

void Form2::PushButton2_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kBack, nullptr,
                                connections::StopButton::kOffered);
  trap.Step(BackStep::ShowConnectionWindow, [&] { m_connectionWindow.show(); });
  trap.Step(BackStep::Hide, [&] { hide(); });
}

void Form2::SelectAll(const char* handler, connections::ListBox& list, bool selected) {
  connections::FailureTrap trap(m_services.prompts, handler, nullptr, connections::StopButton::kOffered);
  const int count = trap.Value(SelectStep::CountItems, 0, [&] { return list.ListCount(); });
  for (int i = 0; i < count; ++i) trap.Step(SelectStep::Select, [&] { list.SetSelected(i, selected); });
}

void Form2::PushButton8_Click() { SelectAll(connections::command_names::kSelectAllOracle, m_list2, true); }
void Form2::PushButton9_Click() { SelectAll(connections::command_names::kSelectNoneOracle, m_list2, false); }
void Form2::PushButton10_Click() { SelectAll(connections::command_names::kSelectAllFoxPro, m_list1, true); }
void Form2::PushButton11_Click() { SelectAll(connections::command_names::kSelectNoneFoxPro, m_list1, false); }

void Form2::PushButton12_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kQuestions, nullptr,
                                connections::StopButton::kOffered);
  trap.Step(QuestionsStep::Show, [&] {
    m_services.prompts.Tell(std::string("Questions? Please contact Team Quenmark at ") + kContactPage);
  });
}

}  // namespace shell
