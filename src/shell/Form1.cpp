#include "shell/Form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "connections/CommandNames.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/foxpro/tables/CodePage.h"
#include "shell/Form2.h"
#include "shell/Main.h"
#include "shell/ProgramIcon.h"
#include "shell/Twips.h"

namespace shell {
namespace {

// The fields look alike whatever the desktop's style: the password field echoes one "*" per
// character, and a drop-down list opens below its box and scrolls instead of opening around the
// current item, which runs off a small screen.
class FieldStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
    if (hint == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// Each handler's steps in the order they are written and run (numbered 100, 102, ...).
enum class LoadStep {
  ApplySkin,
  Title,
  Icon,
  ApplicationTitle,
  HomePage,
  TestHandCursor,
  LoadHandCursor,
  LoadProfile,
  CheckOracle,
  CheckFoxPro,
  ShowTables,
  Hide
};
enum class NextStep { Hourglass, CheckOracle, CheckFoxPro, LoadTables, ShowTables, Hide, PointerBack };
enum class FolderPickStep { Browse, TestChosen, TakeFolder };
enum class DbcPickStep { ClearFileName, SetFlags, SetTitle, SetFilter, ShowOpen, TestChosen, TakeFile };
enum class HintStep { Tell };

constexpr int kCodePagesShown = 12;

QLabel* AddLabel(QWidget* parent, const char* caption, int left, int top, int width, int height) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  PlaceInTwips(*label, left, top, width, height);
  return label;
}

}  // namespace

Form1::Form1(ShellServices& services) : m_services(services) {
  setObjectName(QStringLiteral("Form1"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(TwipsToPixels(8040), TwipsToPixels(5670));
  BuildControls();
  m_zones.Watch(this, PointerZones::Zone::Plain);
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  m_frame1 = new QGroupBox(QStringLiteral("Oracle Login"), this);
  m_frame1->setObjectName(QStringLiteral("Frame1"));
  PlaceInTwips(*m_frame1, 120, 120, 7800, 2385);
  m_zones.Watch(m_frame1, PointerZones::Zone::Plain);
  AddLabel(m_frame1, "SID:", 240, 405, 975, 255);
  m_text1 = AddField(m_frame1, "Text1", connections::kServerKey, 1320, 360, 5535, 345);
  auto* sidHelp = AddButton(m_frame1, "PushButton6", "?", &Form1::PushButton6_Click, 6960, 360, 615, 345);
  AddLabel(m_frame1, "Username:", 240, 885, 1095, 255);
  m_text2 = AddField(m_frame1, "Text2", connections::kUserKey, 1320, 840, 6255, 345);
  AddLabel(m_frame1, "Password:", 240, 1365, 1095, 255);
  m_text3 = AddField(m_frame1, "Text3", connections::kPasswordKey, 1320, 1320, 6255, 345);
  m_text3->setEchoMode(QLineEdit::Password);
  auto* fieldStyle = new FieldStyle;
  fieldStyle->setParent(this);
  m_text3->setStyle(fieldStyle);
  auto* oracleTest =
      AddButton(m_frame1, "PushButton3", "Test Connection", &Form1::PushButton3_Click, 240, 1800, 3600, 405);
  auto* oracleHelp = AddButton(m_frame1, "PushButton8", "Help", &Form1::PushButton8_Click, 3960, 1800, 3600, 405);

  m_frame2 = new QGroupBox(QStringLiteral("FoxPro Login"), this);
  m_frame2->setObjectName(QStringLiteral("Frame2"));
  PlaceInTwips(*m_frame2, 120, 2610, 7800, 2385);
  m_zones.Watch(m_frame2, PointerZones::Zone::Plain);
  m_option1 = new QRadioButton(QStringLiteral("DBC File:"), m_frame2);
  m_option1->setObjectName(QStringLiteral("Option1"));
  PlaceInTwips(*m_option1, 240, 390, 1215, 255);
  connect(m_option1, &QRadioButton::clicked, this, [this] { Option1_Click(); });
  m_text4 = AddField(m_frame2, "Text4", connections::kDbcFileKey, 1560, 360, 5295, 345);
  auto* dbcPicker = AddButton(m_frame2, "PushButton5", "...", &Form1::PushButton5_Click, 6960, 360, 570, 345);
  m_option2 = new QRadioButton(QStringLiteral("Free Table Folder:"), m_frame2);
  m_option2->setObjectName(QStringLiteral("Option2"));
  PlaceInTwips(*m_option2, 240, 870, 1815, 255);
  connect(m_option2, &QRadioButton::clicked, this, [this] { Option2_Click(); });
  m_text5 = AddField(m_frame2, "Text5", connections::kFreeTableFolderKey, 2160, 840, 4695, 345);
  auto* folderPicker = AddButton(m_frame2, "PushButton4", "...", &Form1::PushButton4_Click, 6960, 840, 570, 345);
  // The code page that new FoxPro tables mark, saved the moment it changes.
  AddLabel(m_frame2, "Code page:", 240, 1365, 1095, 255);
  m_codePage = new QComboBox(m_frame2);
  m_codePage->setObjectName(QStringLiteral("Combo1"));
  // Each with its name, the number first so that the list reads in order; the item's data, the
  // number, is what is stored.
  for (const int codePage : connections::FoxProCodePages()) {
    m_codePage->addItem(
        QString::number(codePage) + QLatin1Char(' ') + QString::fromLatin1(foxpro::FindCodePage(codePage)->name),
        codePage);
  }
  m_codePage->setStyle(fieldStyle);
  m_codePage->setMaxVisibleItems(kCodePagesShown);
  m_codePage->setCurrentIndex(m_codePage->findData(connections::kDefaultCodePage));
  PlaceInTwips(*m_codePage, 1560, 1320, 3480, 345);  // wide enough for "950 Windows Traditional Chinese"
  connect(m_codePage, &QComboBox::currentIndexChanged, this,
          [this] { connections::SaveProfileSetting(connections::kCodePageKey, std::to_string(CodePage())); });
  m_zones.Watch(m_codePage, PointerZones::Zone::Plain);
  auto* foxTest =
      AddButton(m_frame2, "PushButton1", "Test Connection", &Form1::PushButton1_Click, 240, 1800, 3600, 405);
  auto* foxHelp = AddButton(m_frame2, "PushButton7", "Help", &Form1::PushButton7_Click, 3960, 1800, 3600, 405);
  m_option1->setChecked(true);

  auto* next = AddButton(this, "PushButton2", "Next >", &Form1::PushButton2_Click, 120, 5130, 7800, 405);

  // Tab order: the form filled top to bottom, left to right.
  const std::vector<QWidget*> order{m_text1,    sidHelp, m_text2,   m_text3,   oracleTest, oracleHelp,
                                    m_option1,  m_text4, dbcPicker, m_option2, m_text5,    folderPicker,
                                    m_codePage, foxTest, foxHelp,   next};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

QPushButton* Form1::AddButton(QWidget* parent, const char* name, const char* caption, void (Form1::*handler)(),
                              int left, int top, int width, int height) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  PlaceInTwips(*button, left, top, width, height);
  connect(button, &QPushButton::clicked, this, [this, handler] { m_services.gate.Run([&] { (this->*handler)(); }); });
  m_zones.Watch(button, PointerZones::Zone::Command);
  return button;
}

QLineEdit* Form1::AddField(QWidget* parent, const char* name, const char* key, int left, int top, int width,
                           int height) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  PlaceInTwips(*field, left, top, width, height);
  // Change: every edit, paste and assignment writes the whole text under the field's key.
  connect(field, &QLineEdit::textChanged, this,
          [key](const QString& text) { connections::SaveProfileSetting(key, text.toStdString()); });
  // The DBC file field always shows the arrow, even over the hourglass.
  const bool dbcFile = std::string(name) == "Text4";
  m_zones.Watch(field, dbcFile ? PointerZones::Zone::PlainAlways : PointerZones::Zone::Plain);
  field->installEventFilter(this);  // GotFocus
  return field;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    // GotFocus: select the whole text so that typing replaces it.
    if (auto* field = qobject_cast<QLineEdit*>(watched)) field->setSelection(0, static_cast<int>(field->text().size()));
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  Form_Unload();
}

std::string Form1::OracleServer() const { return m_text1->text().toStdString(); }
std::string Form1::OracleUser() const { return m_text2->text().toStdString(); }
std::string Form1::OraclePassword() const { return m_text3->text().toStdString(); }
std::string Form1::DbcFile() const { return m_text4->text().toStdString(); }
std::string Form1::FreeTableFolder() const { return m_text5->text().toStdString(); }
bool Form1::DbcMode() const { return m_option1->isChecked(); }
// The tables window's check box saves its state the moment it changes: the store is live.
bool Form1::KeepTypes() const { return connections::KeepTypesSetting(); }
int Form1::CodePage() const { return m_codePage->currentData().toInt(); }
int Form1::SourceCodePage() const {
  return connections::CodePageSetting(connections::kSourceCodePageKey, connections::kDefaultSourceCodePage);
}

void Form1::SelectDbcMode() { m_option1->setChecked(true); }
void Form1::SelectFreeTableFolderMode() { m_option2->setChecked(true); }
void Form1::SetOracleServer(const std::string& text) { m_text1->setText(QString::fromStdString(text)); }
void Form1::SetOracleUser(const std::string& text) { m_text2->setText(QString::fromStdString(text)); }
void Form1::SetOraclePassword(const std::string& text) { m_text3->setText(QString::fromStdString(text)); }
void Form1::SetDbcFile(const std::string& text) { m_text4->setText(QString::fromStdString(text)); }
void Form1::SetFreeTableFolder(const std::string& text) { m_text5->setText(QString::fromStdString(text)); }

void Form1::Option1_Click() { connections::SaveProfileSetting(connections::kFoxProOptionKey, "1"); }
void Form1::Option2_Click() { connections::SaveProfileSetting(connections::kFoxProOptionKey, "2"); }

void Form1::Form_Load() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kConnectionWindowLoad);
  trap.Step(LoadStep::ApplySkin, [&] { ApplySkin(*this, m_services.programFolder, m_services.skin); });
  trap.Step(LoadStep::Title, [&] { setWindowTitle(QString::fromLatin1(kProductName)); });
  trap.Step(LoadStep::Icon, [&] { setWindowIcon(ProgramIcon()); });
  trap.Step(LoadStep::ApplicationTitle, [&] { m_services.applicationTitle = ApplicationTitleFor(kProductName); });
  trap.Step(LoadStep::HomePage, [&] { OpenHomePageAtRandom(m_services.random, m_services.browser); });
  const std::string handCursor = InProgramFolder(m_services.programFolder, kHandCursorFile);
  if (trap.Test(LoadStep::TestHandCursor, [&] { return FileExists(handCursor); }))
    trap.Step(LoadStep::LoadHandCursor, [&] { m_pointer.LoadImage(handCursor); });
  trap.Step(LoadStep::LoadProfile, [&] {
    connections::LoadProfile(*this);
    const int codePage = connections::CodePageSetting(connections::kCodePageKey, connections::kDefaultCodePage);
    m_codePage->setCurrentIndex(m_codePage->findData(codePage));
  });
  bool tablesShown = false;
  if (trap.Test(LoadStep::CheckOracle, [&] { return connections::CheckOracleConnection(*this); })) {
    if (trap.Test(LoadStep::CheckFoxPro, [&] { return connections::CheckFoxProConnection(*this); })) {
      trap.Step(LoadStep::ShowTables, [&] { m_tables->ShowWindow(); });
      trap.Step(LoadStep::Hide, [&] { hide(); });
      tablesShown = true;
    }
  }
  if (!tablesShown) show();
}

