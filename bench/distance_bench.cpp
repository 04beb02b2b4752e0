// Whole distance runs, file included, on synthetic data with 5 % missing entries:
// - binary 1000 x 5000, every coefficient and policy, and (at 250 x 5000) the fast run against
//   the reference;
// - binary 2000 x 100,000, Jaccard with "0.5" and with "Marker mean", with the peak memory
//   beyond the data's bit planes, and PLINK 1.9's --distance on the same matrix (written as a
//   .bed/.bim/.fam), ratio = PLINK's seconds / ours;
// - binary 4000 x 50,000, Jaccard "0.5": the whole run against the sum of its 4 pieces
//   (--piece K/4) and against PLINK 1.9's --parallel K 4 pieces;
// - binary 10,000 x 10,000, Jaccard "0.5" (a file of 900 MB), measured once;
// - quantitative 1000 x 5000, Euclidean, "Tax. distance" and "Correlation" under every policy,
//   and scipy's pdist plus writing the matrix, when python3-scipy is installed, against our
//   Euclidean run in the same measurement (ratio = scipy's seconds / ours);
// - a file of 1000 data sets of 100 x 1000, averaged.
// The machines are shared: the runs report the process's CPU time beside the wall time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "dataset/data_set.h"
#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/distance_run.h"
#include "distances/fast_matrix_pass.h"
#include "distances/reference_pass.h"

namespace marbleset {
namespace {

using Clock = std::chrono::steady_clock;

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("marbleset_bench_" + name)).string();
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The peak resident size since the last ResetPeak (Linux: VmHWM, reset through clear_refs);
// the whole process's peak where that is not offered.
double PeakRssMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return PeakRssMegabytes();
}

// Sets the peak to what is resident now, and returns that.
double ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return ResidentMegabytes();
}

// A fast generator of the random cells: 5 % missing, the rest 1 with probability 0.4.
struct Cells {
  std::uint64_t state;
  std::uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::uint32_t>(state >> 32);
  }
};

DataSet BinaryData(std::size_t otus, std::size_t chars, std::uint64_t seed) {
  DataSet data;
  data.Resize(DataKind::kBinary, otus, chars, kBinaryMissingValue);
  Cells cells{seed * 0x9E3779B97F4A7C15ull + 1};
  constexpr std::uint32_t kMissing = 0xFFFFFFFFu / 20, kOne = kMissing + 0xFFFFFFFFu / 10 * 4;
  for (std::size_t i = 0; i < otus; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "OTU%zu", i + 1);
    data.otuNames[i] = name;
    std::uint64_t* ones = data.OnesRow(i);
    std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t k = 0; k < chars; ++k) {
      const std::uint32_t draw = cells.Next();
      missing[k / 64] |= std::uint64_t{draw < kMissing} << (k % 64);
      ones[k / 64] |= std::uint64_t{draw >= kMissing && draw < kOne} << (k % 64);
    }
  }
  return data;
}

const DataSet& Binary(std::size_t otus, std::size_t chars) {
  static std::map<std::pair<std::size_t, std::size_t>, std::unique_ptr<DataSet>> sets;
  auto& data = sets[{otus, chars}];
  if (!data) data = std::make_unique<DataSet>(BinaryData(otus, chars, otus + chars));
  return *data;
}

// 1000 x 5000 values in 0..100, 5 % missing.
const DataSet& Quantitative() {
  static std::unique_ptr<DataSet> data;
  if (data) return *data;
  data = std::make_unique<DataSet>();
  data->Resize(DataKind::kQuantitative, 1000, 5000, kQuantitativeMissingValue);
  std::mt19937 random(2);
  std::uniform_real_distribution<double> unit(0, 1);
  for (std::size_t i = 0; i < 1000; ++i) {
    data->otuNames[i] = "OTU" + std::to_string(i + 1);
    float* row = data->Row(i);
    for (std::size_t k = 0; k < 5000; ++k)
      row[k] =
          unit(random) < 0.05 ? kQuantitativeMissingValue : static_cast<float>(unit(random) * 100);
  }
  return *data;
}

std::string Label(const DistanceSettings& settings) {
  return std::string(CoefficientName(settings.coefficient)) + " / " +
         std::string(MissingPolicyName(settings.policy));
}

DistanceSettings Settings(DataKind kind, std::int64_t coefficient, std::int64_t policy) {
  return {CoefficientsFor(kind)[static_cast<std::size_t>(coefficient)],
          MissingPoliciesFor(kind)[static_cast<std::size_t>(policy)], true, false};
}

