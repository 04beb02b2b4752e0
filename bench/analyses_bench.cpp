// AMOVA with 999 permutations of each test for 1,000 OTUs in 10 populations of 2 regions, beside
// ade4's amova and randtest (999 permutations) on the same matrix in the same run, R's start-up
// included and reported apart.
#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "distances/amova.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

// Points in 20 dimensions around their population's centre: Euclidean distances, as ade4 wants.
DistanceMatrix Matrix(std::size_t n, AmovaDesign& design) {
  std::mt19937_64 random(11);
  std::normal_distribution<double> normal;
  std::vector<std::vector<double>> points(n, std::vector<double>(20));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < 20; ++k)
      points[i][k] = normal(random) + 0.3 * static_cast<double>((i % 10 * 7 + k) % 5);
  DistanceMatrix matrix{.n = n, .names = {}, .values = std::vector<double>(n * n)};
  for (std::size_t i = 0; i < n; ++i) {
    matrix.names.push_back(std::to_string(i).insert(0, 1, 'o'));
    design.populationOf.push_back(i % 10);
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0;
      for (std::size_t k = 0; k < 20; ++k)
        sum += (points[i][k] - points[j][k]) * (points[i][k] - points[j][k]);
      matrix.values[i * n + j] = std::sqrt(sum);
    }
  }
  for (std::size_t p = 0; p < 10; ++p) {
    design.populationNames.push_back(std::to_string(p).insert(0, "pop"));
    design.regionOf.push_back(p % 2);
  }
  design.regionNames = {"north", "south"};
  return matrix;
}

void BM_Amova1000Otus999Permutations(benchmark::State& state) {
  AmovaDesign design;
  const DistanceMatrix matrix = Matrix(1000, design);
  NoProgress none;
  for (auto _ : state)
    benchmark::DoNotOptimize(RunAmova(matrix, design, {.permutations = 999, .seed = 1}, none));
}
BENCHMARK(BM_Amova1000Otus999Permutations)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int Run(const std::string& command) {
  const int raw = std::system(command.c_str());
  return raw == -1 ? -1 : WEXITSTATUS(raw);
}

void BM_RAde4Amova1000Otus999Permutations(benchmark::State& state) {
  AmovaDesign design;
  const DistanceMatrix matrix = Matrix(1000, design);
  const fs::path folder = fs::temp_directory_path() / "marbleset-amova-bench-r";
  fs::create_directories(folder);
  {
    std::ofstream out(folder / "d.txt");
    out.precision(17);
    for (std::size_t i = 0; i < matrix.n; ++i) {
      out << matrix.names[i] << ' ' << design.populationNames[design.populationOf[i]];
      for (std::size_t j = 0; j < matrix.n; ++j) out << ' ' << matrix.At(i, j);
      out << '\n';
    }
    std::ofstream(folder / "amova.R")
        << "suppressMessages(library(ade4))\n"
           "x <- read.table('d.txt', row.names = 1)\n"
           "pop <- factor(x[, 1]); d <- as.dist(as.matrix(x[, -1]))\n"
           "s <- as.data.frame.matrix(table(factor(rownames(x), levels = rownames(x)), pop))\n"
           "st <- data.frame(reg = factor(as.integer(sub('pop', '', levels(pop))) %% 2), "
           "row.names = levels(pop))\n"
           "r <- randtest(amova(s, d, st), 999)\n";
  }
  for (auto _ : state)
    if (Run("cd '" + folder.string() + "' && Rscript amova.R > /dev/null 2>&1") != 0)
      state.SkipWithError("Rscript with ade4 failed");
  fs::remove_all(folder);
}
BENCHMARK(BM_RAde4Amova1000Otus999Permutations)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_RAde4Startup(benchmark::State& state) {
  for (auto _ : state) Run("Rscript -e 'suppressMessages(library(ade4))' > /dev/null 2>&1");
}
BENCHMARK(BM_RAde4Startup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace marbleset
