#include "distances/fast_matrix_pass.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "dataset/errors.h"
#include "formats/name_field.h"
#include "distances/binary_bitsets.h"
#include "distances/binary_coefficients.h"
#include "distances/cell_margin.h"
#include "formats/distance_file.h"
#include "distances/distance_run.h"
#include "distances/marker_mean_sums.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "distances/reference_pass.h"

namespace marbleset {

namespace {

// The upper triangle, row i holding cells (i, i+1) .. (i, n-1).
class Triangle {
 public:
  explicit Triangle(std::size_t n) : n_(n) { values_.resize(n < 2 ? 0 : n * (n - 1) / 2); }
  std::size_t Start(std::size_t i) const { return i * (2 * n_ - i - 1) / 2; }
  double* Row(std::size_t i) { return values_.data() + Start(i); }
  const double* Row(std::size_t i) const { return values_.data() + Start(i); }
  double At(std::size_t i, std::size_t j) const { return values_[Start(i) + (j - i - 1)]; }
  std::vector<double>& Values() { return values_; }

 private:
  std::size_t n_;
  std::vector<double> values_;
};

// Working space of one thread, reused from block to block.
struct Scratch {
  std::vector<kernels::BinaryCounts> counts;
  std::vector<double> sums;
  std::vector<double> corrections;
  std::vector<MarkerMeanShares> shares;
};

class PairComputer {
 public:
  virtual ~PairComputer() = default;
  // How many consecutive rows ComputeRows takes at once.
  virtual std::size_t BlockRows() const { return 1; }
  // Rows first .. first + rows - 1 of the triangle. At a cell without value it sets failure
  // and returns; the cells before it, in row order, are filled.
  virtual void ComputeRows(std::size_t first, std::size_t rows, Triangle& triangle,
                           Scratch& scratch, CellFailure& failure) const = 0;
  // Rough cost of the whole triangle, to decide whether threads pay off.
  virtual double Work() const = 0;
  // Work done once for all rows before ComputeRows, on the given number of threads.
  virtual void Prepare(int /*threads*/) {}
};

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
                   CellFailure&) const override {
    const std::size_t count = data_.OtuCount() - first - 1;
    scratch.counts.resize(rows * count);
    kernels_.binary_block(planes_.Otu(first), static_cast<int>(rows), planes_.Otu(first + 1),
                          planes_.stride, planes_.words, count, planes_.shape,
                          scratch.counts.data());
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t i = first + r;
      if (meanSums_) {
        scratch.shares.resize(count);
        meanSums_->Row(i, scratch.shares.data());
      }
      double* out = triangle.Row(i);
      // Row r's counts start at OTU first + 1; the cells of row i start at OTU i + 1.
      const kernels::BinaryCounts* counts = scratch.counts.data() + r * count + r;
      for (std::size_t c = 0; c + r < count; ++c)
        out[c] = Cell(i, i + 1 + c, counts[c], meanSums_ ? &scratch.shares[c] : nullptr);
    }
  }

 private:
  double Cell(std::size_t i, std::size_t j, const kernels::BinaryCounts& k,
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
    const double similarity = BinarySimilarity(settings_.coefficient, a, d, m, counted);
    return settings_.distances ? 1.0 - similarity : similarity;
  }

  const DataSet& data_;
  DistanceSettings settings_;
  const kernels::KernelTable& kernels_;
  MarkerStatistics stats_;
  BinaryPlanes planes_;
  std::unique_ptr<MarkerMeanSums> meanSums_;  // "Marker mean" with missing entries only
};