void Run(const DataSet& data, const DistanceSettings& settings, const std::string& name) {
  NoProgress progress;
  DistanceRunSingle(data, settings, TempPath(name), progress);
}

void BM_BinaryRun(benchmark::State& state) {
  const DataSet& data = Binary(1000, 5000);
  const DistanceSettings settings = Settings(DataKind::kBinary, state.range(0), state.range(1));
  for (auto _ : state) Run(data, settings, "binary.txt");
  state.SetLabel(Label(settings));
  std::filesystem::remove(TempPath("binary.txt"));
}
BENCHMARK(BM_BinaryRun)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3, 4, 5}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The fast run and the reference pass one after the other on the same data, in one
// measurement: ratio = reference seconds / fast seconds. 250 x 5000: the reference takes
// minutes at 1000 OTUs on a loaded machine.
void BM_BinaryFastVersusReference(benchmark::State& state) {
  const DataSet& data = Binary(250, 5000);
  const DistanceSettings settings = Settings(DataKind::kBinary, state.range(0), state.range(1));
  double fast = 0, reference = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    Run(data, settings, "fast.txt");
    fast = Seconds(start);
    const auto middle = Clock::now();
    OutputFile file(TempPath("reference.txt"));
    ReferenceMatrixPass(data, settings, file.sink());
    file.Close();
    reference = Seconds(middle);
  }
  state.counters["fast_s"] = fast;
  state.counters["reference_s"] = reference;
  state.counters["ratio"] = reference / fast;
  state.SetLabel(Label(settings));
  std::filesystem::remove(TempPath("fast.txt"));
  std::filesystem::remove(TempPath("reference.txt"));
}
BENCHMARK(BM_BinaryFastVersusReference)
    ->Args({0, 1})
    ->Args({1, 3})
    ->Args({2, 5})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// The matrix as PLINK 1.9 reads it: 1 as homozygous for the second allele, 0 for the first,
// missing as missing; one SNP-major .bed with the .bim and .fam beside it.
void WritePlinkFiles(const DataSet& data, const std::string& stem) {
  const std::size_t n = data.OtuCount(), chars = data.CharCount();
  {
    std::ofstream fam(stem + ".fam", std::ios::binary);
    for (std::size_t i = 0; i < n; ++i)
      fam << data.otuNames[i] << ' ' << data.otuNames[i] << " 0 0 0 -9\n";
    std::ofstream bim(stem + ".bim", std::ios::binary);
    for (std::size_t k = 0; k < chars; ++k) bim << "1 m" << k << " 0 " << k + 1 << " A C\n";
  }
  std::ofstream bed(stem + ".bed", std::ios::binary);
  const char magic[3] = {0x6c, 0x1b, 0x01};
  bed.write(magic, 3);
  std::vector<char> column((n + 3) / 4);
  for (std::size_t k = 0; k < chars; ++k) {
    std::fill(column.begin(), column.end(), 0);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t bit = std::uint64_t{1} << (k % 64);
      // 00 homozygous first allele, 11 homozygous second, 01 missing.
      const int code = (data.MissingRow(i)[k / 64] & bit) ? 1
                       : (data.OnesRow(i)[k / 64] & bit)  ? 3
                                                          : 0;
      column[i / 4] = static_cast<char>(column[i / 4] | (code << (2 * (i % 4))));
    }
    bed.write(column.data(), static_cast<std::streamsize>(column.size()));
  }
}

