#include "distances/quantitative_coefficients.h"

namespace marbleset {

namespace {

float Substitute(const DistanceSettings& settings, const MarkerStatistics& stats, std::size_t k) {
  switch (settings.policy) {
    case MissingPolicy::kMarkerMean:
      return stats.mean[k];
    case MissingPolicy::kMarkerMode:
      return static_cast<float>(stats.mode[k]);
    default:
      return 0.0f;
  }
}

}  // namespace

CellValue QuantitativeCellValue(const DataSet& data, std::size_t i, std::size_t j,
                                const DistanceSettings& settings, const MarkerStatistics& stats) {
  if (i == j)
    return {QuantitativeResult(settings, IsSimilarityKind(settings.coefficient) ? 1.0 : 0.0),
            CellProblem::kNone};
  double n = 0;
  double equal = 0;
  double ss = 0;
  CorrelationSums sums;
  bool haveFirst = false;
  float firstX = 0, firstY = 0;
  bool xConstant = true, yConstant = true;
  const float* rowI = data.Row(i);
  const float* rowJ = data.Row(j);
  const float missing = data.MissingValue();
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    float x = rowI[k];
    float y = rowJ[k];
    const bool xMissing = x == missing;
    const bool yMissing = y == missing;
    if (settings.policy == MissingPolicy::kIgnore && (xMissing || yMissing)) continue;
    if (xMissing) x = Substitute(settings, stats, k);
    if (yMissing) y = Substitute(settings, stats, k);
    n += 1;
    switch (settings.coefficient) {
      case Coefficient::kQuantitativeMatching:
        if (x == y) equal += 1;
        break;
      case Coefficient::kEuclidean:
      case Coefficient::kTaxDistance: {
        const double diff = static_cast<double>(x) - static_cast<double>(y);
        ss += diff * diff;
        break;
      }
      default:
        sums.sx += x;
        sums.sy += y;
        sums.sxy += static_cast<double>(x) * y;
        sums.sxx += static_cast<double>(x) * x;
        sums.syy += static_cast<double>(y) * y;
        if (!haveFirst) {
          haveFirst = true;
          firstX = x;
          firstY = y;
        }
        xConstant = xConstant && x == firstX;
        yConstant = yConstant && y == firstY;
        break;
    }
  }
  // Two OTUs with no character to compare are neither alike nor apart: any number given here
  // would pass for a measurement in the trees and pictures made from the matrix.
  if (n == 0) return {0, CellProblem::kNoCharacterUsed};
  switch (settings.coefficient) {
    case Coefficient::kQuantitativeMatching:
      return {QuantitativeResult(settings, equal / n), CellProblem::kNone};
    case Coefficient::kEuclidean:
      return {std::sqrt(ss), CellProblem::kNone};
    case Coefficient::kTaxDistance:
      return {std::sqrt(ss / n), CellProblem::kNone};
    default: {
      sums.n = n;
      CellValue v = FinishCorrelation(sums, xConstant, yConstant);
      if (v.problem == CellProblem::kNone) v.value = QuantitativeResult(settings, v.value);
      return v;
    }
  }
}

}  // namespace marbleset
