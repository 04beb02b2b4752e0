// Split networks by neighbor-net for 500 and 2,000 OTUs, and in the same run R's
// phangorn::neighborNet on the same matrices, with a time limit (30 minutes) and a memory limit
// (16 GB): its dense least-squares design grows with n^4, so where it fails the benchmark says
// so. Compare the real times.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "../tests/scratch_folder.h"
#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "trees/neighbor_net.h"

namespace marbleset {
namespace {

// Jaccard distances of binary markers in eight populations with some mixing, 5 % missing.
DistanceMatrix Matrix(std::size_t otus) {
  const std::size_t markers = 300;
  DataSet data;
  data.Resize(DataKind::kBinary, otus, markers, kBinaryMissingValue);
  std::mt19937 draw(7);
  std::vector<std::vector<int>> populations(8, std::vector<int>(markers));
  for (auto& population : populations)
    for (int& v : population) v = static_cast<int>(draw() % 2);
  for (std::size_t i = 0; i < otus; ++i) {
    data.otuNames[i] = "T" + std::to_string(i + 1);
    for (std::size_t k = 0; k < markers; ++k) {
      const std::size_t from = draw() % 5 == 0 ? (i + 1) % 8 : i % 8;
      const bool flip = draw() % 10 == 0, missing = draw() % 20 == 0;
      data.SetValue(i, k,
                    missing ? kBinaryMissingValue
                            : static_cast<float>(populations[from][k] ^ static_cast<int>(flip)));
    }
  }
  DistanceSettings settings;
  settings.coefficient = Coefficient::kJaccard;
  NoProgress none;
  return ComputeDistanceMatrix(data, settings, none);
}

void BM_NeighborNet(benchmark::State& state) {
  const DistanceMatrix matrix = Matrix(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    NoProgress none;
    const SplitNetwork network = NeighborNet(matrix, none);
    state.counters["splits"] = static_cast<double>(network.splits.size());
  }
}
BENCHMARK(BM_NeighborNet)
    ->Arg(500)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_PhangornNeighborNet(benchmark::State& state) {
  const DistanceMatrix matrix = Matrix(static_cast<std::size_t>(state.range(0)));
  ScratchFolder folder;
  {
    std::ofstream out(folder / "m.txt");
    out.precision(17);
    for (std::size_t i = 0; i < matrix.n; ++i)
      for (std::size_t j = 0; j < matrix.n; ++j)
        out << matrix.At(i, j) << (j + 1 < matrix.n ? ' ' : '\n');
  }
  std::ofstream(folder / "script.R") << "suppressMessages(library(phangorn))\n"
                                        "d <- as.dist(as.matrix(read.table('m.txt')))\n"
                                        "cat(length(neighborNet(d)$splits), '\\n')\n";
  const std::string command = "cd " + folder.path.string() +
                              " && ulimit -v 16000000 && timeout 1800 Rscript script.R "
                              "> out.txt 2> err.txt";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      std::string reason = FileBytes(folder.path / "err.txt");
      if (reason.size() > 200) reason = reason.substr(reason.size() - 200);
      state.SkipWithError(("phangorn failed (time or memory limit): " + reason).c_str());
      return;
    }
  }
  state.counters["splits"] = std::atof(FileBytes(folder.path / "out.txt").c_str());
}
BENCHMARK(BM_PhangornNeighborNet)
    ->Arg(500)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace marbleset
