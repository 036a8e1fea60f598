#include "shell/WindowPointer.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include "platform/ado/Failure.h"

namespace shell {

void WindowPointer::Set(int value) {
  m_value = value;
  Show();
}

void WindowPointer::LoadImage(const std::string& path) {
  QPixmap picture;
  // Qt's ico plugin reads .cur files when told the format; the hot spot is not read back,
  // so the hand's finger tip (upper middle) is used.
  if (!picture.load(QString::fromStdString(path), "CUR") && !picture.load(QString::fromStdString(path)))
    throw ado::Failure("Invalid picture: " + path);
  m_image = QCursor(picture, picture.width() / 3, 0);
  Show();
}

Qt::CursorShape WindowPointer::Shape() const {
  switch (m_value) {
    case connections::vbHourglass:
      return Qt::WaitCursor;
    case connections::vbCustom:
      return m_image ? Qt::BitmapCursor : Qt::ArrowCursor;
    default:
      return Qt::ArrowCursor;
  }
}

void WindowPointer::OverCommand() {
  if (m_value != connections::vbHourglass) Set(connections::vbCustom);
}

void WindowPointer::OverPlain() {
  if (m_value != connections::vbHourglass) Set(connections::vbDefault);
}

void WindowPointer::OverPlainAlways() { Set(connections::vbDefault); }

void WindowPointer::Show() {
  if (m_value == connections::vbCustom && m_image)
    m_window.setCursor(*m_image);
  else
    m_window.setCursor(QCursor(Shape()));
}

}  // namespace shell
