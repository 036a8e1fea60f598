#include "shell/Main.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QTime>
#include <QWidget>
#include <cmath>

#include "shell/RandomSource.h"
#include "shell/SkinLayer.h"
#include "shell/WebBrowser.h"

namespace shell {

std::string ApplicationTitleFor(const std::string& productName) {
  std::string title = productName;
  do {
    const auto blank = title.rfind(' ');
    if (blank == std::string::npos) break;
    title.erase(blank);
  } while (title.size() > 40);
  return title;
}

bool FileExists(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  return info.exists() && info.lastModified().isValid();
}

bool OrdinaryFileExists(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  return info.exists() && info.isFile() && !info.isHidden();
}

std::string ProgramFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

std::string InProgramFolder(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

void UseSystemColours(QWidget& window) {
  const auto paint = [](QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
  };
  paint(window);
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (qobject_cast<QRadioButton*>(child) != nullptr || qobject_cast<QCheckBox*>(child) != nullptr ||
        qobject_cast<QGroupBox*>(child) != nullptr || qobject_cast<QLabel*>(child) != nullptr)
      paint(*child);
  }
}

void ApplySkin(QWidget& window, const std::string& programFolder, SkinLayer& skin) {
  const std::string path = InProgramFolder(programFolder, kSkinFile);
  if (!OrdinaryFileExists(path)) return;
  UseSystemColours(window);
  skin.LoadSkin(path, "");
  skin.SetOptions(skin.Options() | 1);
  skin.SetFlag(5, true);
  skin.SetFlag(10, true);
  skin.ApplySkin(static_cast<unsigned long long>(window.winId()));
}

int OpenHomePageAtRandom(RandomSource& random, WebBrowser& browser, double secondsSinceMidnight) {
  random.Randomize(secondsSinceMidnight);
  const int number = static_cast<int>(std::floor(random.Rnd() * 100.0)) + 1;
  if (number == 7) browser.Open(kHomePage);
  return number;
}

int OpenHomePageAtRandom(RandomSource& random, WebBrowser& browser) {
  const QTime now = QTime::currentTime();
  return OpenHomePageAtRandom(random, browser, static_cast<double>(now.msecsSinceStartOfDay() / 1000));
}

}  // namespace shell