class QuantitativeComputer final : public PairComputer {
 public:
  QuantitativeComputer(const DataSet& data, const DistanceSettings& settings,
                       const kernels::KernelTable& kernels)
      : data_(data), settings_(settings), kernels_(kernels), stats_(MarkerStatistics::Of(data)) {
    const std::size_t n = data.OtuCount(), chars = data.CharCount();
    ignore_ = settings.policy == MissingPolicy::kIgnore;
    len_ = (chars + 7) / 8 * 8;
    stride_ = len_ + 8;
    // "Ignore" with "Correlation" and few missing entries sums over the filled-in rows and takes
    // off what the other OTU's missing characters held (see CorrelationCorrections).
    std::size_t missingTotal = 0;
    if (ignore_ && settings.coefficient == Coefficient::kCorrelation)
      for (std::size_t i = 0; i < n; ++i)
        for (std::size_t k = 0; k < chars; ++k) missingTotal += data.IsMissing(i, k);
    sparse_ = ignore_ && settings.coefficient == Coefficient::kCorrelation &&
              static_cast<double>(missingTotal) <= kSparseShare * static_cast<double>(n * chars);
    const float pad = ignore_ && !sparse_ ? std::numeric_limits<float>::quiet_NaN() : 0.0f;
    values_.assign(stride_ * (n + 1), pad);
    const bool correlation = settings.coefficient == Coefficient::kCorrelation && !ignore_;
    if (correlation) otuSums_.resize(n);
    missingWords_ = ignore_ ? (chars + 63) / 64 : 0;
    missing_.assign(missingWords_ * (n + 1), 0);
    missingCount_.assign(n, 0);
    if (sparse_) {
      columns_.assign(chars * n, 0.0f);
      rowSums_.assign(n, {});
    }
    for (std::size_t i = 0; i < n; ++i) {
      const float* row = data.Row(i);
      float* out = Values(i);
      for (std::size_t k = 0; k < chars; ++k) {
        float x = row[k];
        if (x == data.MissingValue()) {
          if (ignore_) {
            x = pad;
            missing_[i * missingWords_ + k / 64] |= std::uint64_t{1} << (k % 64);
            ++missingCount_[i];
          } else if (settings.policy == MissingPolicy::kMarkerMean) {
            x = stats_.mean[k];
          } else if (settings.policy == MissingPolicy::kMarkerMode) {
            x = static_cast<float>(stats_.mode[k]);
          } else {
            x = 0.0f;
          }
        }
        out[k] = x;
        if (sparse_) {
          columns_[k * n + i] = x;
          RowSums& sums = rowSums_[i];
          sums.sum += x;
          sums.squares += static_cast<double>(x) * x;
          sums.magnitude += std::fabs(x);
        }
      }
      // Sx and Sxx of an OTU are the same for every pair once missing entries are filled in;
      // summed here in character order, they are bit for bit those of the reference.
      if (correlation) {
        OtuSums& s = otuSums_[i];
        for (std::size_t k = 0; k < chars; ++k) {
          s.sum += out[k];
          s.squares += static_cast<double>(out[k]) * out[k];
          s.constant = s.constant && out[k] == out[0];
        }
      }
    }
  }

  // Blocks of rows share each pass over the other OTUs' values (see quantitative_tiles.inc).
  std::size_t BlockRows() const override { return kTileBlockRows; }

  double Work() const override {
    const double n = static_cast<double>(data_.OtuCount());
    return n * n / 2 * (static_cast<double>(len_) + 8);
  }

