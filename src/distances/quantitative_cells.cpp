// Quantitative cells: blocked products of float rows, each cell with a bound on its distance
// from the plain computation, recomputed the plain way where the bound could change the text.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "distances/cell_margin.h"
#include "distances/marker_statistics.h"
#include "distances/pair_computer.h"
#include "distances/quantitative_coefficients.h"
#include "distances/reference_pass.h"

namespace marbleset {

namespace {

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
    // The block's rows share one run of columns: OTUs column .. column + count - 1.
    const std::size_t column = triangle.FirstColumn(first);
    const std::size_t count = triangle.EndColumn(first) - column;
    const bool correlation = settings_.coefficient == Coefficient::kCorrelation;
    const int kind =
        settings_.coefficient == Coefficient::kQuantitativeMatching ? kernels::kTileEqual
        : ignore_ && !sparse_
            ? (correlation ? kernels::kTileMaskedCorrelation : kernels::kTileMaskedSquares)
            : (correlation ? kernels::kTileProducts : kernels::kTileSquares);
    const std::size_t sums = static_cast<std::size_t>(kernels::TileSums(kind));
    // The tiles sum row r against the r-th column of their run and later ones only. Rows before
    // a piece's band need every column of theirs: the tiles' run starts `lead` OTUs earlier,
    // and the sums of those extra columns are not read.
    const std::size_t lead = column > first + 1 ? rows : 0;
    const std::size_t tileCount = count + lead;
    scratch.sums.assign(rows * tileCount * sums, 0.0);
    kernels_.quantitative_tiles(kind, Values(first), static_cast<int>(rows), Values(column - lead),
                                stride_, static_cast<int>(len_), tileCount, scratch.sums.data());
    if (ignore_) SharedCounts(first, rows, column, count, scratch);
    if (sparse_) CorrelationCorrections(first, rows, column, count, scratch.corrections);
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t i = first + r;
      // Row i's cells start at OTU max(i + 1, column).
      const std::size_t skip = i + 1 > column ? i + 1 - column : 0;
      double* out = triangle.Cell(i, column + skip);
      for (std::size_t c = skip; c < count; ++c) {
        const std::size_t j = column + c;
        const double* s = scratch.sums.data() + (r * tileCount + lead + c) * sums;
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
        out[c - skip] = v.value;
      }
    }
  }

 private:
  static constexpr std::size_t kTileBlockRows = 32;
  static constexpr double kSparseShare = 0.15;

  struct RowSums {
    double sum = 0, squares = 0, magnitude = 0;  // over the OTU's values, in character order
  };

  // For rows first .. first + rows - 1 against OTUs column + c: what the characters missing
  // in the column's OTU hold in the row (into x, xx, by c * rows + r) and what those missing in
  // the row's OTU hold in the column (into y, yy, by r * count + c). Missing entries are few,
  // and each character's values are stored side by side over the OTUs, so these are short
  // runs of contiguous adds.
  void CorrelationCorrections(std::size_t first, std::size_t rows, std::size_t column,
                              std::size_t count, std::vector<double>& out) const {
    const std::size_t n = data_.OtuCount(), size = rows * count;
    out.assign(4 * size, 0.0);
    double* x = out.data();
    double* xx = x + size;
    double* y = xx + size;
    double* yy = y + size;
    for (std::size_t c = 0; c < count; ++c) {
      const std::uint64_t* missing = missing_.data() + (column + c) * missingWords_;
      // Rows before the column's OTU only.
      const std::size_t upTo = std::min(rows, column + c - first);
      for (std::size_t w = 0; w < missingWords_; ++w)
        for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
          const std::size_t k = 64 * w + static_cast<std::size_t>(std::countr_zero(bits));
          kernels_.add_values(columns_.data() + k * n + first, upTo, x + c * rows, xx + c * rows);
        }
    }
    for (std::size_t r = 0; r < rows; ++r) {
      const std::uint64_t* missing = missing_.data() + (first + r) * missingWords_;
      const std::size_t skip = first + r + 1 > column ? first + r + 1 - column : 0;
      if (skip >= count) continue;
      for (std::size_t w = 0; w < missingWords_; ++w)
        for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
          const std::size_t k = 64 * w + static_cast<std::size_t>(std::countr_zero(bits));
          kernels_.add_values(columns_.data() + k * n + column + skip, count - skip,
                              y + r * count + skip, yy + r * count + skip);
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
      if (n == 0) return {0, CellProblem::kNoCharacterUsed};
      return {equal / n, CellProblem::kNone};
    }
    const double chars = static_cast<double>(data_.CharCount());
    if (chars == 0) return {0, CellProblem::kNoCharacterUsed};
    equal -= static_cast<double>(len_ - data_.CharCount());
    return {equal / chars, CellProblem::kNone};
  }

  // The characters where both OTUs have a value: all but those missing in either, counted
  // for the block by the binary kernel over the missing bits (the state-1 plane of its data).
  void SharedCounts(std::size_t first, std::size_t rows, std::size_t column, std::size_t count,
                    Scratch& scratch) const {
    scratch.counts.resize(rows * count);
    const std::size_t block = static_cast<std::size_t>(kernels_.binaryRows);
    for (std::size_t r = 0; r < rows; r += block)
      kernels_.binary_block(missing_.data() + (first + r) * missingWords_,
                            static_cast<int>(std::min(block, rows - r)),
                            missing_.data() + column * missingWords_, missingWords_, missingWords_,
                            count, kernels::kOnlyZerosAndOnes, scratch.counts.data() + r * count);
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
    if (chars == 0) return {0, CellProblem::kNoCharacterUsed};
    switch (settings_.coefficient) {
      case Coefficient::kEuclidean: {
        const double v = std::sqrt(sum);
        margin = v * factor / 2;  // a square root halves the relative error
        return {v, CellProblem::kNone};
      }
      case Coefficient::kTaxDistance: {
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
    if (n == 0) return {0, CellProblem::kNoCharacterUsed};
    switch (settings_.coefficient) {
      case Coefficient::kEuclidean: {
        const double v = std::sqrt(sums[0]);
        margin = v * factor / 2;
        return {v, CellProblem::kNone};
      }
      case Coefficient::kTaxDistance: {
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

}  // namespace

std::unique_ptr<PairComputer> MakeQuantitativeComputer(const DataSet& data,
                                                       const DistanceSettings& settings,
                                                       const kernels::KernelTable& kernels) {
  return std::make_unique<QuantitativeComputer>(data, settings, kernels);
}

}  // namespace marbleset
