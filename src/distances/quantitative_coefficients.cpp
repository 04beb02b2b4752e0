#include "distances/quantitative_coefficients.h"

namespace marbleset {

namespace {

float Substitute(const DistanceSettings& settings, const MarkerStatistics& stats, int k) {
  switch (settings.policy) {
    case kQuantitativeMarkerMean:
      return stats.mean[k];
    case kQuantitativeMarkerMode:
      return static_cast<float>(stats.mode[k]);
    default:
      return 0.0f;
  }
}

}  // namespace

CellValue QuantitativeCellValue(const DataSet& data, int i, int j, const DistanceSettings& settings,
                                const MarkerStatistics& stats) {
  if (i == j) {
    const bool similarity_kind =
        settings.coefficient == kQuantitativeMatching || settings.coefficient == kCorrelation;
    return {QuantitativeResult(settings, similarity_kind ? 1.0 : 0.0), CellProblem::kNone};
  }
  double n = 0;
  double equal = 0;
  double ss = 0;
  CorrelationSums sums;
  bool have_first = false;
  float first_x = 0, first_y = 0;
  bool x_constant = true, y_constant = true;
  for (int k = 1; k <= data.NChar; ++k) {
    float x = data.Matrix(i, k);
    float y = data.Matrix(j, k);
    const bool x_missing = data.IsMissing(x);
    const bool y_missing = data.IsMissing(y);
    if (settings.policy == kQuantitativeIgnore && (x_missing || y_missing)) continue;
    if (x_missing) x = Substitute(settings, stats, k);
    if (y_missing) y = Substitute(settings, stats, k);
    n += 1;
    switch (settings.coefficient) {
      case kQuantitativeMatching:
        if (x == y) equal += 1;
        break;
      case kEuclidean:
      case kTaxDistance: {
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
        if (!have_first) {
          have_first = true;
          first_x = x;
          first_y = y;
        }
        x_constant = x_constant && x == first_x;
        y_constant = y_constant && y == first_y;
        break;
    }
  }
  switch (settings.coefficient) {
    case kQuantitativeMatching:
      return {QuantitativeResult(settings, n == 0 ? 0.0 : equal / n), CellProblem::kNone};
    case kEuclidean:
      return {std::sqrt(ss), CellProblem::kNone};
    case kTaxDistance:
      if (n == 0) return {0, CellProblem::kNoCharacterUsed};
      return {std::sqrt(ss / n), CellProblem::kNone};
    default: {
      sums.n = n;
      CellValue v = FinishCorrelation(sums, x_constant, y_constant);
      if (v.problem == CellProblem::kNone) v.value = QuantitativeResult(settings, v.value);
      return v;
    }
  }
}

}  // namespace marbleset
