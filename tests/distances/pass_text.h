#pragma once
// Random data sets and the text of a distance pass, for the tests that hold the fast pass (and
// its pieces) against the plain reference pass.

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "distances/fast_matrix_pass.h"
#include "distances/reference_pass.h"
#include "test_data.h"

namespace marbleset::testing {

// Random data; missing entries with probability missing, and with probability plain a value
// that is neither 0 nor 1 (binary) or a repeated value (quantitative).
inline void FillRandom(DataSet& data, bool quantitative, std::size_t otus, std::size_t chars,
                       double missing, double plain, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::vector<float>> rows(otus, std::vector<float>(chars));
  for (auto& row : rows)
    for (float& v : row)
      v = unit(random) < missing ? (quantitative ? -9999.0f : 2.0f)
          : unit(random) < plain ? (quantitative ? static_cast<int>(unit(random) * 7) * 0.5f : 0.5f)
          : quantitative         ? static_cast<float>(unit(random) * 10 - 3)
                                 : (unit(random) < 0.45 ? 1.0f : 0.0f);
  std::vector<std::string> names;
  for (std::size_t i = 1; i <= otus; ++i) names.push_back("otu" + std::to_string(i));
  FillQuantitative(data, names, rows, !quantitative);
}

// The text of the pass over rows of data as data set 3 (the reference pass over all rows when
// table is null), then "|" and the failure's text if it failed.
inline std::string PassText(const DataSet& data, const DistanceSettings& settings,
                            const kernels::KernelTable* table = &kernels::BestKernels(),
                            int threads = 0, MatrixRows rows = {}) {
  std::ostringstream text;
  NoProgress progress;
  try {
    TextSink out(text);
    table ? FastMatrixPass(data, settings, out, progress, 3, *table, threads, rows)
          : ReferenceMatrixPass(data, settings, out, 3);
  } catch (const WriteFailure& e) {
    return text.str() + "|" + e.what();
  }
  return text.str();
}

}  // namespace marbleset::testing
