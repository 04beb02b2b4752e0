#include "distances/triangle_job.h"

#include <algorithm>

namespace marbleset {

void RowSchedule::Work(const PairComputer& computer, Triangle& triangle) {
  Scratch scratch;
  for (;;) {
    const std::size_t first = next_.fetch_add(block_);
    if (first >= rows_) return;
    const std::size_t count = std::min(block_, rows_ - first);
    CellFailure failure;
    if (first <= stopRow_.load()) {
      // The rows before a piece's band hold other columns than the band's: computed apart.
      const std::size_t band = triangle.BandFirst();
      const std::size_t split = first < band && band < first + count ? band - first : count;
      computer.ComputeRows(first, split, triangle, scratch, failure);
      if (split < count && failure.problem == CellProblem::kNone)
        computer.ComputeRows(band, count - split, triangle, scratch, failure);
    }
    std::lock_guard lock(mutex_);
    if (failure.problem != CellProblem::kNone &&
        (failure_.problem == CellProblem::kNone || failure.row < failure_.row)) {
      failure_ = failure;
      stopRow_.store(std::min(stopRow_.load(), failure.row));
    }
    for (std::size_t r = first; r < first + count; ++r) done_[r] = 1;
    while (complete_ < rows_ && done_[complete_]) ++complete_;
    if (complete_ >= waitedFor_) changed_.notify_all();
  }
}

bool RowSchedule::Done(std::size_t rows) {
  std::lock_guard lock(mutex_);
  return complete_ >= std::min(rows, rows_);
}

CellFailure RowSchedule::WaitFor(std::size_t rows) {
  rows = std::min(rows, rows_);
  std::unique_lock lock(mutex_);
  waitedFor_ = rows;
  changed_.wait(lock, [&] { return complete_ >= rows; });
  if (failure_.problem != CellProblem::kNone && failure_.row < rows) return failure_;
  return {};
}

namespace {

std::unique_ptr<PairComputer> MakeComputer(const DataSet& data, const DistanceSettings& settings,
                                           const kernels::KernelTable& kernels) {
  if (data.IsBinary()) return MakeBinaryComputer(data, settings, kernels);
  return MakeQuantitativeComputer(data, settings, kernels);
}

std::size_t ThreadsFor(const PairComputer& computer, int requested) {
  if (requested > 0) return WorkerCount(requested);
  // Below a few million steps the threads cost more than they save (a file of many small
  // data sets starts them once per data set).
  if (computer.Work() < 4e6) return 0;
  return WorkerCount();
}

}  // namespace

TriangleJob::TriangleJob(const DataSet& data, const DistanceSettings& settings,
                         const kernels::KernelTable& kernels, int threads, MatrixRows rows)
    : computer_(MakeComputer(data, settings, kernels)),
      triangle_(data.OtuCount(), rows.first, rows.last),
      schedule_(triangle_.Rows(), computer_->BlockRows()) {
  const std::size_t count = ThreadsFor(*computer_, threads);
  computer_->Prepare(static_cast<int>(std::max<std::size_t>(count, 1)));
  if (count == 0) schedule_.Work(*computer_, triangle_);
  for (std::size_t t = 0; t < count; ++t)
    tasks_.Run([this] { schedule_.Work(*computer_, triangle_); });
}

TriangleJob::~TriangleJob() {
  schedule_.Abandon();
  tasks_.Cancel();
}

CellFailure TriangleJob::WaitForRow(std::size_t i) {
  // While tasks wait for a busy pool, the waiting thread works the schedule itself.
  while (!schedule_.Done(i + 1) && tasks_.RunOnePending()) {
  }
  return schedule_.WaitFor(i + 1);
}

}  // namespace marbleset
