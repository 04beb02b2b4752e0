// Window sizes are designed in twips, 1440 to the inch; this turns them into the pixels of the
// screen a widget is on, using its logical resolution so that scaling is respected.
#pragma once

#include <QWidget>

namespace marbleset::shell {

inline int TwipsToPixelsX(const QWidget& widget, int twips) {
  return twips * widget.logicalDpiX() / 1440;
}

inline int TwipsToPixelsY(const QWidget& widget, int twips) {
  return twips * widget.logicalDpiY() / 1440;
}

}  // namespace marbleset::shell
