// marbleset-cli network on distance files of 60, 150 and 2,000 OTUs, timed with its peak
// memory by /usr/bin/time -v; up to 150 OTUs R's phangorn::neighborNet runs on the same file in
// the same run (its dense least squares take it over half an hour and 8 GB at 200 OTUs), and
// the counters give both times and their ratio. Compare the user times on a busy machine.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>

#include "../tests/scratch_folder.h"

namespace marbleset {
namespace {

// Distances between OTUs of eight populations: each OTU its population's point in 40
// dimensions plus noise of its own, so the splits conflict as in marker data.
void WriteMatrix(const std::string& path, std::size_t n) {
  std::mt19937 draw(7);
  std::normal_distribution<double> normal(0, 1);
  std::vector<std::vector<double>> centres(8, std::vector<double>(40)), points(n);
  for (auto& centre : centres)
    for (double& v : centre) v = normal(draw);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < 40; ++k) points[i].push_back(centres[i % 8][k] + normal(draw));
  std::ofstream out(path);
  out.precision(17);
  out << n << '\n';
  for (std::size_t i = 0; i < n; ++i) {
    out << 'T' << std::left << std::setw(11) << i + 1 << std::right;
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0;
      for (std::size_t k = 0; k < 40; ++k) sum += std::pow(points[i][k] - points[j][k], 2);
      out << (j ? " " : "") << std::sqrt(sum);
    }
    out << '\n';
  }
}

struct Usage {
  double wall = -1, user = -1, megabytes = -1;
};

// Runs command under /usr/bin/time -v in folder; nothing known when it fails.
Usage Timed(const ScratchFolder& folder, const std::string& command) {
  const std::string timed = "cd " + folder.path.string() + " && /usr/bin/time -v -o usage.txt " +
                            command + " > out.txt 2> err.txt";
  Usage usage;
  if (std::system(timed.c_str()) != 0) return usage;
  std::istringstream lines(FileBytes(folder.path / "usage.txt"));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.rfind(": ");
    if (colon == std::string::npos) continue;
    const std::string value = line.substr(colon + 2);
    if (line.find("User time") != std::string::npos) usage.user = std::stod(value);
    if (line.find("Maximum resident") != std::string::npos)
      usage.megabytes = std::stod(value) / 1024;
    if (line.find("Elapsed (wall clock)") != std::string::npos) {
      // h:mm:ss or m:ss.ss
      double seconds = 0;
      std::istringstream parts(value);
      for (std::string part; std::getline(parts, part, ':');)
        seconds = 60 * seconds + std::stod(part);
      usage.wall = seconds;
    }
  }
  return usage;
}

void BM_NetworkCliBesidePhangorn(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const ScratchFolder folder;
  WriteMatrix(folder / "m.txt", n);
  std::ofstream(folder / "script.R")
      << "suppressMessages(library(phangorn))\n"
         "d <- as.matrix(read.table('m.txt', skip = 1, row.names = 1))\n"
         "colnames(d) <- rownames(d)\n"
         "cat(length(neighborNet(as.dist(d))$splits), '\\n')\n";
  for (auto _ : state) {
    const Usage ours =
        Timed(folder, std::string(MARBLESET_CLI) + " network --quiet --distances m.txt m.nex");
    if (ours.wall < 0) {
      state.SkipWithError(
          ("marbleset-cli network failed: " + FileBytes(folder.path / "err.txt")).c_str());
      return;
    }
    state.SetIterationTime(ours.wall);
    state.counters["ours_user_s"] = ours.user;
    state.counters["ours_peak_MB"] = ours.megabytes;
    if (n > 150) continue;
    const Usage theirs = Timed(folder, "Rscript script.R");
    if (theirs.wall < 0) {
      state.SkipWithError(("phangorn failed: " + FileBytes(folder.path / "err.txt")).c_str());
      return;
    }
    state.counters["phangorn_user_s"] = theirs.user;
    state.counters["phangorn_peak_MB"] = theirs.megabytes;
    state.counters["phangorn_over_ours_user"] = theirs.user / std::max(ours.user, 0.01);
  }
}
BENCHMARK(BM_NetworkCliBesidePhangorn)
    ->Arg(60)
    ->Arg(150)
    ->Arg(2000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace marbleset
