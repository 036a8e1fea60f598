#include "shell/QtPrompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace shell {
namespace {

constexpr int kButtonsMask = 0x7;
constexpr int kIconMask = 0x70;

}  // namespace

QString QtPrompter::ScreenText(const std::string& text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  const QString source = QString::fromStdString(text);
  for (qsizetype i = 0; i < source.size(); ++i) {
    const QChar c = source.at(i);
    if (c == QLatin1Char('\r')) {
      out += QLatin1Char('\n');
      if (i + 1 < source.size() && source.at(i + 1) == QLatin1Char('\n')) ++i;
    } else {
      out += c;
    }
  }
  return out;
}

QString QtPrompter::Title(const std::string& title) const {
  return QString::fromStdString(title.empty() ? m_applicationTitle : title);
}

void QtPrompter::Dress(QMessageBox& box, const std::string& text, int style, const std::string& title) const {
  box.setWindowTitle(Title(title));
  box.setText(ScreenText(text));
  box.setTextFormat(Qt::PlainText);
  switch (style & kIconMask) {
    case 16:
      box.setIcon(QMessageBox::Critical);
      break;
    case 32:
      box.setIcon(QMessageBox::Question);
      break;
    case 48:
      box.setIcon(QMessageBox::Warning);
      break;
    case 64:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
}

int QtPrompter::MsgBox(const std::string& text, int style, const std::string& title) {
  QMessageBox box(QApplication::activeWindow());
  Dress(box, text, style, title);
  if ((style & kButtonsMask) == connections::vbYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? connections::vbYes : connections::vbNo;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return connections::vbOK;
}

int QtPrompter::MsgBoxWithStop(const std::string& text, int style, const std::string& title) {
  QMessageBox box(QApplication::activeWindow());
  Dress(box, text, style, title);
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* stop = box.addButton(QStringLiteral("Stop"), QMessageBox::RejectRole);
  stop->setObjectName(QStringLiteral("StopButton"));
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return box.clickedButton() == stop ? connections::vbStop : connections::vbOK;
}

std::string QtPrompter::InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
  bool accepted = false;
  const QString answer = QInputDialog::getText(QApplication::activeWindow(), Title(title), ScreenText(prompt),
                                               QLineEdit::Normal, QString::fromStdString(defaultText), &accepted);
  return accepted ? answer.toStdString() : std::string();
}

bool QtPrompter::AskOverwrite(const std::string& table, connections::TableSide) {
  const connections::MessageBoxTexts box = connections::OverwriteBox(table);
  return MsgBox(box.text, box.style, box.title) == connections::vbYes;
}

connections::AfterFailure QtPrompter::ReportFailure(const connections::FailureReport& report, bool stopOffered) {
  const connections::MessageBoxTexts box = connections::FailureBox(report);
  if (!stopOffered) {
    MsgBox(box.text, box.style, box.title);
    return connections::AfterFailure::GoOn;
  }
  return MsgBoxWithStop(box.text, box.style, box.title) == connections::vbStop ? connections::AfterFailure::Stop
                                                                               : connections::AfterFailure::GoOn;
}

void QtPrompter::Tell(const std::string& text) {
  const connections::MessageBoxTexts box = connections::TellBox(text);
  MsgBox(box.text, box.style, box.title);
}

std::string QtPrompter::AskText(const std::string& prompt, const std::string& defaultText) {
  return InputBox(prompt, {}, defaultText);
}

}  // namespace shell
