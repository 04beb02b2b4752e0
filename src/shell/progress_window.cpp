#include "shell/progress_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "shell/window_placement.h"

namespace marbleset::shell {

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("progressWindow");
  setWindowTitle(QString());
  setWindowModality(Qt::ApplicationModal);

  messageLabel_ = new QLabel(this);
  messageLabel_->setObjectName("messageLabel");
  messageLabel_->setAlignment(Qt::AlignCenter);
  dataSetLabel_ = new QLabel(this);
  dataSetLabel_->setObjectName("dataSetLabel");
  dataSetLabel_->setAlignment(Qt::AlignCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("cancelButton");
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &ProgressWindow::RequestCancel);

  const QFontMetrics metrics(font());
  bar_->setMinimumWidth(metrics.averageCharWidth() * 40);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(messageLabel_);
  layout->addWidget(dataSetLabel_);
  layout->addWidget(bar_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressWindow::BeginRun(QWidget* beside, std::size_t dataSets) {
  dataSets_ = dataSets;
  running_ = true;
  cancelRequested_ = false;
  postedStep_ = -1;
  messageLabel_->clear();
  dataSetLabel_->clear();
  bar_->setValue(0);
  cancelButton_->setEnabled(true);
  adjustSize();
  if (beside != nullptr && beside->isVisible()) PlaceWindow(*this, *beside);
  show();
  raise();
  activateWindow();
}

void ProgressWindow::EndRun() {
  running_ = false;
  hide();
  messageLabel_->clear();
  dataSetLabel_->clear();
  bar_->setValue(0);
}

void ProgressWindow::RequestCancel() {
  cancelRequested_ = true;
  cancelButton_->setEnabled(false);
}

void ProgressWindow::Start(std::string_view message) {
  const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
  postedStep_ = -1;
  if (QThread::currentThread() == thread()) {
    ShowStart(text);
    return;
  }
  // Waiting here keeps the order of what the window shows the order of the run's reports, and
  // lets the window be on screen before the run's first step.
  QMetaObject::invokeMethod(
      this, [this, text] { ShowStart(text); }, Qt::BlockingQueuedConnection);
}

void ProgressWindow::Advance(double percent) {
  percent = std::clamp(percent, 0.0, 100.0);
  const int step = static_cast<int>(std::lround(percent * 10));
  if (postedStep_.exchange(step) == step) return;
  if (QThread::currentThread() == thread()) {
    ShowPercent(percent);
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, percent] { ShowPercent(percent); }, Qt::QueuedConnection);
}

void ProgressWindow::ReadingDataSet(int number) {
  QMetaObject::invokeMethod(
      this,
      [this, number] {
        if (running_) dataSetLabel_->setText(QString("Data set %1").arg(number));
      },
      Qt::QueuedConnection);
}

void ProgressWindow::ShowStart(const QString& message) {
  messageLabel_->setText(message);
  dataSetLabel_->clear();
  bar_->setValue(0);
  if (!isVisible()) show();
  emit Started(message);
}

void ProgressWindow::ShowPercent(double percent) {
  bar_->setValue(static_cast<int>(std::lround(percent)));
  if (dataSets_ == 0) return;
  // A generator reports 100 * d / n percent as it starts data set d of n.
  const auto count = static_cast<double>(dataSets_);
  const auto made =
      static_cast<std::size_t>(std::clamp(std::round(percent * count / 100), 1.0, count));
  dataSetLabel_->setText(QString("Data set %1 of %2").arg(made).arg(dataSets_));
}

QString ProgressWindow::Message() const {
  return messageLabel_->text();
}

QString ProgressWindow::DataSetLine() const {
  return dataSetLabel_->text();
}

int ProgressWindow::Percent() const {
  return bar_->value();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  // During a run the window goes when the run has ended, not before: closing it asks the run
  // to stop.
  if (!running_) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();
  RequestCancel();
}

void ProgressWindow::reject() {
  if (running_) {
    RequestCancel();
  } else {
    QDialog::reject();
  }
}

}  // namespace marbleset::shell
