#include "shell/PointerZones.h"

#include <QEvent>
#include <QWidget>

namespace shell {

void PointerZones::Watch(QWidget* widget, Zone zone) {
  m_zones[widget] = zone;
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
  // A move over a control is that control's alone; passed on, the frame behind it would
  // take the pointer back to the arrow.
  if (!widget->isWindow()) widget->setAttribute(Qt::WA_NoMousePropagation);
}

bool PointerZones::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove && event->type() != QEvent::Enter) return false;
  const auto zone = m_zones.find(watched);
  if (zone == m_zones.end()) return false;
  switch (zone->second) {
    case Zone::Command:
      m_pointer.OverCommand();
      break;
    case Zone::Plain:
      m_pointer.OverPlain();
      break;
    case Zone::PlainAlways:
      m_pointer.OverPlainAlways();
      break;
  }
  return false;
}

}  // namespace shell
