#include "shell/QtPathPicker.h"

#include <QFileDialog>
#include <QStringList>

namespace shell {

std::string QtPathPicker::BrowseForFolder(QWidget* owner, const std::string& prompt, const std::string& startFolder) {
  QFileDialog dialog(owner, QString::fromStdString(prompt), QString::fromStdString(startFolder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

std::string QtPathPicker::ShowOpen(QWidget* owner, const std::string& title, const std::string& filter,
                                   int /*flags: Qt's chooser has no read-only box*/) {
  QFileDialog dialog(owner, QString::fromStdString(title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name comes back as typed: the file need not exist and no extension is added.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QtFilter(filter));
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

QString QtPathPicker::QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts.at(i);
    const QString patterns = QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
    if (description.contains(QLatin1Char('(')))
      filters << description;
    else
      filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace shell
