#include "shell/window_placement.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace marbleset::shell {

namespace {

// Room left between a window and the one it opens beside.
constexpr int kGap = 12;

const QMainWindow* MainWindowOf(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    if (const auto* main = qobject_cast<const QMainWindow*>(widget)) return main;
  }
  return nullptr;
}

}  // namespace

void PlaceWindow(QWidget& window, const QWidget& anchor) {
  const QRect beside = anchor.frameGeometry();
  const QScreen* screen = anchor.screen();
  const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
  // Before its first showing the window's frame is not known; the size it was given, or else
  // its size hint, stands for it.
  const QSize size = window.isVisible()                     ? window.frameSize()
                     : window.testAttribute(Qt::WA_Resized) ? window.size()
                                                            : window.sizeHint();
  QPoint at(beside.right() + 1 + kGap, beside.top());
  if (room.isValid() && at.x() + size.width() > room.right()) {
    at.setX(beside.left() - kGap - size.width());
    if (at.x() < room.left()) at = QPoint(beside.left() + kGap, beside.top() + kGap);
  }
  if (room.isValid()) {
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
  }
  // Over the main window, the window starts below its menu bar.
  const QMainWindow* main = MainWindowOf(&anchor);
  if (main != nullptr && main->isVisible() && main->menuWidget() != nullptr &&
      QRect(at, size).intersects(main->frameGeometry())) {
    const QWidget* menu = main->menuWidget();
    at.setY(std::max(at.y(), menu->mapToGlobal(QPoint(0, menu->height())).y() + kGap));
  }
  window.move(at);
}

}  // namespace marbleset::shell
