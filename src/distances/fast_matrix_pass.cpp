#include "distances/fast_matrix_pass.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "dataset/errors.h"
#include "distances/binary_bitsets.h"
#include "distances/binary_coefficients.h"
#include "distances/distance_file.h"
#include "distances/marker_mean_sums.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "distances/reference_pass.h"

namespace marbleset {

namespace {

// Working space of one thread, reused from row to row.
struct RowScratch {
  std::vector<kernels::BinaryCounts> counts;
  std::vector<kernels::MaskedSums> masked;
  std::vector<double> sums;
  std::vector<std::uint32_t> equal;
  std::vector<MarkerMeanShares> shares;
};

class PairComputer {
 public:
  virtual ~PairComputer() = default;
  // Cells (i, j) for j = i + 1 .. NOtu into out[j - i - 1]. At a cell without value it sets
  // failure and returns; the cells before it are filled.
  virtual void ComputeRow(int i, double* out, RowScratch& scratch, CellFailure& failure) const = 0;
  // Rough cost of the whole triangle, to decide whether threads pay off.
  virtual double Work() const = 0;
  // Work done once for all rows before ComputeRow, on the given number of threads.
  virtual void Prepare(int /*threads*/) {}
};

class BinaryComputer final : public PairComputer {
 public:
  BinaryComputer(const DataSet& data, const DistanceSettings& settings,
                 const kernels::KernelTable& kernels)
      : data_(data), settings_(settings), kernels_(kernels), stats_(MarkerStatistics::Of(data)) {
    MissingFill fill = MissingFill::kKeep;
    if (settings.policy == kBinaryZero) fill = MissingFill::kZero;
    if (settings.policy == kBinaryOne) fill = MissingFill::kOne;
    if (settings.policy == kBinaryMarkerMode) fill = MissingFill::kMode;
    planes_ = PackBinary(data, fill, stats_);
    if (settings.policy == kBinaryMarkerMean && (planes_.shape & kernels::kHasMissing))
      mean_sums_ =
          std::make_unique<MarkerMeanSums>(planes_, data.NOtu, data.NChar, stats_, kernels);
  }

  double Work() const override {
    const double n = data_.NOtu;
    // The marker-mean sums cost about one step per OTU for each missing entry.
    const double missing = mean_sums_ ? static_cast<double>(mean_sums_->MissingCount()) : 0;
    return n * n / 2 * (planes_.words + 1) * 4 + missing * n;
  }

  void Prepare(int threads) override {
    if (mean_sums_) mean_sums_->Prepare(threads);
  }

  void ComputeRow(int i, double* out, RowScratch& scratch, CellFailure&) const override {
    const int count = data_.NOtu - i;
    scratch.counts.resize(static_cast<std::size_t>(count));
    kernels_.binary_counts(planes_.Otu(i), planes_.Otu(i + 1), planes_.stride, planes_.words, count,
                           planes_.shape, static_cast<std::uint32_t>(data_.NChar),
                           scratch.counts.data());
    const bool mean = mean_sums_ != nullptr;
    if (mean) {
      scratch.shares.resize(static_cast<std::size_t>(count));
      mean_sums_->Row(i, scratch.shares.data());
    }
    for (int c = 0; c < count; ++c) {
      const kernels::BinaryCounts& k = scratch.counts[static_cast<std::size_t>(c)];
      double a = k.ones;
      double m = k.mismatch;
      double d = static_cast<double>(k.valid - k.ones - k.mismatch);
      double n = data_.NChar;
      const double one_missing = k.one_missing;
      const double zero_missing = static_cast<double>(k.valid_missing - k.one_missing);
      const double both_missing = k.both_missing;
      if (settings_.policy == kBinaryHalf) {
        // Quarters and halves of whole counts: exact, so equal to adding them one by one.
        a += 0.5 * one_missing + 0.25 * both_missing;
        d += 0.5 * zero_missing + 0.25 * both_missing;
        m += 0.5 * one_missing + 0.5 * zero_missing + 0.5 * both_missing;
      } else if (settings_.policy == kBinaryIgnore) {
        n -= one_missing + zero_missing + both_missing;
      } else if (mean) {
        const MarkerMeanShares& s = scratch.shares[static_cast<std::size_t>(c)];
        a += s.one + s.both_one;
        m += (one_missing - s.one) + s.zero + s.both_mixed;
        d += (zero_missing - s.zero) + s.both_zero;
      }
      const double similarity = BinarySimilarity(settings_.coefficient, a, d, m, n);
      out[c] = settings_.distances ? 1.0 - similarity : similarity;
    }
  }

