#pragma once

#include <QObject>
#include <map>

#include "shell/WindowPointer.h"

class QEvent;
class QWidget;

namespace shell {

// The mouse-move handlers of a window's controls: each watched control sets the window's
// pointer by the rule of its zone when the mouse moves over it.
class PointerZones : public QObject {
 public:
  enum class Zone {
    Command,      // a push button with a command: the hand, unless the hourglass is up
    Plain,        // background, frames, fields, lists: the arrow, unless the hourglass is up
    PlainAlways,  // the arrow even over the hourglass
  };

  explicit PointerZones(WindowPointer& pointer) : m_pointer(pointer) {}

  void Watch(QWidget* widget, Zone zone);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  WindowPointer& m_pointer;
  std::map<QObject*, Zone> m_zones;
};

}  // namespace shell