void Form1::Form_Unload() { m_services.endProgram(); }

void Form1::PushButton1_Click() { connections::TestFoxProConnection(m_services.prompts, m_pointer, *this); }

void Form1::PushButton3_Click() { connections::TestOracleConnection(m_services.prompts, m_pointer, *this); }

void Form1::PushButton2_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kNext);
  trap.Step(NextStep::Hourglass, [&] { m_pointer.Set(connections::vbHourglass); });
  if (trap.Test(NextStep::CheckOracle, [&] { return connections::CheckOracleConnection(*this); })) {
    if (trap.Test(NextStep::CheckFoxPro, [&] { return connections::CheckFoxProConnection(*this); })) {
      trap.Step(NextStep::LoadTables, [&] { m_tables->Form_Load(); });
      trap.Step(NextStep::ShowTables, [&] { m_tables->ShowWindow(); });
      trap.Step(NextStep::Hide, [&] { hide(); });
    }
  }
  trap.Step(NextStep::PointerBack, [&] { m_pointer.Set(connections::vbDefault); });
}

void Form1::PushButton4_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kPickFreeTableFolder);
  std::string folder;
  trap.Step(FolderPickStep::Browse,
            [&] { folder = m_services.pickers.BrowseForFolder(this, "Please select folder:", ""); });
  if (trap.Test(FolderPickStep::TestChosen, [&] { return !folder.empty(); }))
    trap.Step(FolderPickStep::TakeFolder, [&] { SetFreeTableFolder(folder); });
}

