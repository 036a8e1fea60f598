#include "shell/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace shell {

int TwipsToPixels(int twips, double logicalDpi) {
  return static_cast<int>(std::lround(static_cast<double>(twips) * logicalDpi / 1440.0));
}

double ScreenLogicalDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

int TwipsToPixels(int twips) { return TwipsToPixels(twips, ScreenLogicalDpi()); }

void PlaceInTwips(QWidget& widget, int left, int top, int width, int height) {
  const double dpi = ScreenLogicalDpi();
  widget.setGeometry(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
                     TwipsToPixels(height, dpi));
}

}  // namespace shell
