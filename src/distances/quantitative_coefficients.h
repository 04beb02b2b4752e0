// The quantitative cell, computed literally character by character: the reference the fast
// matrix pass is tested against.
#pragma once

#include <cmath>
#include <cstddef>

#include "dataset/data_set.h"
#include "distances/cell_problem.h"
#include "distances/distance_settings.h"
#include "distances/marker_statistics.h"

namespace marbleset {

// Sums of a correlation over the n characters used, all in double precision: 32-bit sums of
// values near 1000 cancel to noise in Sxy - Sx * Sy / n.
struct CorrelationSums {
  double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
};

// Pearson's correlation from its sums, or the reason it has none. firstConstant and
// secondConstant tell whether the OTU's values over the characters used are all equal; that is
// decided on the values themselves, since a sum of squares of equal values need not cancel to
// exactly zero.
inline CellValue FinishCorrelation(const CorrelationSums& s, bool firstConstant,
                                   bool secondConstant) {
  if (s.n <= 0) return {0, CellProblem::kNoCharacterUsed};
  if (firstConstant) return {0, CellProblem::kFirstOtuConstant};
  if (secondConstant) return {0, CellProblem::kSecondOtuConstant};
  const double first = s.sxx - s.sx * s.sx / s.n;
  const double second = s.syy - s.sy * s.sy / s.n;
  if (!(first > 0) || !std::isfinite(first)) return {0, CellProblem::kFirstOtuTooClose};
  if (!(second > 0) || !std::isfinite(second)) return {0, CellProblem::kSecondOtuTooClose};
  return {(s.sxy - s.sx * s.sy / s.n) / std::sqrt(first * second), CellProblem::kNone};
}

// The cell value as written: distances turn "Matching" and "Correlation" into 1 - V, while
// "Euclidean" and "Tax. distance" are distances already.
inline bool IsSimilarityKind(Coefficient coefficient) {
  return coefficient == Coefficient::kQuantitativeMatching ||
         coefficient == Coefficient::kCorrelation;
}
inline double QuantitativeResult(const DistanceSettings& settings, double v) {
  return settings.distances && IsSimilarityKind(settings.coefficient) ? 1.0 - v : v;
}

// Value of cell (i, j) of quantitative data; stats holds the marker statistics of the pass.
CellValue QuantitativeCellValue(const DataSet& data, std::size_t i, std::size_t j,
                                const DistanceSettings& settings, const MarkerStatistics& stats);

}  // namespace marbleset