// 2000 x 100,000: range(0) 0 Jaccard "0.5", 1 Jaccard "Marker mean", 2 PLINK's --distance.
void BM_Large(benchmark::State& state) {
  const DataSet& data = Binary(2000, 100000);
  const DistanceSettings settings{
      Coefficient::kJaccard,
      state.range(0) == 1 ? MissingPolicy::kMarkerMean : MissingPolicy::kHalf, true, false};
  const double before = ResetPeak();
  double seconds = 0;
  for (auto _ : state) {
    if (state.range(0) == 2) {
      state.PauseTiming();
      const std::string stem = TempPath("plink");
      WritePlinkFiles(data, stem);
      state.ResumeTiming();
      const auto start = Clock::now();
      const std::string command = "plink1.9 --bfile " + stem +
                                  " --distance square --threads 2 --allow-no-sex --out " + stem +
                                  " > /dev/null 2>&1";
      if (std::system(command.c_str()) != 0) state.SkipWithError("plink1.9 failed (installed?)");
      seconds = Seconds(start);
      for (const char* suffix : {".bed", ".bim", ".fam", ".dist", ".dist.id", ".log", ".nosex"})
        std::filesystem::remove(stem + suffix);
      state.SetLabel("PLINK 1.9 --distance square");
    } else {
      const auto start = Clock::now();
      Run(data, settings, "large.txt");
      seconds = Seconds(start);
      state.SetLabel(Label(settings));
      state.counters["file_MB"] =
          static_cast<double>(std::filesystem::file_size(TempPath("large.txt"))) / 1e6;
      std::filesystem::remove(TempPath("large.txt"));
    }
  }
  state.counters["run_s"] = seconds;
  state.counters["planes_MB"] =
      static_cast<double>(DataSet::MatrixBytes(DataKind::kBinary, 2000, 100000)) / 1048576.0;
  state.counters["peak_beyond_data_MB"] = PeakRssMegabytes() - before;
}
BENCHMARK(BM_Large)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// 4000 x 50,000, Jaccard "0.5", as a cluster splits it: range(0) 0 the whole run, 1 the four
// pieces of --piece K/4 one after another (each computes every pair of its rows, so the pieces
// of a square matrix together compute pairs between blocks twice), 2 PLINK 1.9's --distance
// with --parallel K 4 likewise (its pieces are of the lower triangle), with the CPU seconds.
void BM_Pieces(benchmark::State& state) {
  const DataSet& data = Binary(4000, 50000);
  const DistanceSettings settings{Coefficient::kJaccard, MissingPolicy::kHalf, true, false};
  const auto cpu = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto of = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return of(usage.ru_utime) + of(usage.ru_stime) + of(children.ru_utime) + of(children.ru_stime);
  };
  double seconds = 0, cpuSeconds = 0;
  const std::string stem = TempPath("pieces");
  if (state.range(0) == 2) WritePlinkFiles(data, stem);
  for (auto _ : state) {
    const auto start = Clock::now();
    const double cpuStart = cpu();
    for (int k = 1; k <= 4; ++k) {
      if (state.range(0) == 0 && k > 1) break;
      if (state.range(0) == 2) {
        const std::string command = "plink1.9 --bfile " + stem + " --distance --parallel " +
                                    std::to_string(k) + " 4 --threads 2 --allow-no-sex --out " +
                                    stem + " > /dev/null 2>&1";
        if (std::system(command.c_str()) != 0) state.SkipWithError("plink1.9 failed");
        continue;
      }
      NoProgress progress;
      OutputFile file(TempPath("piece.txt"), ExistingTarget::kReplace);
      const MatrixRows rows = state.range(0) == 0 ? MatrixRows{} : PieceRows(4000, k - 1, 4);
      FastMatrixPass(data, settings, file.sink(), progress, 0, kernels::BestKernels(), 0, rows);
      file.Close();
    }
    seconds = Seconds(start);
    cpuSeconds = cpu() - cpuStart;
  }
  for (const char* suffix : {".bed", ".bim", ".fam", ".log", ".nosex"})
    std::filesystem::remove(stem + suffix);
  for (int k = 1; k <= 4; ++k)
    for (const std::string suffix : {".dist.", ".dist.id."})
      std::filesystem::remove(stem + suffix + std::to_string(k));
  std::filesystem::remove(TempPath("piece.txt"));
  state.SetLabel(state.range(0) == 0   ? "whole run"
                 : state.range(0) == 1 ? "sum of 4 pieces"
                                       : "PLINK 1.9 --distance --parallel K 4, sum of 4");
  state.counters["run_s"] = seconds;
  state.counters["cpu_s"] = cpuSeconds;
}
BENCHMARK(BM_Pieces)->DenseRange(0, 2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// 10,000 x 10,000, Jaccard "0.5": the whole run with its 900 MB file, once.
void BM_ManyOtus(benchmark::State& state) {
  const DataSet& data = Binary(10000, 10000);
  const DistanceSettings settings{Coefficient::kJaccard, MissingPolicy::kHalf, true, false};
  const double before = ResetPeak();
  for (auto _ : state) Run(data, settings, "many_otus.txt");
  state.counters["file_MB"] =
      static_cast<double>(std::filesystem::file_size(TempPath("many_otus.txt"))) / 1e6;
  state.counters["peak_beyond_data_MB"] = PeakRssMegabytes() - before;
  std::filesystem::remove(TempPath("many_otus.txt"));
  state.SetLabel(Label(settings));
}
BENCHMARK(BM_ManyOtus)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_QuantitativeRun(benchmark::State& state) {
  const DataSet& data = Quantitative();
  const DistanceSettings settings =
      Settings(DataKind::kQuantitative, state.range(0), state.range(1));
  for (auto _ : state) Run(data, settings, "quantitative.txt");
  state.SetLabel(Label(settings));
  std::filesystem::remove(TempPath("quantitative.txt"));
}
BENCHMARK(BM_QuantitativeRun)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// scipy's pdist (Euclidean, missing entries as 0, as policy "0") and writing its square matrix
// with six decimals, on the same 1000 x 5000 values, saved as a binary .npy first.
// Debian's interpreter first: a python3 earlier on the PATH (a pyenv shim) may lack scipy.
std::string PythonWithScipy() {
  for (const char* python : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(python) + " -c 'import scipy' > /dev/null 2>&1").c_str()) == 0)
      return python;
  return {};
}

