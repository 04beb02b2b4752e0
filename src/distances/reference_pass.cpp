#include "distances/reference_pass.h"

#include "dataset/errors.h"
#include "distances/binary_coefficients.h"
#include "distances/cell_problem.h"
#include "distances/distance_file.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"

namespace marbleset {

void CheckDistanceSettings(const DataSet& data, const DistanceSettings& settings) {
  const bool quantitative = data.Quantitative != 0;
  const int coefficients = static_cast<int>(CoefficientNames(quantitative).size());
  const int policies = static_cast<int>(MissingPolicyNames(quantitative).size());
  if (settings.coefficient < 0 || settings.coefficient >= coefficients)
    throw WriteFailure("The distance coefficient " + std::to_string(settings.coefficient) +
                       " is not one of the coefficients for this kind of data.");
  if (settings.policy < 0 || settings.policy >= policies)
    throw WriteFailure("The missing-data treatment " + std::to_string(settings.policy) +
                       " is not one of the treatments for this kind of data.");
}

void ThrowNothingToAverage(const DataSet& data, int data_set_number) {
  std::string text = data_set_number > 0 ? "Data set " + std::to_string(data_set_number)
                                         : std::string("The data set");
  text += " has " + std::to_string(data.NOtu) + (data.NOtu == 1 ? " OTU" : " OTUs") +
          ": there is no pair of OTUs to average over.";
  throw WriteFailure(text);
}

void ReferenceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                         int data_set_number) {
  CheckDistanceSettings(data, settings);
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  const int n = data.NOtu;
  double sum = 0;
  if (!settings.averaging) AppendMatrixHeader(out, n);
  for (int i = 1; i <= n; ++i) {
    if (!settings.averaging) out.Append(data.OtuName[i]);
    for (int j = 1; j <= n; ++j) {
      double v;
      if (data.Quantitative == 0) {
        v = BinaryCellValue(data, i, j, settings, stats);
      } else {
        const CellValue cell = QuantitativeCellValue(data, i, j, settings, stats);
        if (cell.problem != CellProblem::kNone) {
          out.Flush();
          throw WriteFailure(
              CellFailureText(data, settings, {i, j, cell.problem}, data_set_number));
        }
        v = cell.value;
      }
      if (!settings.averaging)
        AppendDistanceValue(out, v);
      else if (i < j)
        sum += v;
    }
    if (!settings.averaging) out.EndLine();
  }
  if (settings.averaging) {
    if (n < 2) ThrowNothingToAverage(data, data_set_number);
    const double pairs = static_cast<double>(n) * (n - 1) / 2;
    char* place = out.Reserve(kMaxValueText);
    out.Commit(FormatDistanceValue(sum / pairs, place));
    out.EndLine();
  }
}

}  // namespace marbleset
