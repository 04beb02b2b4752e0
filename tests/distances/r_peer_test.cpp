// The coefficients against R's own on complete data: vegan::vegdist and ade4::dist.binary for
// Jaccard, simple matching (Sokal and Michener) and Dice (Nei and Li), stats::dist for
// Euclidean (and the average taxonomic distance from it), cor for Pearson's correlation. R runs
// in a fresh folder; the tests fail when Rscript or the packages are missing (Debian:
// r-base-core r-cran-ade4 r-cran-vegan).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "distances/binary_coefficients.h"
#include "distances/distance_run.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "scratch_folder.h"
#include "test_data.h"

namespace marbleset {
namespace {

using C = Coefficient;
using P = MissingPolicy;

// Runs script on the matrix written as a table; returns the named n x n matrices it prints,
// each as "name" followed by n * n numbers.
std::map<std::string, std::vector<double>> RunR(const std::vector<std::vector<float>>& rows,
                                                const std::string& script) {
  const ScratchFolder folder;
  {
    std::ofstream table(folder / "x.txt");
    for (const auto& row : rows) {
      for (float v : row) table << v << ' ';
      table << '\n';
    }
  }
  std::ofstream(folder / "script.R")
      << "x <- as.matrix(read.table('x.txt'))\n"
      << "out <- function(name, m) cat(name, format(as.vector(as.matrix(m)), digits = 17), '\\n')\n"
      << script;
  const std::string command =
      "cd " + folder.path.string() + " && Rscript script.R > out.txt 2> err.txt";
  EXPECT_EQ(std::system(command.c_str()), 0) << FileBytes(folder.path / "err.txt");
  std::map<std::string, std::vector<double>> result;
  std::istringstream lines(FileBytes(folder.path / "out.txt"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    for (double v; words >> v;) result[name].push_back(v);
  }
  return result;
}

void ExpectMatrix(const DataSet& data, const DistanceSettings& settings,
                  const std::vector<double>& want, const std::string& what) {
  SCOPED_TRACE(what);
  const std::size_t n = data.OtuCount();
  ASSERT_EQ(want.size(), n * n);
  NoProgress progress;
  const DistanceMatrix fast = ComputeDistanceMatrix(data, settings, progress, 2);
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      // R prints column after column; the matrices are symmetric anyway.
      const double r = want[j * n + i];
      ASSERT_NEAR(fast.At(i, j), r, 1e-12) << i << ", " << j;
      const double reference = data.IsBinary()
                                   ? BinaryCellValue(data, i, j, settings, stats).value
                                   : QuantitativeCellValue(data, i, j, settings, stats).value;
      ASSERT_NEAR(reference, r, 1e-12) << i << ", " << j;
    }
}

// Binary rows, each with a 1 (ade4 refuses a row without), and quarters (exact in a float).
TEST(PeerR, EveryCoefficientOnCompleteData) {
  const std::map<std::string, C> peers = {
      {"jaccard", C::kJaccard},         {"ade4jaccard", C::kJaccard},
      {"matching", C::kBinaryMatching}, {"dice", C::kNei},
      {"euclidean", C::kEuclidean},     {"taxonomic", C::kTaxDistance},
      {"correlation", C::kCorrelation}};
  for (const bool binary : {true, false}) {
    std::mt19937 random(binary ? 17 : 23);
    std::uniform_int_distribution<int> quarter(-40, 100);
    std::vector<std::vector<float>> rows(binary ? 15 : 12, std::vector<float>(binary ? 70 : 30));
    std::vector<std::string> names;
    for (auto& row : rows) {
      for (float& v : row)
        v = binary ? static_cast<float>(random() % 5 < 2) : static_cast<float>(quarter(random)) / 4;
      if (binary) row[names.size()] = 1;
      names.push_back(std::to_string(names.size()).insert(0, 1, 'o'));
    }
    auto data = std::make_unique<DataSet>();
    testing::FillQuantitative(*data, names, rows, binary);
    // ade4 gives sqrt(1 - S); squared back to 1 - S.
    const auto r =
        RunR(rows, binary ? "library(ade4); library(vegan)\n"
                            "out('jaccard', vegdist(x, method = 'jaccard', binary = TRUE))\n"
                            "out('ade4jaccard', as.matrix(dist.binary(x, method = 1))^2)\n"
                            "out('matching', as.matrix(dist.binary(x, method = 2))^2)\n"
                            "out('dice', as.matrix(dist.binary(x, method = 5))^2)\n"
                          : "out('euclidean', dist(x))\n"
                            "out('taxonomic', as.matrix(dist(x)) / sqrt(ncol(x)))\n"
                            "out('correlation', 1 - cor(t(x)))\n");
    EXPECT_EQ(r.size(), binary ? 4u : 3u);
    // Without missing entries every policy gives the same matrix.
    for (const auto& [name, matrix] : r)
      for (const P policy : MissingPoliciesFor(data->Kind()))
        ExpectMatrix(*data, {peers.at(name), policy, true, false}, matrix, name);
  }
}

}  // namespace
}  // namespace marbleset
