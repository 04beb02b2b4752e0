// AMOVA and the Mantel test against R's peers on the same matrices: ade4::amova and its
// randtest, vegan::mantel. The matrices come from generated marker data with a population
// structure (one of 200 OTUs with missing data); R runs in a fresh folder, and the test fails
// when Rscript or the packages are missing (Debian: r-base-core r-cran-ade4 r-cran-vegan).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "distances/amova.h"
#include "distances/distance_run.h"
#include "distances/mantel.h"
#include "scratch_folder.h"
#include "test_data.h"

namespace marbleset {
namespace {

struct Case {
  const char* what;
  std::size_t otus, chars, populations, regions;  // regions 0: populations only
  bool binary;
  double missingShare, structure;
};

// Marker data whose OTU k belongs to population k % populations, region population % regions;
// each population draws its frequencies around its region's, structure apart.
DataSet MakeData(const Case& c, AmovaDesign& design) {
  std::mt19937_64 random(c.otus * 7919 + c.chars);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::vector<double>> centre(c.populations, std::vector<double>(c.chars));
  for (std::size_t k = 0; k < c.chars; ++k) {
    const double base = unit(random);
    for (std::size_t p = 0; p < c.populations; ++p)
      centre[p][k] = std::clamp(base + c.structure * (unit(random) - 0.5), 0.05, 0.95);
  }
  std::vector<std::string> names;
  std::vector<std::vector<float>> rows;
  for (std::size_t i = 0; i < c.otus; ++i) {
    names.push_back(std::to_string(i + 1).insert(0, 1, 'o'));
    design.populationOf.push_back(i % c.populations);
    rows.emplace_back();
    for (std::size_t k = 0; k < c.chars; ++k) {
      const double f = centre[i % c.populations][k];
      const float value = c.binary ? (unit(random) < f ? 1.0f : 0.0f)
                                   : static_cast<float>(10 * f + 2 * unit(random));
      rows.back().push_back(unit(random) < c.missingShare
                                ? (c.binary ? kBinaryMissingValue : kQuantitativeMissingValue)
                                : value);
    }
  }
  for (std::size_t p = 0; p < c.populations; ++p) {
    design.populationNames.push_back(std::to_string(p).insert(0, "pop"));
    if (c.regions == 0) continue;
    design.regionOf.push_back(p % c.regions);
    if (p < c.regions) design.regionNames.push_back(std::to_string(p).insert(0, "reg"));
  }
  DataSet data;
  testing::FillQuantitative(data, names, rows, c.binary);
  return data;
}

// Each row: the OTU's name, its population, its distances.
void WriteMatrix(const DistanceMatrix& m, const AmovaDesign& design, const std::string& path) {
  std::ofstream out(path);
  out.precision(17);
  for (std::size_t i = 0; i < m.n; ++i) {
    out << m.names[i] << ' ' << design.populationNames[design.populationOf[i]];
    for (std::size_t j = 0; j < m.n; ++j) out << ' ' << m.At(i, j);
    out << '\n';
  }
}

// R's figures for a and b, each printed as a name and its numbers.
std::map<std::string, std::vector<double>> RunR(const DistanceMatrix& a, const DistanceMatrix& b,
                                                const AmovaDesign& design) {
  const ScratchFolder folder;
  WriteMatrix(a, design, folder / "a.txt");
  WriteMatrix(b, design, folder / "b.txt");
  std::ofstream(folder / "script.R") << R"(
suppressMessages({library(ade4); library(vegan)})
set.seed(7)
out <- function(name, v) cat(name, format(as.vector(unlist(v)), digits = 17), '\n')
rd <- function(f) { x <- read.table(f, row.names = 1); m <- as.matrix(x[, -1]); colnames(m) <- rownames(m); m }
a <- rd('a.txt'); b <- rd('b.txt'); pop <- read.table('a.txt')[, 2]
pop <- factor(pop, levels = unique(pop)); r <- if (file.size('regions.txt') > 0) read.table('regions.txt')
samples <- as.data.frame.matrix(table(factor(rownames(a), levels = rownames(a)), pop))
s <- if (!is.null(r)) data.frame(reg = factor(r[match(levels(pop), r[, 1]), 2]), row.names = levels(pop))
am <- if (is.null(s)) amova(samples, as.dist(a)) else amova(samples, as.dist(a), s)
out('df', am$results$Df); out('ss', am$results$"Sum Sq"); out('sigma', am$componentsofcovariance$Sigma)
out('phi', am$statphi$Phi); out('p', rev(randtest(am, 999)$pvalue))
for (m in c('pearson', 'spearman')) {
  t <- mantel(as.dist(a), as.dist(b), method = m, permutations = 999)
  out(m, c(t$statistic, t$signif))
}
)";
  std::ofstream regions(folder / "regions.txt");
  for (std::size_t p = 0; p < design.regionOf.size(); ++p)
    regions << design.populationNames[p] << ' ' << design.regionNames[design.regionOf[p]] << '\n';
  regions.close();
  const std::string command =
      "cd " + folder.path.string() + " && Rscript script.R > out.txt 2> err.txt";
  EXPECT_EQ(std::system(command.c_str()), 0) << FileBytes(folder.path / "err.txt");
  std::map<std::string, std::vector<double>> figures;
  std::istringstream lines(FileBytes(folder.path / "out.txt"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    for (double v; words >> v;) figures[name].push_back(v);
  }
  return figures;
}

// Two estimates of one p-value from 999 permutations each differ by less than 4.5 standard
// errors of their difference (a chance of about 1 in 150,000 for a sound pair).
void ExpectSameP(double ours, double theirs, const std::string& what) {
  const double p = (ours + theirs) / 2;
  EXPECT_LE(std::fabs(ours - theirs), 4.5 * std::sqrt(p * (1 - p) * 2 / 1000) + 2.0 / 1000)
      << what << ": " << ours << " against " << theirs;
}

TEST(AnalysesAgainstR, AmovaAndMantelEqualAde4AndVegan) {
  ASSERT_EQ(std::system("Rscript -e 'library(ade4); library(vegan)' > /dev/null 2>&1"), 0)
      << "R with ade4 and vegan is needed (Debian: r-base-core r-cran-ade4 r-cran-vegan)";
  const Case cases[] = {
      {"12 OTUs, Euclidean, populations only", 12, 6, 4, 0, false, 0, 0.3},
      {"40 OTUs, Jaccard, regions", 40, 60, 6, 2, true, 0, 0.8},
      {"200 OTUs, Jaccard with missing data, regions", 200, 150, 9, 3, true, 0.1, 0.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AmovaDesign design;
    const DataSet data = MakeData(c, design);
    NoProgress none;
    DistanceSettings settings{
        .coefficient = c.binary ? Coefficient::kJaccard : Coefficient::kEuclidean,
        .policy = MissingPolicy::kMarkerMode};
    // ade4 takes Euclidean distances only: the square root of Jaccard's is one on data
    // without gaps (the missing entries take their marker's commoner value).
    DistanceMatrix a = ComputeDistanceMatrix(data, settings, none);
    if (c.binary)
      for (double& value : a.values) value = std::sqrt(value);
    // A second marker system on the same OTUs, with the same populations.
    Case second = c;
    second.chars = c.chars / 2 + 3;
    AmovaDesign unused;
    settings.coefficient = c.binary ? Coefficient::kBinaryMatching : Coefficient::kTaxDistance;
    const DistanceMatrix b = ComputeDistanceMatrix(MakeData(second, unused), settings, none);
    auto figures = RunR(a, b, design);

    const AmovaResult amova = RunAmova(a, design, {.seed = 3}, none);
    const std::size_t levels = amova.sources.size();
    ASSERT_EQ(figures["ss"].size(), levels + 1);
    for (std::size_t k = 0; k < levels; ++k) {
      const AmovaSource& s = amova.sources[k];
      EXPECT_EQ(s.degreesOfFreedom, figures["df"][k]) << s.name;
      EXPECT_NEAR(s.sumOfSquares, figures["ss"][k], 1e-6) << s.name;
      EXPECT_NEAR(s.variance, figures["sigma"][k], 1e-6) << s.name;
      // Without regions ade4 tests the among-populations component only.
      if (k < figures["p"].size()) ExpectSameP(s.pValue, figures["p"][k], s.name);
    }
    EXPECT_NEAR(amova.totalSumOfSquares, figures["ss"][levels], 1e-6);
    EXPECT_NEAR(amova.totalVariance, figures["sigma"][levels], 1e-6);
    ASSERT_EQ(amova.phi.size(), figures["phi"].size());
    for (std::size_t k = 0; k < amova.phi.size(); ++k)
      EXPECT_NEAR(amova.phi[k].value, figures["phi"][k], 1e-6) << amova.phi[k].name;

    // The second matrix in reverse order: the test matches OTUs by name.
    DistanceMatrix reversed{.n = b.n, .names = {b.names.rbegin(), b.names.rend()}, .values = {}};
    for (std::size_t i = b.n; i-- > 0;)
      for (std::size_t j = b.n; j-- > 0;) reversed.values.push_back(b.At(i, j));
    for (const auto& [method, name] : {std::pair{MantelMethod::kPearson, "pearson"},
                                       std::pair{MantelMethod::kSpearman, "spearman"}}) {
      const MantelResult mantel = RunMantel(a, reversed, method, {.seed = 5}, none);
      EXPECT_NEAR(mantel.r, figures[name][0], 1e-9) << name;
      ExpectSameP(mantel.pValue, figures[name][1], name);
    }
  }
}

}  // namespace
}  // namespace marbleset
