// The progress window of a long run: what is being made or read, how far the run has come, and a
// Cancel button. The run works on a worker thread and reports here through marbleset::Progress;
// the window is modal to the whole program while the run lasts, so no other window takes input
// and the data cannot change under the run.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "dataset/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace marbleset::shell {

class ProgressWindow : public QDialog, public marbleset::Progress {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent);

  // Called by the run, from any thread. Start shows the message with the bar at 0 and returns
  // once the window shows it; Advance moves the bar and the data-set line without waiting.
  void Start(std::string_view message) override;
  void Advance(double percent) override;
  bool CancelRequested() const override { return cancelRequested_.load(); }
  // A run over the data sets of a file: the data-set line names the one being read.
  void ReadingDataSet(int number) override;

  // The user-interface thread's side. BeginRun shows the window beside `beside` (a run dialog)
  // with the cancel request cleared; dataSets is the number of data sets the run makes, for the
  // line "Data set 3 of 100" (0 when the run does not know it). EndRun hides the window.
  void BeginRun(QWidget* beside, std::size_t dataSets);
  void EndRun();
  // What Cancel, Escape and the window's close button do: the run stops at its next step.
  void RequestCancel();

  QString Message() const;
  QString DataSetLine() const;
  int Percent() const;

 signals:
  // The run's Start has been shown (emitted on the user-interface thread, before Start returns).
  void Started(const QString& message);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void ShowStart(const QString& message);
  void ShowPercent(double percent);

  QLabel* messageLabel_;
  QLabel* dataSetLabel_;
  QProgressBar* bar_;
  QPushButton* cancelButton_;
  std::size_t dataSets_ = 0;
  bool running_ = false;
  std::atomic<bool> cancelRequested_{false};
  // The last step posted to the window, in tenths of a percent, so a run that reports often
  // does not flood the event queue.
  std::atomic<int> postedStep_{-1};
};

}  // namespace marbleset::shell
