#include "shell/WindowPointer.h"

#include <QByteArray>
#include <QFile>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "platform/ado/Failure.h"

namespace shell {

void WindowPointer::Set(int value) {
  m_value = value;
  Show();
}

namespace {

int Le16(const QByteArray& bytes, int at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

// The hot spot of a Windows cursor file's first image (the one Qt's ico plugin reads),
// scaled to the picture as loaded. A cursor file is an icon directory of type 2 whose
// entries keep the hot spot where an icon keeps planes and bit count.
std::optional<QPoint> CursorFileHotSpot(const QString& path, const QPixmap& picture) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(6 + 16);
  if (head.size() < 6 + 16 || Le16(head, 0) != 0 || Le16(head, 2) != 2 || Le16(head, 4) < 1) return std::nullopt;
  const int width = static_cast<std::uint8_t>(head[6]) == 0 ? 256 : static_cast<std::uint8_t>(head[6]);
  const int height = static_cast<std::uint8_t>(head[7]) == 0 ? 256 : static_cast<std::uint8_t>(head[7]);
  const QPoint hotSpot(Le16(head, 10) * picture.width() / width, Le16(head, 12) * picture.height() / height);
  if (hotSpot.x() >= picture.width() || hotSpot.y() >= picture.height()) return std::nullopt;
  return hotSpot;
}

}  // namespace

void WindowPointer::LoadImage(const std::string& path) {
  const QString file = QString::fromStdString(path);
  QPixmap picture;
  // Qt's ico plugin reads .cur files when told the format, but not their hot spot.
  if (!picture.load(file, "CUR") && !picture.load(file)) throw ado::Failure("Invalid picture: " + path);
  // A picture that is no cursor file has no hot spot: the hand's finger tip (upper middle).
  const QPoint hotSpot = CursorFileHotSpot(file, picture).value_or(QPoint(picture.width() / 3, 0));
  m_image = QCursor(picture, hotSpot.x(), hotSpot.y());
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
