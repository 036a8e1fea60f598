#include "shell/ProgressBarControl.h"

#include <QProgressBar>
#include <QString>

#include "platform/ado/Failure.h"

namespace shell {

ProgressBarControl::ProgressBarControl(QProgressBar& bar) : m_bar(bar) {
  m_bar.setRange(0, 100);
  m_bar.setTextVisible(true);
  m_bar.setAlignment(Qt::AlignCenter);
}

void ProgressBarControl::SetValue(int percent) {
  if (percent < m_bar.minimum() || percent > m_bar.maximum()) throw ado::Failure("Invalid property value");
  m_bar.setValue(percent);
}

int ProgressBarControl::GetValue() const { return m_bar.value(); }

void ProgressBarControl::SetText(const std::string& text) {
  m_text = text;
  m_bar.setFormat(QString::fromStdString(text));
}

std::string ProgressBarControl::GetText() const { return m_text; }

}  // namespace shell