 private:
  const DataSet& data_;
  DistanceSettings settings_;
  const kernels::KernelTable& kernels_;
  MarkerStatistics stats_;
  BinaryPlanes planes_;
  std::unique_ptr<MarkerMeanSums> mean_sums_;  // "Marker mean" with missing entries only
};

class QuantitativeComputer final : public PairComputer {
 public:
  QuantitativeComputer(const DataSet& data, const DistanceSettings& settings,
                       const kernels::KernelTable& kernels)
      : data_(data), settings_(settings), kernels_(kernels) {
    const MarkerStatistics stats = MarkerStatistics::Of(data);
    ignore_ = settings.policy == kQuantitativeIgnore;
    len_ = (data.NChar + 7) / 8 * 8;
    stride_ = static_cast<std::size_t>(len_) + 8;
    const float pad = ignore_ ? std::numeric_limits<float>::quiet_NaN() : 0.0f;
    values_.assign(stride_ * (static_cast<std::size_t>(data.NOtu) + 2), pad);
    const bool correlation = settings.coefficient == kCorrelation && !ignore_;
    if (correlation) otu_sums_.resize(static_cast<std::size_t>(data.NOtu) + 1);
    for (int i = 1; i <= data.NOtu; ++i) {
      const float* row = data.Row(i);
      float* out = Values(i);
      for (int k = 1; k <= data.NChar; ++k) {
        float x = row[k];
        if (x == data.MissingValue) {
          if (ignore_)
            x = pad;
          else if (settings.policy == kQuantitativeMarkerMean)
            x = stats.mean[k];
          else if (settings.policy == kQuantitativeMarkerMode)
            x = static_cast<float>(stats.mode[k]);
          else
            x = 0.0f;
        }
        out[k - 1] = x;
      }
      // Sx and Sxx of an OTU are the same for every pair once missing entries are filled in;
      // summed here in character order, they are bit for bit those of the reference.
      if (correlation) {
        OtuSums& s = otu_sums_[i];
        for (int k = 0; k < data.NChar; ++k) {
          s.sum += out[k];
          s.squares += static_cast<double>(out[k]) * out[k];
          s.constant = s.constant && out[k] == out[0];
        }
      }
    }
  }

  double Work() const override {
    const double n = data_.NOtu;
    return n * n / 2 * (len_ + 8);
  }

  void ComputeRow(int i, double* out, RowScratch& scratch, CellFailure& failure) const override {
    const int count = data_.NOtu - i;
    const std::size_t size = static_cast<std::size_t>(count);
    const float* xi = Values(i);
    const float* first = Values(i + 1);
    const int coefficient = settings_.coefficient;
    if (ignore_) {
      scratch.masked.resize(size);
      const int kind = coefficient == kQuantitativeMatching ? kernels::kMaskedMatching
                       : coefficient == kCorrelation        ? kernels::kMaskedCorrelation
                                                            : kernels::kMaskedSquares;
      kernels_.masked_sums(kind, xi, first, stride_, len_, count, scratch.masked.data());
    } else if (coefficient == kQuantitativeMatching) {
      scratch.equal.resize(size);
      kernels_.equal_counts(xi, first, stride_, len_, count, scratch.equal.data());
    } else {
      scratch.sums.resize(size);
      auto kernel =
          coefficient == kCorrelation ? kernels_.dot_products : kernels_.squared_differences;
      kernel(xi, first, stride_, len_, count, scratch.sums.data());
    }
    const double chars = data_.NChar;
    for (int c = 0; c < count; ++c) {
      const int j = i + 1 + c;
      CellValue v;
      if (ignore_) {
        v = FromMasked(i, j, scratch.masked[static_cast<std::size_t>(c)]);
      } else if (coefficient == kQuantitativeMatching) {
        const double equal =
            static_cast<double>(scratch.equal[static_cast<std::size_t>(c)]) - (len_ - data_.NChar);
        v.value = chars == 0 ? 0.0 : equal / chars;
      } else if (coefficient == kEuclidean) {
        v.value = std::sqrt(scratch.sums[static_cast<std::size_t>(c)]);
      } else if (coefficient == kTaxDistance) {
        if (chars == 0)
          v.problem = CellProblem::kNoCharacterUsed;
        else
          v.value = std::sqrt(scratch.sums[static_cast<std::size_t>(c)] / chars);
      } else {
        const OtuSums& x = otu_sums_[i];
        const OtuSums& y = otu_sums_[j];
        const CorrelationSums s{chars,     x.sum,     y.sum,
                                x.squares, y.squares, scratch.sums[static_cast<std::size_t>(c)]};
        v = FinishCorrelation(s, x.constant, y.constant);
      }
      if (v.problem != CellProblem::kNone) {
        failure = {i, j, v.problem};
        return;
      }
      out[c] = QuantitativeResult(settings_, v.value);
    }
  }

