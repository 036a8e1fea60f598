#pragma once

#include <QCursor>
#include <optional>
#include <string>

#include "connections/WindowParts.h"

class QWidget;

namespace shell {

// A window's pointer state: 0 arrow, 11 hourglass, 99 the window's pointer image (the
// hand cursor), or the arrow while no image is loaded.
class WindowPointer : public connections::MousePointer {
 public:
  explicit WindowPointer(QWidget& window) : m_window(window) {}

  int Get() const override { return m_value; }
  void Set(int value) override;

  /// Loads a cursor file (Windows .cur) as the pointer image; throws when it cannot be read.
  void LoadImage(const std::string& path);
  bool HasImage() const { return m_image.has_value(); }
  /// The cursor the window shows now.
  Qt::CursorShape Shape() const;

  // The pointer rule of the mouse-move handlers.
  /// Over a push button with a command: the hand, unless the hourglass is up.
  void OverCommand();
  /// Over the background, a frame, a field or a list: the arrow, unless the hourglass is up.
  void OverPlain();
  /// The arrow even over the hourglass.
  void OverPlainAlways();

 private:
  void Show();

  QWidget& m_window;
  int m_value = connections::vbDefault;
  std::optional<QCursor> m_image;
};

}  // namespace shell
