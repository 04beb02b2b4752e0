// Binary cells: counts of the bit planes turned into coefficients under each policy.
#include <memory>

#include "distances/binary_coefficients.h"
#include "distances/marker_statistics.h"
#include "distances/pair_computer.h"

namespace marbleset {

MissingFill FillFor(MissingPolicy policy) {
  switch (policy) {
    case MissingPolicy::kZero:
      return MissingFill::kZero;
    case MissingPolicy::kOne:
      return MissingFill::kOne;
    case MissingPolicy::kMarkerMode:
      return MissingFill::kMode;
    default:
      return MissingFill::kKeep;
  }
}

namespace {

class BinaryComputer final : public PairComputer {
 public:
  BinaryComputer(const DataSet& data, const DistanceSettings& settings,
                 const kernels::KernelTable& kernels)
      : data_(data), settings_(settings), kernels_(kernels) {
    const bool needStats = settings.policy == MissingPolicy::kMarkerMean ||
                           settings.policy == MissingPolicy::kMarkerMode;
    if (needStats) stats_ = MarkerStatistics::Of(data);
    planes_ = PackBinary(data, FillFor(settings.policy), &stats_);
    if (settings.policy == MissingPolicy::kMarkerMean && (planes_.shape & kernels::kHasMissing))
      meanSums_ = std::make_unique<MarkerMeanSums>(data, stats_, kernels);
  }

  std::size_t BlockRows() const override { return static_cast<std::size_t>(kernels_.binaryRows); }

  double Work() const override {
    const double n = static_cast<double>(data_.OtuCount());
    // The marker-mean sums cost about one step per OTU for each missing entry.
    const double missing = meanSums_ ? static_cast<double>(meanSums_->MissingCount()) : 0;
    return n * n / 2 * (static_cast<double>(planes_.words) + 1) * 4 + missing * n;
  }

  void Prepare(int threads) override {
    if (meanSums_) meanSums_->Prepare(threads);
  }

  void ComputeRows(std::size_t first, std::size_t rows, Triangle& triangle, Scratch& scratch,
                   CellFailure& failure) const override {
    // The block's rows share one run of columns: OTUs column .. column + count - 1.
    const std::size_t column = triangle.FirstColumn(first);
    const std::size_t count = triangle.EndColumn(first) - column;
    scratch.counts.resize(rows * count);
    kernels_.binary_block(planes_.Otu(first), static_cast<int>(rows), planes_.Otu(column),
                          planes_.stride, planes_.words, count, planes_.shape,
                          scratch.counts.data());
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t i = first + r;
      // Row i's cells start at OTU max(i + 1, column), skip cells of the run.
      const std::size_t skip = i + 1 > column ? i + 1 - column : 0;
      if (meanSums_) {
        // The shares come for the whole row from OTU i + 1 on.
        scratch.shares.resize(data_.OtuCount() - i - 1);
        meanSums_->Row(i, scratch.shares.data());
      }
      const MarkerMeanShares* shares =
          meanSums_ ? scratch.shares.data() + (column + skip - i - 1) : nullptr;
      double* out = triangle.Cell(i, column + skip);
      const kernels::BinaryCounts* counts = scratch.counts.data() + r * count + skip;
      for (std::size_t c = 0; c + skip < count; ++c) {
        const std::size_t j = column + skip + c;
        const CellValue v = Cell(i, j, counts[c], shares ? &shares[c] : nullptr);
        if (v.problem != CellProblem::kNone) {
          failure = {i, j, v.problem};
          return;
        }
        out[c] = v.value;
      }
    }
  }

 private:
  CellValue Cell(std::size_t i, std::size_t j, const kernels::BinaryCounts& k,
                 const MarkerMeanShares* shares) const {
    const double n = static_cast<double>(data_.CharCount());
    double a = k.ones, d = 0, m = 0;
    double oneMissing = 0, zeroMissing = 0, bothMissing = 0;
    if (planes_.shape & kernels::kHasOtherValues) {
      m = k.mismatch;
      d = static_cast<double>(k.valid) - k.ones - k.mismatch;
      oneMissing = k.oneMissing;
      zeroMissing = static_cast<double>(k.validMissing) - k.oneMissing;
      bothMissing = k.bothMissing;
    } else {
      // Every entry is 0, 1 or missing: with O and M an OTU's counts of 1 and missing entries,
      // the 1s of i facing a 0 or a missing entry of j number O_i - a, and so on; what the
      // kernel does not count follows from a, the 1-missing pairs and the missing-missing pairs.
      const double oi = planes_.ones[i], oj = planes_.ones[j];
      const double mi = planes_.missing[i], mj = planes_.missing[j];
      oneMissing = k.oneMissing;
      bothMissing = k.bothMissing;
      const double validMissing = mi + mj - 2 * bothMissing;
      zeroMissing = validMissing - oneMissing;
      m = oi + oj - 2 * a - oneMissing;
      const double valid = n - mi - mj + bothMissing;
      d = valid - a - m;
    }
    double counted = n;
    switch (settings_.policy) {
      case MissingPolicy::kHalf:
        // Quarters and halves of whole counts: exact, so equal to adding them one by one.
        a += 0.5 * oneMissing + 0.25 * bothMissing;
        d += 0.5 * zeroMissing + 0.25 * bothMissing;
        m += 0.5 * oneMissing + 0.5 * zeroMissing + 0.5 * bothMissing;
        break;
      case MissingPolicy::kIgnore:
        counted -= oneMissing + zeroMissing + bothMissing;
        break;
      case MissingPolicy::kMarkerMean:
        if (shares != nullptr) {
          // Both missing: pm^2 to a, (1-pm)^2 to d, 2pm(1-pm) to m, from the sums of pm and
          // pm^2 over those characters and their number.
          const double both = shares->both, squares = shares->bothSquares;
          a += shares->one + squares;
          m += (oneMissing - shares->one) + shares->zero + 2 * (both - squares);
          d += (zeroMissing - shares->zero) + (bothMissing - 2 * both + squares);
        }
        break;
      default:  // "0", "1" and "Marker mode" were filled in before packing
        break;
    }
    if (counted <= 0) return {0, CellProblem::kNoCharacterUsed};
    const double similarity = BinarySimilarity(settings_.coefficient, a, d, m, counted);
    return {settings_.distances ? 1.0 - similarity : similarity, CellProblem::kNone};
  }

  const DataSet& data_;
  DistanceSettings settings_;
  const kernels::KernelTable& kernels_;
  MarkerStatistics stats_;
  BinaryPlanes planes_;
  std::unique_ptr<MarkerMeanSums> meanSums_;  // "Marker mean" with missing entries only
};

}  // namespace

std::unique_ptr<PairComputer> MakeBinaryComputer(const DataSet& data,
                                                 const DistanceSettings& settings,
                                                 const kernels::KernelTable& kernels) {
  return std::make_unique<BinaryComputer>(data, settings, kernels);
}

}  // namespace marbleset
