#include "distances/fast_matrix_pass.h"

#include <algorithm>

#include "dataset/distance_matrix.h"
#include "dataset/errors.h"
#include "distances/matrix_text.h"
#include "distances/quantitative_coefficients.h"
#include "distances/reference_pass.h"
#include "distances/triangle_job.h"
#include "formats/distance_file.h"
#include "formats/name_field.h"

namespace marbleset {

namespace {

double Diagonal(const DataSet& data, const DistanceSettings& settings) {
  if (data.IsBinary()) return settings.distances ? 0.0 : 1.0;
  return QuantitativeResult(settings, IsSimilarityKind(settings.coefficient) ? 1.0 : 0.0);
}

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

}  // namespace

void FastMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                    Progress& progress, int dataSetNumber, const kernels::KernelTable& kernels,
                    int threads, MatrixRows rows) {
  CheckDistanceSettings(settings, data.Kind());
  ThrowIfCancelled(progress);
  const std::size_t n = data.OtuCount();
  if (settings.averaging && n < 2) ThrowNothingToAverage(data, dataSetNumber);
  const std::size_t first = std::min(rows.first, n), last = std::min(rows.last, n);
  if (settings.averaging && !rows.Whole(n))
    throw Failure("A mean is of the whole matrix; it has no rows to share out.");
  TriangleJob job(data, settings, kernels, threads, {first, last});

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

  if (rows.header) AppendMatrixHeader(out, n);
  RowTexts texts(job.Values(), n, Diagonal(data, settings));
  for (std::size_t i0 = first; i0 < last; i0 += texts.BatchRows()) {
    ThrowIfCancelled(progress);
    progress.Advance(100.0 * static_cast<double>(i0 - first) / static_cast<double>(last - first));
    const std::size_t i1 = std::min(last, i0 + texts.BatchRows());
    // Row i needs the cells of the rows before it (its lower half) and its own.
    const CellFailure failure = n > 1 ? job.WaitForRow(std::min(i1, n - 1) - 1) : CellFailure{};
    const bool failed = failure.problem != CellProblem::kNone;
    // A cell of the rows before a piece: the piece cannot be written.
    if (failed && failure.row < i0) ThrowCellFailure(data, settings, failure, dataSetNumber, out);
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
