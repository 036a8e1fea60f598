#pragma once

class QWidget;

namespace shell {

// The layout is given in twips (1/1440 inch): 15 twips are one pixel at 96 dpi, scaled
// by the screen's logical dpi / 96.
int TwipsToPixels(int twips, double logicalDpi);
int TwipsToPixels(int twips);
double ScreenLogicalDpi();

/// Places widget at left/top/width/height twips within its parent.
void PlaceInTwips(QWidget& widget, int left, int top, int width, int height);

}  // namespace shell
