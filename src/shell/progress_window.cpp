#include "shell/progress_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

#include "shell/window_units.h"

namespace marbleset::shell {

ProgressWindow::ProgressWindow(QWidget* anchor)
    : QDialog(anchor, Qt::Dialog | Qt::CustomizeWindowHint), anchor_(anchor) {
  setObjectName("progForm");
  setWindowTitle(QString());
  setFixedSize(TwipsToPixelsX(*this, 3705), TwipsToPixelsY(*this, 1560));

  label_ = new QLabel(this);
  label_->setObjectName("Label1");
  label_->setAlignment(Qt::AlignCenter);
  label_->setGeometry(TwipsToPixelsX(*this, 240), TwipsToPixelsY(*this, 240),
                      TwipsToPixelsX(*this, 3255), TwipsToPixelsY(*this, 255) + 4);

  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar");
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  bar_->setGeometry(TwipsToPixelsX(*this, 240), TwipsToPixelsY(*this, 720),
                    TwipsToPixelsX(*this, 3255), TwipsToPixelsY(*this, 255));
}

void ProgressWindow::Start(std::string_view message) {
  label_->setText(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
  bar_->setValue(0);
  PlaceOverAnchor();
  show();
  raise();
  PaintNow();
}

void ProgressWindow::Advance(double percent) {
  const int value = static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0)));
  if (value == bar_->value()) return;
  bar_->setValue(value);
  PaintNow();
}

void ProgressWindow::Unload() {
  hide();
  label_->clear();
  bar_->setValue(0);
}

QString ProgressWindow::Message() const {
  return label_->text();
}

int ProgressWindow::Percent() const {
  return bar_->value();
}

void ProgressWindow::PlaceOverAnchor() {
  if (!anchor_) return;
  const QRect main = anchor_->geometry();
  move(main.left() + (main.width() - width()) / 2, main.top() + main.height() / 2);
}

void ProgressWindow::PaintNow() {
  // The run keeps the user-interface thread busy, so the window is painted here and now; user
  // input stays queued until the run has returned.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

}  // namespace marbleset::shell
