// The progress window the long runs show: a one-line message over a bar from 0 to 100.
#pragma once

#include <QDialog>
#include <string_view>

#include "dataset/progress.h"

class QLabel;
class QProgressBar;

namespace marbleset::shell {

class ProgressWindow : public QDialog, public marbleset::Progress {
  Q_OBJECT

 public:
  // anchor is the main window the progress window is centred over.
  explicit ProgressWindow(QWidget* anchor);

  // Load: message in the label, bar at 0, shown over the anchor and painted at once, because
  // the run that follows keeps the event loop busy until it ends.
  void Start(std::string_view message) override;
  // Moves the bar and paints it at once.
  void Advance(double percent) override;
  // Unload: hides the window; the next Start shows it again from its designed state.
  void Unload();

  QString Message() const;
  int Percent() const;

 private:
  void PlaceOverAnchor();
  void PaintNow();

  QWidget* anchor_;
  QLabel* label_;
  QProgressBar* bar_;
};

}  // namespace marbleset::shell
