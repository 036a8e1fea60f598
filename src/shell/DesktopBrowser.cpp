#include "shell/DesktopBrowser.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace shell {

void DesktopBrowser::Open(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

}  // namespace shell