 private:
  struct OtuSums {
    double sum = 0, squares = 0;
    bool constant = true;
  };

  float* Values(int i) { return values_.data() + static_cast<std::size_t>(i) * stride_; }
  const float* Values(int i) const {
    return values_.data() + static_cast<std::size_t>(i) * stride_;
  }

  CellValue FromMasked(int i, int j, const kernels::MaskedSums& s) const {
    switch (settings_.coefficient) {
      case kQuantitativeMatching:
        return {s.n == 0 ? 0.0 : s.equal / s.n, CellProblem::kNone};
      case kEuclidean:
        return {std::sqrt(s.ss), CellProblem::kNone};
      case kTaxDistance:
        if (s.n == 0) return {0, CellProblem::kNoCharacterUsed};
        return {std::sqrt(s.ss / s.n), CellProblem::kNone};
      default: {
        // Equal values leave a sum of squares of rounding noise far below this bound; only
        // then are the values looked at one by one.
        const bool first_small = s.sxx - s.sx * s.sx / s.n <= 1e-9 * std::fabs(s.sxx);
        const bool second_small = s.syy - s.sy * s.sy / s.n <= 1e-9 * std::fabs(s.syy);
        const bool first_constant = first_small && ConstantOverShared(i, j);
        const bool second_constant = second_small && ConstantOverShared(j, i);
        return FinishCorrelation({s.n, s.sx, s.sy, s.sxx, s.syy, s.sxy}, first_constant,
                                 second_constant);
      }
    }
  }

  // Whether OTU i's values are all equal over the characters where OTU j has values too.
  bool ConstantOverShared(int i, int j) const {
    const float* x = Values(i);
    const float* y = Values(j);
    bool seen = false;
    float first = 0;
    for (int k = 0; k < data_.NChar; ++k) {
      if (x[k] != x[k] || y[k] != y[k]) continue;
      if (!seen) {
        seen = true;
        first = x[k];
      } else if (x[k] != first) {
        return false;
      }
    }
    return true;
  }

  const DataSet& data_;
  DistanceSettings settings_;
  const kernels::KernelTable& kernels_;
  bool ignore_ = false;
  int len_ = 0;
  std::size_t stride_ = 0;
  std::vector<float> values_;
  std::vector<OtuSums> otu_sums_;
};

std::unique_ptr<PairComputer> MakeComputer(const DataSet& data, const DistanceSettings& settings,
                                           const kernels::KernelTable& kernels) {
  if (data.Quantitative == 0) return std::make_unique<BinaryComputer>(data, settings, kernels);
  return std::make_unique<QuantitativeComputer>(data, settings, kernels);
}

// The upper triangle, row i holding cells (i, i+1) .. (i, N).
class Triangle {
 public:
  explicit Triangle(int n) : start_(static_cast<std::size_t>(std::max(n, 0)) + 2, 0) {
    for (int i = 1; i <= n; ++i) start_[i + 1] = start_[i] + static_cast<std::size_t>(n - i);
    values_.resize(start_[static_cast<std::size_t>(n) + 1]);
  }
  double* Row(int i) { return values_.data() + start_[i]; }
  double At(int i, int j) const { return values_[start_[i] + static_cast<std::size_t>(j - i - 1)]; }
  std::vector<double>& values() { return values_; }

 private:
  std::vector<std::size_t> start_;
  std::vector<double> values_;
};

// Hands out rows to the threads and tells the writer which rows are done.
class RowSchedule {
 public:
  explicit RowSchedule(int rows) : rows_(rows), done_(static_cast<std::size_t>(rows) + 2, 0) {}

  // Computes rows until none is left; any thread may call it.
  void Work(const PairComputer& computer, Triangle& triangle) {
    RowScratch scratch;
    for (;;) {
      const int i = next_.fetch_add(1);
      if (i > rows_) return;
      CellFailure failure;
      if (i <= stop_row_.load()) computer.ComputeRow(i, triangle.Row(i), scratch, failure);
      std::lock_guard lock(mutex_);
      if (failure.problem != CellProblem::kNone &&
          (failure_.problem == CellProblem::kNone || failure.row < failure_.row)) {
        failure_ = failure;
        stop_row_.store(std::min(stop_row_.load(), failure.row));
      }
      done_[i] = 1;
      while (complete_ < rows_ && done_[complete_ + 1]) ++complete_;
      if (complete_ >= waited_for_) changed_.notify_all();
    }
  }

