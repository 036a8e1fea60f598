#include <QString>

#include "platform/os/TextCase.h"

namespace os {

std::string LowerCase(const std::string& text) { return QString::fromStdString(text).toLower().toStdString(); }

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  return QString::compare(QString::fromStdString(a), QString::fromStdString(b), Qt::CaseInsensitive);
}

}  // namespace os
