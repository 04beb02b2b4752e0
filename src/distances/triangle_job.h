// One upper triangle being computed on the shared worker pool: blocks of rows are handed out to
// the tasks, and the thread that writes the matrix waits for the rows in order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "dataset/worker_pool.h"
#include "distances/matrix_rows.h"
#include "distances/pair_computer.h"

namespace marbleset {

// Hands out blocks of rows and tells the waiting thread which rows are done.
class RowSchedule {
 public:
  RowSchedule(std::size_t rows, std::size_t block)
      : rows_(rows), block_(block), done_(rows + 1, 0) {}

  // Computes blocks until none is left; any thread may call it.
  void Work(const PairComputer& computer, Triangle& triangle);
  // True when the first rows rows are done.
  bool Done(std::size_t rows);
  // Waits until the first rows rows are done; returns the failure found in them, if any.
  CellFailure WaitFor(std::size_t rows);
  // No further rows are needed (the writer failed or the run was cancelled).
  void Abandon() { stopRow_.store(0); }

 private:
  std::size_t rows_;
  std::size_t block_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> stopRow_{std::numeric_limits<std::size_t>::max()};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> done_;
  std::size_t complete_ = 0;
  std::size_t waitedFor_ = 0;
  CellFailure failure_;
};

// The computer, its triangle and the tasks that fill it. threads = 0 lets the size of the job
// decide (below a few million steps one thread does it all before the first row is asked for).
// rows: the rows of the square matrix whose cells are wanted (see Triangle).
class TriangleJob {
 public:
  TriangleJob(const DataSet& data, const DistanceSettings& settings,
              const kernels::KernelTable& kernels, int threads, MatrixRows rows = {});
  TriangleJob(const TriangleJob&) = delete;
  TriangleJob& operator=(const TriangleJob&) = delete;
  ~TriangleJob();

  // Waits for row i (cells (i, j), j > i); returns the failure in the rows up to it, if any.
  CellFailure WaitForRow(std::size_t i);
  Triangle& Values() { return triangle_; }

 private:
  std::unique_ptr<PairComputer> computer_;
  Triangle triangle_;
  RowSchedule schedule_;
  TaskGroup tasks_;
};

}  // namespace marbleset
