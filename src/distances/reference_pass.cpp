#include "distances/reference_pass.h"

#include "dataset/errors.h"
#include "distances/binary_coefficients.h"
#include "distances/cell_problem.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "formats/distance_file.h"
#include "formats/name_field.h"

namespace marbleset {

void ThrowNothingToAverage(const DataSet& data, int dataSetNumber) {
  std::string text =
      dataSetNumber > 0 ? "Data set " + std::to_string(dataSetNumber) : std::string("The data set");
  const std::size_t n = data.OtuCount();
  text += " has " + std::to_string(n) + (n == 1 ? " OTU" : " OTUs") +
          ": there is no pair of OTUs to average over.";
  throw WriteFailure(text);
}

void ReferenceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                         int dataSetNumber) {
  CheckDistanceSettings(settings, data.Kind());
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  const std::size_t n = data.OtuCount();
  double sum = 0;
  if (!settings.averaging) AppendMatrixHeader(out, n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!settings.averaging) AppendPhylipNameField(out, data.otuNames[i]);
    for (std::size_t j = 0; j < n; ++j) {
      const CellValue cell = data.IsBinary() ? BinaryCellValue(data, i, j, settings, stats)
                                             : QuantitativeCellValue(data, i, j, settings, stats);
      if (cell.problem != CellProblem::kNone) {
        out.Flush();
        throw WriteFailure(CellFailureText(data, settings, {i, j, cell.problem}, dataSetNumber));
      }
      const double v = cell.value;
      if (!settings.averaging)
        AppendDistanceValue(out, v);
      else if (i < j)
        sum += v;
    }
    if (!settings.averaging) out.EndLine();
  }
  if (settings.averaging) {
    if (n < 2) ThrowNothingToAverage(data, dataSetNumber);
    const double pairs = static_cast<double>(n) * static_cast<double>(n - 1) / 2;
    char* place = out.Reserve(kMaxValueText);
    out.Commit(FormatDistanceValue(sum / pairs, place));
    out.EndLine();
  }
}

}  // namespace marbleset