  void ComputeRows(std::size_t first, std::size_t rows, Triangle& triangle, Scratch& scratch,
                   CellFailure& failure) const override {
    const std::size_t count = data_.OtuCount() - first - 1;
    const bool correlation = settings_.coefficient == Coefficient::kCorrelation;
    const int kind =
        settings_.coefficient == Coefficient::kQuantitativeMatching ? kernels::kTileEqual
        : ignore_ && !sparse_
            ? (correlation ? kernels::kTileMaskedCorrelation : kernels::kTileMaskedSquares)
            : (correlation ? kernels::kTileProducts : kernels::kTileSquares);
    const std::size_t sums = static_cast<std::size_t>(kernels::TileSums(kind));
    scratch.sums.assign(rows * count * sums, 0.0);
    kernels_.quantitative_tiles(kind, Values(first), static_cast<int>(rows), Values(first + 1),
                                stride_, static_cast<int>(len_), count, scratch.sums.data());
    if (ignore_) SharedCounts(first, rows, count, scratch);
    if (sparse_) CorrelationCorrections(first, rows, count, scratch.corrections);
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t i = first + r;
      double* out = triangle.Row(i);
      for (std::size_t c = r; c < count; ++c) {
        const std::size_t j = first + 1 + c;
        const double* s = scratch.sums.data() + (r * count + c) * sums;
        CellValue v;
        double margin = 0;
        if (kind == kernels::kTileEqual)
          v = Matching(i, j, s[0], ignore_ ? &scratch.counts[r * count + c] : nullptr);
        else if (sparse_)
          v = FromCorrected(i, j, SharedCount(i, j, scratch.counts[r * count + c].ones), s[0],
                            scratch.corrections, r, c, rows, count, margin);
        else if (ignore_)
          v = FromMasked(i, j, SharedCount(i, j, scratch.counts[r * count + c].ones), s, margin);
        else
          v = FromFilled(i, j, s[0], margin);
        // Where the fast sums could write other decimals than the reference's, or decide a
        // cell has no value where the reference finds one, the reference cell decides.
        if (v.problem == CellProblem::kNone) v.value = QuantitativeResult(settings_, v.value);
        if (!TextSettled(v.value, margin))
          v = QuantitativeCellValue(data_, i, j, settings_, stats_);
        if (v.problem != CellProblem::kNone) {
          failure = {i, j, v.problem};
          return;
        }
        out[c - r] = v.value;
      }
    }
  }

 private:
  static constexpr std::size_t kTileBlockRows = 32;
  static constexpr double kSparseShare = 0.15;

  struct RowSums {
    double sum = 0, squares = 0, magnitude = 0;  // over the OTU's values, in character order
  };

  // For rows first .. first + rows - 1 against OTUs first + 1 + c: what the characters missing
  // in the column's OTU hold in the row (into x, xx, by c * rows + r) and what those missing in
  // the row's OTU hold in the column (into y, yy, by r * count + c). Missing entries are few,
  // and each character's values are stored side by side over the OTUs, so these are short
  // runs of contiguous adds.
  void CorrelationCorrections(std::size_t first, std::size_t rows, std::size_t count,
                              std::vector<double>& out) const {
    const std::size_t n = data_.OtuCount(), size = rows * count;
    out.assign(4 * size, 0.0);
    double* x = out.data();
    double* xx = x + size;
    double* y = xx + size;
    double* yy = y + size;
    for (std::size_t c = 0; c < count; ++c) {
      const std::uint64_t* missing = missing_.data() + (first + 1 + c) * missingWords_;
      const std::size_t upTo = std::min(rows, c + 1);  // rows r <= c only
      for (std::size_t w = 0; w < missingWords_; ++w)
        for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
          const std::size_t k = 64 * w + static_cast<std::size_t>(std::countr_zero(bits));
          kernels_.add_values(columns_.data() + k * n + first, upTo, x + c * rows, xx + c * rows);
        }
    }
    for (std::size_t r = 0; r < rows; ++r) {
      const std::uint64_t* missing = missing_.data() + (first + r) * missingWords_;
      for (std::size_t w = 0; w < missingWords_; ++w)
        for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
          const std::size_t k = 64 * w + static_cast<std::size_t>(std::countr_zero(bits));
          kernels_.add_values(columns_.data() + k * n + first + 1 + r, count - r, y + r * count + r,
                              yy + r * count + r);
        }
    }
  }

  // A correlation cell of "Ignore" from Sxy over the filled-in rows (missing entries 0) and
  // the OTUs' whole sums less the corrections.
  CellValue FromCorrected(std::size_t i, std::size_t j, double n, double sxy,
                          const std::vector<double>& corrections, std::size_t r, std::size_t c,
                          std::size_t rows, std::size_t count, double& margin) const {
    const std::size_t size = rows * count;
    const double* x = corrections.data();
    const double* xx = x + size;
    const double* y = xx + size;
    const double* yy = y + size;
    const RowSums& a = rowSums_[i];
    const RowSums& b = rowSums_[j];
    const CorrelationSums s{n,
                            a.sum - x[c * rows + r],
                            b.sum - y[r * count + c],
                            a.squares - xx[c * rows + r],
                            b.squares - yy[r * count + c],
                            sxy};
    // The whole rows are summed one after another, as the reference does over a part of them:
    // twice the one-by-one bound over the whole row covers both.
    const double factor = 2 * (static_cast<double>(data_.CharCount()) + 16) * kUnitRoundoff;
    return MaskedCorrelation(
        i, j, s,
        {factor * a.magnitude, factor * b.magnitude, factor * a.squares, factor * b.squares},
        margin);
  }

  struct OtuSums {
    double sum = 0, squares = 0;
    bool constant = true;
  };

  float* Values(std::size_t i) { return values_.data() + i * stride_; }
  const float* Values(std::size_t i) const { return values_.data() + i * stride_; }

  // "Matching" from the count of equal entries (the zeros of the padding included where
  // missing entries are filled in; with "Ignore", counts of missing entries given): exact.
  CellValue Matching(std::size_t i, std::size_t j, double equal,
                     const kernels::BinaryCounts* bothMissing) const {
    if (bothMissing != nullptr) {
      const double n = SharedCount(i, j, bothMissing->ones);
      return {n == 0 ? 0.0 : equal / n, CellProblem::kNone};
    }
    const double chars = static_cast<double>(data_.CharCount());
    equal -= static_cast<double>(len_ - data_.CharCount());
    return {chars == 0 ? 0.0 : equal / chars, CellProblem::kNone};
  }

  // The characters where both OTUs have a value: all but those missing in either, counted
  // for the block by the binary kernel over the missing bits (the state-1 plane of its data).
  void SharedCounts(std::size_t first, std::size_t rows, std::size_t count,
                    Scratch& scratch) const {
    scratch.counts.resize(rows * count);
    const std::size_t block = static_cast<std::size_t>(kernels_.binaryRows);
    for (std::size_t r = 0; r < rows; r += block)
      kernels_.binary_block(missing_.data() + (first + r) * missingWords_,
                            static_cast<int>(std::min(block, rows - r)),
                            missing_.data() + (first + 1) * missingWords_, missingWords_,
                            missingWords_, count, kernels::kOnlyZerosAndOnes,
                            scratch.counts.data() + r * count);
  }
  double SharedCount(std::size_t i, std::size_t j, std::uint32_t bothMissing) const {
    const double missing = static_cast<double>(missingCount_[i]) + missingCount_[j] - bothMissing;
    return static_cast<double>(data_.CharCount()) - missing;
  }

  // A cell from the sum over the filled-in rows (squared differences or products); margin
  // bounds its distance from the reference's value.
  CellValue FromFilled(std::size_t i, std::size_t j, double sum, double& margin) const {
    const double chars = static_cast<double>(data_.CharCount());
    const double factor = SumErrorFactor(data_.CharCount());
    switch (settings_.coefficient) {
      case Coefficient::kEuclidean: {
        const double v = std::sqrt(sum);
        margin = v * factor / 2;  // a square root halves the relative error
        return {v, CellProblem::kNone};
      }
      case Coefficient::kTaxDistance: {
        if (chars == 0) return {0, CellProblem::kNoCharacterUsed};
        const double v = std::sqrt(sum / chars);
        margin = v * factor / 2;
        return {v, CellProblem::kNone};
      }
      default: {
        const OtuSums& x = otuSums_[i];
        const OtuSums& y = otuSums_[j];
        const CorrelationSums s{chars, x.sum, y.sum, x.squares, y.squares, sum};
        const CellValue v = FinishCorrelation(s, x.constant, y.constant);
        if (v.problem == CellProblem::kNone) {
          // Only Sxy differs from the reference's; the rest is the same to the last bit.
          constexpr double kUnit = kUnitRoundoff;
          const double den = std::sqrt((s.sxx - s.sx * s.sx / s.n) * (s.syy - s.sy * s.sy / s.n));
          const double num = factor * std::sqrt(s.sxx * s.syy) +
                             4 * kUnit * (std::fabs(s.sxy) + std::fabs(s.sx * s.sy / s.n));
          margin = 2 * num / den + 8 * kUnit * (std::fabs(v.value) + 1);
        }
        return v;
      }
    }
  }

  // A cell from the sums over the characters both OTUs have (Ignore).
  CellValue FromMasked(std::size_t i, std::size_t j, double n, const double* sums,
                       double& margin) const {
    const double factor = SumErrorFactor(data_.CharCount());
    switch (settings_.coefficient) {
      case Coefficient::kEuclidean: {
        const double v = std::sqrt(sums[0]);
        margin = v * factor / 2;
        return {v, CellProblem::kNone};
      }
      case Coefficient::kTaxDistance: {
        if (n == 0) return {0, CellProblem::kNoCharacterUsed};
        const double v = std::sqrt(sums[0] / n);
        margin = v * factor / 2;
        return {v, CellProblem::kNone};
      }
      default:
        return MaskedCorrelation(i, j, {n, sums[0], sums[1], sums[2], sums[3], sums[4]}, {},
                                 margin);
    }
  }

  // Bounds on how far Sx, Sy, Sxx and Syy may lie from the reference's; all zero: bounds for
  // sums over the shared characters, as the tiles make them.
  struct SumBounds {
    double sx = 0, sy = 0, sxx = 0, syy = 0;
  };

  CellValue MaskedCorrelation(std::size_t i, std::size_t j, const CorrelationSums& s,
                              SumBounds bounds, double& margin) const {
    if (s.n == 0) return {0, CellProblem::kNoCharacterUsed};
    // Equal values leave a sum of squares of rounding noise far below this bound; only then
    // are the values looked at one by one.
    const double first = s.sxx - s.sx * s.sx / s.n;
    const double second = s.syy - s.sy * s.sy / s.n;
    const bool firstConstant = first <= 1e-9 * std::fabs(s.sxx) && ConstantOverShared(i, j);
    const bool secondConstant = second <= 1e-9 * std::fabs(s.syy) && ConstantOverShared(j, i);
    if (firstConstant || secondConstant) return FinishCorrelation(s, firstConstant, secondConstant);
    // Every sum may differ from the reference's: bound each (the sum of |x| by Cauchy-Schwarz)
    // and carry the bounds through the formula.
    constexpr double kUnit = kUnitRoundoff;
    const double g = SumErrorFactor(data_.CharCount());
    if (bounds.sxx == 0 && bounds.syy == 0)
      bounds = {g * std::sqrt(s.n * s.sxx), g * std::sqrt(s.n * s.syy), g * s.sxx, g * s.syy};
    const double dsx = bounds.sx, dsy = bounds.sy, dsxx = bounds.sxx, dsyy = bounds.syy;
    const double dsxy = g * std::sqrt(std::fabs(s.sxx * s.syy));
    const double ax = std::fabs(s.sx), ay = std::fabs(s.sy);
    const double dnum = dsxy + (dsx * ay + ax * dsy + dsx * dsy) / s.n +
                        4 * kUnit * (std::fabs(s.sxy) + ax * ay / s.n);
    const double dfirst =
        dsxx + (2 * ax * dsx + dsx * dsx) / s.n + 4 * kUnit * (s.sxx + ax * ax / s.n);
    const double dsecond =
        dsyy + (2 * ay * dsy + dsy * dsy) / s.n + 4 * kUnit * (s.syy + ay * ay / s.n);
    if (!(first > 2 * dfirst) || !(second > 2 * dsecond)) {
      margin = std::numeric_limits<double>::infinity();  // the reference decides
      return {0, CellProblem::kNone};
    }
    const CellValue v = FinishCorrelation(s, false, false);
    if (v.problem == CellProblem::kNone) {
      const double r = std::fabs(v.value);
      margin = 2 * (dnum / std::sqrt(first * second) + r * (dfirst / first + dsecond / second)) +
               8 * kUnit * (r + 1);
    }
    return v;
  }

  // Whether OTU i's values are all equal over the characters where OTU j has values too.
  bool ConstantOverShared(std::size_t i, std::size_t j) const {
    const float* x = Values(i);
    const std::uint64_t* mi = missing_.data() + i * missingWords_;
    const std::uint64_t* mj = missing_.data() + j * missingWords_;
    bool seen = false;
    float first = 0;
    for (std::size_t k = 0; k < data_.CharCount(); ++k) {
      if (((mi[k / 64] | mj[k / 64]) >> (k % 64)) & 1) continue;
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
  MarkerStatistics stats_;
  bool ignore_ = false;
  std::size_t len_ = 0;
  std::size_t stride_ = 0;
  std::vector<float> values_;
  std::vector<OtuSums> otuSums_;
  std::size_t missingWords_ = 0;
  // "Ignore": per OTU, a bit per missing entry (one more row of zeros), and their number.
  std::vector<std::uint64_t> missing_;
  std::vector<std::uint32_t> missingCount_;
  bool sparse_ = false;           // "Ignore", "Correlation", few missing entries
  std::vector<float> columns_;    // sparse_: the filled-in values by character, OTU after OTU
  std::vector<RowSums> rowSums_;  // sparse_
};

std::unique_ptr<PairComputer> MakeComputer(const DataSet& data, const DistanceSettings& settings,
                                           const kernels::KernelTable& kernels) {
  if (data.IsBinary()) return std::make_unique<BinaryComputer>(data, settings, kernels);
  return std::make_unique<QuantitativeComputer>(data, settings, kernels);
}

// Hands out blocks of rows to the threads and tells the waiting thread which rows are done.
class RowSchedule {
 public:
  RowSchedule(std::size_t rows, std::size_t block)
      : rows_(rows), block_(block), done_(rows + 1, 0) {}

  // Computes blocks until none is left; any thread may call it.
  void Work(const PairComputer& computer, Triangle& triangle) {
    Scratch scratch;
    for (;;) {
      const std::size_t first = next_.fetch_add(block_);
      if (first >= rows_) return;
      const std::size_t count = std::min(block_, rows_ - first);
      CellFailure failure;
      if (first <= stopRow_.load()) computer.ComputeRows(first, count, triangle, scratch, failure);
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

  // Waits until the first rows rows are done; returns the failure found in them, if any.
  CellFailure WaitFor(std::size_t rows) {
    rows = std::min(rows, rows_);
    std::unique_lock lock(mutex_);
    waitedFor_ = rows;
    changed_.wait(lock, [&] { return complete_ >= rows; });
    if (failure_.problem != CellProblem::kNone && failure_.row < rows) return failure_;
    return {};
  }

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
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;
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
  if (data.IsBinary()) return settings.distances ? 0.0 : 1.0;
  return QuantitativeResult(settings, IsSimilarityKind(settings.coefficient) ? 1.0 : 0.0);
}

// One triangle being computed: the packed data, the schedule and the threads. Rows are waited
// for in order; with threads 0 the waiting thread computes everything first.
class TriangleJob {
 public:
  TriangleJob(const DataSet& data, const DistanceSettings& settings,
              const kernels::KernelTable& kernels, int threads)
      : computer_(MakeComputer(data, settings, kernels)),
        n_(data.OtuCount()),
        triangle_(n_),
        schedule_(n_ < 2 ? 0 : n_ - 1, computer_->BlockRows()) {
    const int count = ThreadsFor(*computer_, threads);
    computer_->Prepare(std::max(count, 1));
    if (count == 0) schedule_.Work(*computer_, triangle_);
    workers_ = std::make_unique<Workers>(count, schedule_, *computer_, triangle_);
  }

  // Waits for row i (cells (i, j), j > i); returns the failure in the rows up to it, if any.
  CellFailure WaitForRow(std::size_t i) { return schedule_.WaitFor(i + 1); }
  Triangle& Values() { return triangle_; }

 private:
  std::unique_ptr<PairComputer> computer_;
  std::size_t n_;
  Triangle triangle_;
  RowSchedule schedule_;
  std::unique_ptr<Workers> workers_;
};

[[noreturn]] void ThrowCellFailure(const DataSet& data, const DistanceSettings& settings,
                                   const CellFailure& failure, int dataSetNumber, TextSink& out) {
  out.Flush();
  throw WriteFailure(CellFailureText(data, settings, failure, dataSetNumber));
}

void AdvanceEvery(Progress& progress, std::size_t row, std::size_t rows) {
  // A few hundred steps are enough for a bar; more would only cost time.
  const std::size_t step = std::max<std::size_t>(1, rows / 200);
  if (row % step == 0)
    progress.Advance(100.0 * static_cast<double>(row) / static_cast<double>(rows));
}

// The text of a batch of rows of the square matrix, formatted on all cores into one buffer per
// row and appended in row order. A batch holds a few megabytes of text whatever the matrix.
class RowTexts {
 public:
  RowTexts(const Triangle& triangle, std::size_t n, double diagonal)
      : triangle_(triangle), n_(n), diagonal_(diagonal) {
    constexpr std::size_t kBatchBytes = std::size_t{8} << 20;
    const std::size_t rowBytes = 10 * n + 16;  // "0.123456 " and a little room
    batchRows_ = std::clamp<std::size_t>(kBatchBytes / rowBytes, 1, 256);
    const unsigned cores = std::thread::hardware_concurrency();
    // Threads pay off from a few hundred thousand values a batch.
    threads_ = n * batchRows_ < 200000 ? 1 : std::max(1u, cores);
    texts_.resize(batchRows_);
  }

  std::size_t BatchRows() const { return batchRows_; }

  // Rows first .. last - 1, each to its end but the last, which stops before column lastEnd.
  void Format(std::size_t first, std::size_t last, std::size_t lastEnd) {
    first_ = first;
    const std::size_t rows = last - first;
    const std::size_t threads = std::min<std::size_t>(threads_, rows);
    auto part = [&](std::size_t t) {
      const std::size_t a = first + rows * t / threads, b = first + rows * (t + 1) / threads;
      FormatRows(a, b, last, lastEnd);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(part, t);
    part(0);
    for (auto& helper : helpers) helper.join();
  }

  void AppendRow(std::size_t i, TextSink& out) const {
    const Text& text = texts_[i - first_];
    out.Append(std::string_view(text.bytes.data(), text.used));
  }

 private:
  struct Text {
    std::vector<char> bytes;
    std::size_t used = 0;
    void Add(double value) {
      if (bytes.size() - used < kMaxValueText + 1)
        bytes.resize(2 * bytes.size() + 2 * kMaxValueText);
      const std::size_t length = FormatDistanceValue(value, bytes.data() + used);
      bytes[used + length] = ' ';
      used += length + 1;
    }
  };

  // Rows a .. b - 1 of a batch that ends at last. Cell (i, j) below the diagonal is (j, i) of
  // the triangle: walked with j outside, the cells of the rows a .. b - 1 lie side by side in
  // row j of the triangle, so they are read in order instead of one cache line each.
  void FormatRows(std::size_t a, std::size_t b, std::size_t last, std::size_t lastEnd) {
    auto end = [&](std::size_t i) { return i + 1 == last ? lastEnd : n_; };
    for (std::size_t i = a; i < b; ++i) texts_[i - first_].used = 0;
    for (std::size_t j = 0; j < a; ++j) {
      const double* row = triangle_.Row(j);
      for (std::size_t i = a; i < b; ++i)
        if (j < end(i)) texts_[i - first_].Add(row[i - j - 1]);
    }
    for (std::size_t i = a; i < b; ++i) {
      Text& text = texts_[i - first_];
      const std::size_t stop = end(i);
      for (std::size_t j = a; j < i && j < stop; ++j) text.Add(triangle_.At(j, i));
      if (i < stop) text.Add(diagonal_);
      const double* row = triangle_.Row(i);
      for (std::size_t j = i + 1; j < stop; ++j) text.Add(row[j - i - 1]);
    }
  }

  const Triangle& triangle_;
  std::size_t n_;
  double diagonal_;
  std::size_t batchRows_ = 1;
  std::size_t threads_ = 1;
  std::size_t first_ = 0;
  std::vector<Text> texts_;
};

}  // namespace

void FastMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                    Progress& progress, int dataSetNumber, const kernels::KernelTable& kernels,
                    int threads) {
  CheckDistanceSettings(settings, data.Kind());
  ThrowIfCancelled(progress);
  const std::size_t n = data.OtuCount();
  if (settings.averaging && n < 2) ThrowNothingToAverage(data, dataSetNumber);
  TriangleJob job(data, settings, kernels, threads);

  if (settings.averaging) {
    for (std::size_t i = 0; i + 1 < n; ++i) {
      ThrowIfCancelled(progress);
      const CellFailure failure = job.WaitForRow(i);
      if (failure.problem != CellProblem::kNone)
        ThrowCellFailure(data, settings, failure, dataSetNumber, out);
    }
    // Summed in row order in double precision, as the reference does: the mean then comes out
    // the same to the last bit.
    double sum = 0;
    for (double v : job.Values().Values()) sum += v;
    const double pairs = static_cast<double>(n) * static_cast<double>(n - 1) / 2;
    char* place = out.Reserve(kMaxValueText);
    out.Commit(FormatDistanceValue(sum / pairs, place));
    out.EndLine();
    return;
  }

  AppendMatrixHeader(out, n);
  RowTexts texts(job.Values(), n, Diagonal(data, settings));
  for (std::size_t i0 = 0; i0 < n; i0 += texts.BatchRows()) {
    ThrowIfCancelled(progress);
    progress.Advance(100.0 * static_cast<double>(i0) / static_cast<double>(n));
    const std::size_t i1 = std::min(n, i0 + texts.BatchRows());
    // Row i needs the cells of the rows before it (its lower half) and its own.
    const CellFailure failure = n > 1 ? job.WaitForRow(std::min(i1, n - 1) - 1) : CellFailure{};
    const bool failed = failure.problem != CellProblem::kNone;
    const std::size_t last = failed ? failure.row + 1 : i1;  // failure.row >= i0
    texts.Format(i0, last, failed ? failure.column : n);
    for (std::size_t i = i0; i < last; ++i) {
      AppendPhylipNameField(out, data.otuNames[i]);
      texts.AppendRow(i, out);
      if (failed && i == failure.row) ThrowCellFailure(data, settings, failure, dataSetNumber, out);
      out.EndLine();
    }
  }
}

std::vector<double> FastUpperTriangle(const DataSet& data, const DistanceSettings& settings,
                                      const kernels::KernelTable& kernels, CellFailure& failure,
                                      int threads, Progress* progress) {
  CheckDistanceSettings(settings, data.Kind());
  TriangleJob job(data, settings, kernels, threads);
  const std::size_t n = data.OtuCount();
  failure = {};
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (progress != nullptr) {
      ThrowIfCancelled(*progress);
      AdvanceEvery(*progress, i, n);
    }
    failure = job.WaitForRow(i);
    if (failure.problem != CellProblem::kNone) break;
  }
  return std::move(job.Values().Values());
}

std::string TrimmedName(const std::string& field) {
  const auto last = field.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : field.substr(0, last + 1);
}

DistanceMatrix ComputeDistanceMatrix(const DataSet& data, const DistanceSettings& settings,
                                     Progress& progress, int threads) {
  ThrowIfCancelled(progress);
  CellFailure failure;
  const std::vector<double> triangle =
      FastUpperTriangle(data, settings, kernels::BestKernels(), failure, threads, &progress);
  if (failure.problem != CellProblem::kNone)
    throw WriteFailure(CellFailureText(data, settings, failure, 0));
  DistanceMatrix matrix;
  const std::size_t n = data.OtuCount();
  matrix.n = n;
  matrix.names.reserve(n);
  for (const std::string& name : data.otuNames) matrix.names.push_back(TrimmedName(name));
  matrix.values.assign(n * n, Diagonal(data, settings));
  std::size_t at = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) {
      matrix.values[i * n + j] = triangle[at];
      matrix.values[j * n + i] = triangle[at++];
    }
  progress.Advance(100);
  return matrix;
}

}  // namespace marbleset
