// Whole distance runs on data of the largest size, file included, against the reference.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/distance_run.h"
#include "distances/reference_pass.h"

namespace marbleset {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("marbleset_bench_" + name)).string();
}

// 1000 OTUs x 5000 characters, 5 % of the entries missing.
const DataSet& LargeData(bool quantitative) {
  static std::unique_ptr<DataSet> sets[2];
  std::unique_ptr<DataSet>& data = sets[quantitative ? 1 : 0];
  if (data) return *data;
  data = std::make_unique<DataSet>();
  std::mt19937 random(quantitative ? 2 : 1);
  std::uniform_real_distribution<double> unit(0, 1);
  data->Quantitative = quantitative ? 1 : 0;
  data->MissingValue = quantitative ? -9999.0f : 2.0f;
  data->NOtu = kMaxOtu;
  data->NChar = kMaxChar;
  for (int i = 1; i <= kMaxOtu; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "OTU%-9d", i);
    data->OtuName[i] = name;
    for (int k = 1; k <= kMaxChar; ++k) {
      float v;
      if (unit(random) < 0.05)
        v = data->MissingValue;
      else if (quantitative)
        v = static_cast<float>(unit(random) * 100);
      else
        v = unit(random) < 0.4 ? 1.0f : 0.0f;
      data->Matrix(i, k) = v;
    }
  }
  return *data;
}

void BM_BinaryRun(benchmark::State& state) {
  const DataSet& data = LargeData(false);
  const DistanceSettings settings{static_cast<int>(state.range(0)),
                                  static_cast<int>(state.range(1)), true, false};
  for (auto _ : state) DistanceRunSingle(data, settings, TempPath("binary.txt"));
  state.SetLabel(std::string(CoefficientNames(false)[settings.coefficient]) + " / " +
                 std::string(MissingPolicyNames(false)[settings.policy]));
}
BENCHMARK(BM_BinaryRun)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3, 4, 5}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The fast run and the reference pass one after the other on the same data, in one
// measurement: ratio = reference seconds / fast seconds.
void BM_BinaryFastVersusReference(benchmark::State& state) {
  const DataSet& data = LargeData(false);
  const DistanceSettings settings{static_cast<int>(state.range(0)),
                                  static_cast<int>(state.range(1)), true, false};
  using Clock = std::chrono::steady_clock;
  double fast = 0, reference = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    DistanceRunSingle(data, settings, TempPath("fast.txt"));
    const auto middle = Clock::now();
    {
      OutputFile file(TempPath("reference.txt"));
      ReferenceMatrixPass(data, settings, file.sink());
      file.Close();
    }
    const auto end = Clock::now();
    fast = std::chrono::duration<double>(middle - start).count();
    reference = std::chrono::duration<double>(end - middle).count();
  }
  state.counters["fast_s"] = fast;
  state.counters["reference_s"] = reference;
  state.counters["ratio"] = reference / fast;
  state.SetLabel(std::string(CoefficientNames(false)[settings.coefficient]) + " / " +
                 std::string(MissingPolicyNames(false)[settings.policy]));
}
BENCHMARK(BM_BinaryFastVersusReference)
    ->Args({0, 1})
    ->Args({1, 3})
    ->Args({2, 5})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

void BM_QuantitativeRun(benchmark::State& state) {
  const DataSet& data = LargeData(true);
  const DistanceSettings settings{static_cast<int>(state.range(0)),
                                  static_cast<int>(state.range(1)), true, false};
  for (auto _ : state) DistanceRunSingle(data, settings, TempPath("quantitative.txt"));
  state.SetLabel(std::string(CoefficientNames(true)[settings.coefficient]) + " / " +
                 std::string(MissingPolicyNames(true)[settings.policy]));
}
BENCHMARK(BM_QuantitativeRun)
    ->ArgsProduct({{0, 1, 2, 3}, {1, 3}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

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
  auto data = std::make_unique<DataSet>();
  data->DataFileName = input;
  data->MissingValue = 2;
  data->MultiSet = 1;
  NoProgress progress;
  for (auto _ : state) {
    data->Quantitative = 0;
    DistanceRunMulti(*data, {kBinaryMatching, kBinaryHalf, true, true}, TempPath("means.txt"),
                     progress);
  }
  std::filesystem::remove(input);
}
BENCHMARK(BM_MultiSetAveraging)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace marbleset