  // Waits until rows 1..row are done; returns the failure found in them, if any.
  CellFailure WaitFor(int row) {
    row = std::min(row, rows_);
    std::unique_lock lock(mutex_);
    waited_for_ = row;
    changed_.wait(lock, [&] { return complete_ >= row; });
    if (failure_.problem != CellProblem::kNone && failure_.row <= row) return failure_;
    return {};
  }

  // No further rows are needed (the writer failed).
  void Abandon() { stop_row_.store(0); }

 private:
  int rows_;
  std::atomic<int> next_{1};
  std::atomic<int> stop_row_{std::numeric_limits<int>::max()};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> done_;
  int complete_ = 0;
  int waited_for_ = 0;
  CellFailure failure_;
};

// Threads that work the schedule for as long as it lives in scope; joined on the way out,
// also when the writer throws.
class Workers {
 public:
  Workers(int count, RowSchedule& schedule, const PairComputer& computer, Triangle& triangle)
      : schedule_(schedule) {
    for (int t = 0; t < count; ++t)
      threads_.emplace_back(
          [&schedule, &computer, &triangle] { schedule.Work(computer, triangle); });
  }
  ~Workers() {
    schedule_.Abandon();
    for (auto& thread : threads_) thread.join();
  }

 private:
  RowSchedule& schedule_;
  std::vector<std::thread> threads_;
};

int ThreadsFor(const PairComputer& computer, int requested) {
  if (requested > 0) return requested;
  // Below a few million steps the threads cost more than they save (a file of many small
  // data sets starts them once per data set).
  if (computer.Work() < 4e6) return 0;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

double Diagonal(const DataSet& data, const DistanceSettings& settings) {
  if (data.Quantitative == 0) return settings.distances ? 0.0 : 1.0;
  const bool similarity_kind =
      settings.coefficient == kQuantitativeMatching || settings.coefficient == kCorrelation;
  return QuantitativeResult(settings, similarity_kind ? 1.0 : 0.0);
}

[[noreturn]] void ThrowCellFailure(const DataSet& data, const DistanceSettings& settings,
                                   const CellFailure& failure, int data_set_number, TextSink& out) {
  out.Flush();
  throw WriteFailure(CellFailureText(data, settings, failure, data_set_number));
}

}  // namespace

void FastMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                    int data_set_number, const kernels::KernelTable& kernels, int threads) {
  CheckDistanceSettings(data, settings);
  const int n = data.NOtu;
  const std::unique_ptr<PairComputer> computer = MakeComputer(data, settings, kernels);
  Triangle triangle(n);
  RowSchedule schedule(n - 1);
  const int thread_count = ThreadsFor(*computer, threads);
  computer->Prepare(std::max(thread_count, 1));
  if (thread_count == 0) schedule.Work(*computer, triangle);
  Workers workers(thread_count, schedule, *computer, triangle);

  if (settings.averaging) {
    const CellFailure failure = schedule.WaitFor(n - 1);
    if (failure.problem != CellProblem::kNone)
      ThrowCellFailure(data, settings, failure, data_set_number, out);
    if (n < 2) ThrowNothingToAverage(data, data_set_number);
    // Summed in row order in double precision, as the reference does: the mean then comes out
    // the same to the last bit.
    double sum = 0;
    for (double v : triangle.values()) sum += v;
    const double pairs = static_cast<double>(n) * (n - 1) / 2;
    char* place = out.Reserve(kMaxValueText);
    out.Commit(FormatDistanceValue(sum / pairs, place));
    out.EndLine();
    return;
  }

  AppendMatrixHeader(out, n);
  const double diagonal = Diagonal(data, settings);
  for (int i = 1; i <= n; ++i) {
    const CellFailure failure = schedule.WaitFor(i);
    const int last = failure.problem != CellProblem::kNone ? failure.column - 1 : n;
    out.Append(data.OtuName[i]);
    for (int j = 1; j <= last; ++j) {
      const double v = j < i ? triangle.At(j, i) : j == i ? diagonal : triangle.At(i, j);
      AppendDistanceValue(out, v);
    }
    if (failure.problem != CellProblem::kNone)
      ThrowCellFailure(data, settings, failure, data_set_number, out);
    out.EndLine();
  }
}

std::vector<double> FastUpperTriangle(const DataSet& data, const DistanceSettings& settings,
                                      const kernels::KernelTable& kernels, CellFailure& failure) {
  CheckDistanceSettings(data, settings);
  const std::unique_ptr<PairComputer> computer = MakeComputer(data, settings, kernels);
  Triangle triangle(data.NOtu);
  RowSchedule schedule(data.NOtu - 1);
  computer->Prepare(2);  // two threads, so that the tests see the threaded preparation
  schedule.Work(*computer, triangle);
  failure = schedule.WaitFor(data.NOtu - 1);
  return std::move(triangle.values());
}

}  // namespace marbleset
