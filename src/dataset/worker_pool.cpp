#include "dataset/worker_pool.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace marbleset {

struct TaskGroup::State {
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = 0;
  std::exception_ptr error;
};

struct TaskGroup::Task {
  std::function<void()> work;
  std::shared_ptr<State> state;
  bool taken = false;  // under state->mutex: by a worker, by the waiting thread, or dropped

  // Runs the task unless somebody took it first.
  bool RunIfFree() {
    {
      std::lock_guard lock(state->mutex);
      if (taken) return false;
      taken = true;
      ++state->running;
    }
    std::exception_ptr error;
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(state->mutex);
    if (error && !state->error) state->error = error;
    --state->running;
    state->finished.notify_all();
    return true;
  }
};

namespace {

// One thread per core, started at first use and joined when the program ends.
class WorkerPool {
 public:
  static WorkerPool& Shared() {
    static WorkerPool pool(WorkerCount());
    return pool;
  }

  void Post(std::shared_ptr<TaskGroup::Task> task) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(task));
    }
    posted_.notify_one();
  }

  ~WorkerPool() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    posted_.notify_all();
    for (auto& thread : threads_) thread.join();
  }

 private:
  explicit WorkerPool(std::size_t count) {
    for (std::size_t t = 0; t < count; ++t) threads_.emplace_back([this] { Serve(); });
  }

  void Serve() {
    for (;;) {
      std::shared_ptr<TaskGroup::Task> task;
      {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task->RunIfFree();
    }
  }

  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::shared_ptr<TaskGroup::Task>> queue_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

std::size_t WorkerCount(int requested) {
  if (requested > 0) return static_cast<std::size_t>(requested);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

TaskGroup::TaskGroup() : state_(std::make_shared<State>()) {}

TaskGroup::~TaskGroup() {
  Cancel();
  WaitForRunning();
}

void TaskGroup::Run(std::function<void()> work) {
  auto task = std::make_shared<Task>();
  task->work = std::move(work);
  task->state = state_;
  tasks_.push_back(task);
  WorkerPool::Shared().Post(std::move(task));
}

bool TaskGroup::RunOnePending() {
  while (nextPending_ < tasks_.size())
    if (tasks_[nextPending_++]->RunIfFree()) return true;
  return false;
}

void TaskGroup::Wait() {
  while (RunOnePending()) {
  }
  WaitForRunning();
  tasks_.clear();
  nextPending_ = 0;
  std::exception_ptr error;
  {
    std::lock_guard lock(state_->mutex);
    error = std::exchange(state_->error, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

void TaskGroup::Cancel() {
  std::lock_guard lock(state_->mutex);
  for (auto& task : tasks_) task->taken = true;
  nextPending_ = tasks_.size();
}

void TaskGroup::WaitForRunning() {
  std::unique_lock lock(state_->mutex);
  state_->finished.wait(lock, [&] { return state_->running == 0; });
}

}  // namespace marbleset