void Form1::PushButton5_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kPickDbcFile);
  std::string fileName;
  int flags = 0;
  std::string title;
  std::string filter;
  trap.Step(DbcPickStep::ClearFileName, [&] { fileName.clear(); });
  trap.Step(DbcPickStep::SetFlags, [&] { flags = 0x280001; });
  trap.Step(DbcPickStep::SetTitle, [&] { title = "Select Foxpro Database"; });
  trap.Step(DbcPickStep::SetFilter, [&] { filter = "Microsoft Database (*.dbc)|*.dbc|"; });
  trap.Step(DbcPickStep::ShowOpen, [&] { fileName = m_services.pickers.ShowOpen(this, title, filter, flags); });
  if (trap.Test(DbcPickStep::TestChosen, [&] { return !fileName.empty(); }))
    trap.Step(DbcPickStep::TakeFile, [&] { SetDbcFile(fileName); });
}

std::string Form1::SidHelpText() {
  return "This software works with Oracle 9i or higher.\r\r"
         "The SID is used to identify a particular database. The SID is usually defined in the TNSNAMES.ORA "
         "file. The TNSNAMES.ORA file found in my Oracle 9i folder looks like:\r\n\r\n"
         "ZELT =\r\n"
         " (DESCRIPTION =\r\n"
         "   (ADDRESS_LIST =\r\n"
         "     (ADDRESS = (PROTOCOL = TCP)(HOST = 192.168.0.10)(PORT = 1521))\r\n"
         "   )\r\n"
         "   (CONNECT_DATA =\r\n"
         "     (SID = ZELT)\r\n"
         "   )\r\n"
         " )\r\n\r\n"
         "Therefore, my SID would be ZELT";
}

void Form1::PushButton6_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kSidHelp);
  trap.Step(HintStep::Tell, [&] { m_services.prompts.Tell(SidHelpText()); });
}

void Form1::PushButton7_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kFoxProClosedHint);
  trap.Step(HintStep::Tell,
            [&] { m_services.prompts.Tell("Make sure FoxPro is closed while using this application."); });
}

void Form1::PushButton8_Click() {
  connections::FailureTrap trap(m_services.prompts, connections::command_names::kLobHint);
  trap.Step(HintStep::Tell,
            [&] { m_services.prompts.Tell("This software does not support the CLOB and NLOB data type in Oracle."); });
}

}  // namespace shell
