// The one pool of worker threads that every parallel pass shares (distance cells, matrix text,
// tree replicates), with one rule for how many threads a pass uses.
//
// A pass puts its tasks into a TaskGroup and waits for them. The waiting thread runs the
// group's tasks that no worker has taken yet, so a group waited for inside another group's task
// never deadlocks, and a pass moves on even while every worker is busy with another pass.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace marbleset {

// The threads a pass uses: requested when it is positive, else one per core (at least one).
std::size_t WorkerCount(int requested = 0);

class TaskGroup {
 public:
  TaskGroup();
  TaskGroup(const TaskGroup&) = delete;
  TaskGroup& operator=(const TaskGroup&) = delete;
  // Drops the tasks not yet started and waits for the running ones; never throws.
  ~TaskGroup();

  void Run(std::function<void()> task);
  // Runs one of this group's tasks that nobody has started, on the calling thread; false when
  // there is none left.
  bool RunOnePending();
  // Waits for every task, running the unstarted ones itself; rethrows the first exception a
  // task threw.
  void Wait();
  // Tasks not yet started are dropped; running ones finish (they ask the run's Progress).
  void Cancel();

  // What the group's tasks share with the workers; it outlives a group whose tasks a worker
  // still holds.
  struct State;
  struct Task;

 private:
  void WaitForRunning();

  std::shared_ptr<State> state_;
  std::vector<std::shared_ptr<Task>> tasks_;
  std::size_t nextPending_ = 0;
};

}  // namespace marbleset
