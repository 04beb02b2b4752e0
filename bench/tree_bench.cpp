// Trees with support: one neighbor-joining tree, the whole support run at the sizes users
// reach, and in the same run the peers on the same data: PHYLIP's neighbor (option M) and
// consense over the replicates' matrices, and R's ape::boot.phylo with nj over
// ade4::dist.binary. Compare the real times of the 100 x 1000 cases.
#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/distance_run.h"
#include "trees/neighbor_joining.h"
#include "trees/support_run.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

// Binary markers with a tree-like structure and no missing entries (R's dist.binary takes none).
DataSet Markers(std::size_t otus, std::size_t characters) {
  DataSet data;
  data.Resize(DataKind::kBinary, otus, characters, kBinaryMissingValue);
  std::mt19937 draw(1);
  for (std::size_t i = 0; i < otus; ++i) {
    std::string name = "T";
    name += std::to_string(i);
    name.resize(12, ' ');
    data.otuNames[i] = name;
    for (std::size_t k = 0; k < characters; ++k)
      data.SetValue(i, k, static_cast<float>(((i >> (k % 9)) & 1) ^ (draw() % 6 == 0)));
  }
  return data;
}

TreeSettings Settings(const DataSet& data, std::size_t replicates) {
  TreeSettings settings = DefaultTreeSettings(data);
  settings.replicates = replicates;
  settings.seed = 1;
  return settings;
}

void BM_NeighborJoining100Otus(benchmark::State& state) {
  const DataSet data = Markers(100, 1000);
  NoProgress none;
  const DistanceMatrix matrix =
      ComputeDistanceMatrix(data, DefaultDistanceSettings(data.Kind()), none);
  for (auto _ : state) benchmark::DoNotOptimize(BuildTree(matrix, TreeMethod::kNeighborJoining));
}
BENCHMARK(BM_NeighborJoining100Otus)->Unit(benchmark::kMicrosecond);

void BM_SupportRun(benchmark::State& state) {
  const DataSet data =
      Markers(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  const TreeSettings settings = Settings(data, static_cast<std::size_t>(state.range(2)));
  NoProgress none;
  for (auto _ : state) benchmark::DoNotOptimize(RunSupport(data, settings, none));
}
// OTUs, characters, replicates: the 1.5 s and 30 s budgets.
BENCHMARK(BM_SupportRun)
    ->Args({100, 1000, 1000})
    ->Args({1000, 5000, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int Run(const std::string& command) {
  const int raw = std::system(command.c_str());
  return raw == -1 ? -1 : WEXITSTATUS(raw);
}

// PHYLIP on the same 1000 replicates: the replicates' matrices (written beforehand, not timed)
// read by neighbor with M, its trees by consense. Each run starts in an empty folder, so no
// leftover outfile or outtree makes the programs ask.
void BM_PhylipNeighborConsense(benchmark::State& state) {
  const DataSet data = Markers(100, 1000);
  const fs::path folder = fs::temp_directory_path() / "marbleset-tree-bench-phylip";
  fs::remove_all(folder);
  fs::create_directories(folder);
  {
    std::ofstream file(folder / "matrices", std::ios::binary);
    TextSink sink(file);
    NoProgress none;
    RunSupport(data, Settings(data, 1000), none, {.matrices = &sink});
    sink.Flush();
  }
  const std::string bin = MARBLESET_PHYLIP_BIN;
  for (auto _ : state) {
    const std::string in =
        "cd '" + folder.string() + "' && rm -f outfile outtree intree infile && ";
    const int neighbor = Run(in + "cp matrices infile && printf 'M\\n1000\\n7\\nY\\n' | '" + bin +
                             "/neighbor' > /dev/null 2>&1");
    const int consense = Run("cd '" + folder.string() +
                             "' && mv outtree intree && rm -f outfile && printf 'Y\\n' | '" + bin +
                             "/consense' > /dev/null 2>&1");
    if (neighbor != 0 || consense != 0) state.SkipWithError("PHYLIP failed");
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_PhylipNeighborConsense)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// R: boot.phylo(nj(dist.binary(x)), 1000 resamplings of the columns), R's start-up included
// (about a quarter of a second) and reported apart as BM_RStartup.
void BM_RApeBootPhylo(benchmark::State& state) {
  const DataSet data = Markers(100, 1000);
  const fs::path folder = fs::temp_directory_path() / "marbleset-tree-bench-r";
  fs::create_directories(folder);
  {
    std::ofstream csv(folder / "markers.csv");
    for (std::size_t i = 0; i < data.OtuCount(); ++i) {
      csv << "T" << i;
      for (std::size_t k = 0; k < data.CharCount(); ++k) csv << ',' << data.Value(i, k);
      csv << '\n';
    }
    std::ofstream script(folder / "boot.R");
    script << "suppressMessages({library(ape); library(ade4)})\n"
              "x <- read.csv('markers.csv', header = FALSE, row.names = 1)\n"
              "f <- function(m) nj(dist.binary(as.data.frame(m), method = 2))\n"
              "tr <- f(x)\n"
              "b <- boot.phylo(tr, as.matrix(x), f, B = 1000, quiet = TRUE, trees = TRUE)\n"
              "cons <- consensus(b$trees, p = 0.5)\n";
  }
  for (auto _ : state) {
    const int status = Run("cd '" + folder.string() + "' && Rscript boot.R > /dev/null 2>&1");
    if (status != 0) state.SkipWithError("Rscript failed");
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_RApeBootPhylo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_RStartup(benchmark::State& state) {
  for (auto _ : state)
    Run("Rscript -e 'suppressMessages({library(ape); library(ade4)})' > /dev/null 2>&1");
}
BENCHMARK(BM_RStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace marbleset
