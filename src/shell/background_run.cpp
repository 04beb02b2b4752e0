#include "shell/background_run.h"

#include <QEventLoop>
#include <QThread>
#include <memory>

#include "shell/progress_window.h"

namespace marbleset::shell {

std::exception_ptr RunInBackground(ProgressWindow& progress, QWidget* beside, std::size_t dataSets,
                                   const std::function<void(marbleset::Progress&)>& job) {
  std::exception_ptr failure;
  progress.BeginRun(beside, dataSets);
  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      job(progress);
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  // finished is emitted on the worker thread, so it reaches the loop as a queued event and is
  // not lost when the run ends before the loop has begun.
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                   Qt::QueuedConnection);
  worker->start();
  loop.exec();
  worker->wait();
  progress.EndRun();
  return failure;
}

}  // namespace marbleset::shell