void BM_ScipyPdist(benchmark::State& state) {
  const std::string python = PythonWithScipy();
  if (python.empty()) {
    state.SkipWithError("python3-scipy is not installed");
    return;
  }
  const DataSet& data = Quantitative();
  const std::string values = TempPath("values.f32");
  {
    std::ofstream out(values, std::ios::binary);
    for (std::size_t i = 0; i < data.OtuCount(); ++i)
      for (std::size_t k = 0; k < data.CharCount(); ++k) {
        const float v = data.IsMissing(i, k) ? 0.0f : data.Row(i)[k];
        out.write(reinterpret_cast<const char*>(&v), sizeof v);
      }
  }
  const std::string script = TempPath("pdist.py");
  std::ofstream(script) << "import sys, time, numpy as np\n"
                           "from scipy.spatial.distance import pdist, squareform\n"
                           "x = np.fromfile(sys.argv[1], dtype=np.float32).reshape(1000, 5000)"
                           ".astype(np.float64)\n"
                           "t = time.perf_counter()\n"
                           "d = squareform(pdist(x, 'euclidean'))\n"
                           "np.savetxt(sys.argv[2], d, fmt='%.6f')\n"
                           "print(time.perf_counter() - t)\n";
  double seconds = 0;
  for (auto _ : state) {
    const std::string command = python + " " + script + " " + values + " " + TempPath("pdist.txt") +
                                " > " + TempPath("pdist.s");
    if (std::system(command.c_str()) != 0) state.SkipWithError("python3 failed");
    std::ifstream(TempPath("pdist.s")) >> seconds;
  }
  // Our whole Euclidean run with "0" on the same values, right after: ratio = scipy / ours.
  const auto start = Clock::now();
  Run(data, {Coefficient::kEuclidean, MissingPolicy::kZero, true, false}, "ours.txt");
  const double ours = Seconds(start);
  std::filesystem::remove(TempPath("ours.txt"));
  state.counters["pdist_and_write_s"] = seconds;
  state.counters["marbleset_s"] = ours;
  state.counters["ratio"] = seconds / ours;
  for (const std::string& path : {values, script, TempPath("pdist.txt"), TempPath("pdist.s")})
    std::filesystem::remove(path);
}
BENCHMARK(BM_ScipyPdist)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// A file of 1000 binary data sets of 100 OTUs x 1000 characters, averaged.
void BM_MultiSetAveraging(benchmark::State& state) {
  const std::string input = TempPath("many.phy");
  {
    std::mt19937 random(3);
    std::bernoulli_distribution one(0.4), missing(0.05);
    std::ofstream out(input, std::ios::binary);
    std::string line;
    for (int set = 0; set < 1000; ++set) {
      out << "100 1000\r\n";
      for (int i = 1; i <= 100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "OTU%-9d", i);
        line = name;
        for (int k = 0; k < 1000; ++k) line += missing(random) ? '?' : one(random) ? '1' : '0';
        out << line << "\r\n";
      }
    }
  }
  DataSet loaded;
  loaded.Resize(DataKind::kBinary, 0, 0, kBinaryMissingValue);
  NoProgress progress;
  for (auto _ : state) {
    ItemReader in = ItemReader::OpenFile(input);
    DistanceRunMulti(loaded, {Coefficient::kBinaryMatching, MissingPolicy::kHalf, true, true}, in,
                     TempPath("means.txt"), progress);
  }
  std::filesystem::remove(input);
  std::filesystem::remove(TempPath("means.txt"));
}
BENCHMARK(BM_MultiSetAveraging)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace marbleset
