// A long run on a worker thread. The progress window shows how far it has come and takes the
// user's Cancel; being modal to the whole program it keeps input from every other window, while
// all windows go on repainting.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>

#include "dataset/progress.h"

class QWidget;

namespace marbleset::shell {

class ProgressWindow;

// Runs job(progress) on a worker thread and returns when it has ended: with nothing, or with
// the failure it ended with (RunCancelled when the user cancelled). The progress window is shown
// beside `beside` from the start to the end of the run; dataSets is as ProgressWindow::BeginRun
// takes it. The job must not touch any widget.
std::exception_ptr RunInBackground(ProgressWindow& progress, QWidget* beside, std::size_t dataSets,
                                   const std::function<void(marbleset::Progress&)>& job);

}  // namespace marbleset::shell
