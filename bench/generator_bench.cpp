// Each generator on synthetic binary data, into a stream that discards the bytes:
// 100 OTUs x 1000 characters, 1000 data sets (about 200 MB of output);
// 1000 x 5000, 10 data sets (100 MB);
// 2000 x 100,000 with 5 % missing entries, 10 data sets (4 GB; the data's bit planes 50 MB).
// peak_rss_MB is the process's peak so far, data included: it stays near the largest data's
// planes plus buffers, whatever the number of data sets. Also the bit gather of one classic
// bootstrap replicate for tree building at 2000 x 100,000.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <ostream>
#include <streambuf>

#include "resampling/column_picks.h"
#include "resampling/generators.h"

namespace marbleset {
namespace {

// Counts what it is given and keeps nothing, so the figures are the generator's own.
class CountingBuffer : public std::streambuf {
 public:
  std::streamsize written = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    written += n;
    return n;
  }
  int_type overflow(int_type c) override {
    ++written;
    return c;
  }
};

// Cell (i, k) is (i k + k / 3) mod 2; with missing entries, every 20th cell along a diagonal
// pattern is missing (5 %).
DataSet BinaryData(std::size_t otus, std::size_t chars, bool withMissing) {
  DataSet data;
  data.Resize(DataKind::kBinary, otus, chars, kBinaryMissingValue);
  for (std::size_t i = 0; i < otus; ++i) {
    data.otuNames[i] = "otu" + std::to_string(i + 1);
    std::uint64_t* ones = data.OnesRow(i);
    std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t k = 0; k < chars; ++k) {
      // The same cells as the 1-based formulas of earlier figures.
      const std::size_t i1 = i + 1, k1 = k + 1;
      const bool isMissing = withMissing && (i1 * 7 + k1 * 3) % 20 == 0;
      const bool one = !isMissing && (i1 * k1 + k1 / 3) % 2 == 1;
      missing[k / 64] |= std::uint64_t{isMissing} << (k % 64);
      ones[k / 64] |= std::uint64_t{one} << (k % 64);
    }
  }
  return data;
}

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Arguments: OTUs, characters, data sets, whether the data has missing entries.
void Measure(benchmark::State& state, Generator generator) {
  const auto otus = static_cast<std::size_t>(state.range(0));
  const auto chars = static_cast<std::size_t>(state.range(1));
  const bool withMissing =
      state.range(3) != 0 || generator == Generator::kMissStraps || generator == Generator::kNoise;
  const DataSet data = BinaryData(otus, chars, withMissing);
  GeneratorSettings settings = DefaultGeneratorSettings(generator, data);
  settings.dataSets = static_cast<std::size_t>(state.range(2));
  UniformSource source;
  NoProgress progress;
  std::streamsize bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream stream(&buffer);
    TextSink sink(stream);
    Generate(data, settings, source, sink, progress);
    bytes += buffer.written;
  }
  state.SetBytesProcessed(bytes);
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

void BM_BootStraps(benchmark::State& state) {
  Measure(state, Generator::kBootStraps);
}
void BM_Permutations(benchmark::State& state) {
  Measure(state, Generator::kPermutations);
}
void BM_GenStraps(benchmark::State& state) {
  Measure(state, Generator::kGenStraps);
}
void BM_Resamplings(benchmark::State& state) {
  Measure(state, Generator::kRandomResampling);
}
void BM_MissStraps(benchmark::State& state) {
  Measure(state, Generator::kMissStraps);
}
void BM_Noise(benchmark::State& state) {
  Measure(state, Generator::kNoise);
}

void BM_ClassicBootstrapReplicate(benchmark::State& state) {
  const DataSet data = BinaryData(2000, 100000, true);
  UniformSource source;
  ColumnPicks picks;
  for (auto _ : state) {
    DrawClassicBootstrapPicks(data.CharCount(), source, picks);
    const DataSet replicate = PickColumns(data, picks);
    benchmark::DoNotOptimize(replicate.OnesRow(0));
  }
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

void OldSizes(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Iterations(3);
  b->Args({100, 1000, 1000, 0})->Args({1000, 5000, 10, 0});
}
// Once: each run writes 4 GB.
void LargeSize(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Iterations(1)->Args({2000, 100000, 10, 1});
}

BENCHMARK(BM_BootStraps)->Apply(OldSizes);
BENCHMARK(BM_Permutations)->Apply(OldSizes);
BENCHMARK(BM_GenStraps)->Apply(OldSizes);
BENCHMARK(BM_Resamplings)->Apply(OldSizes);
BENCHMARK(BM_MissStraps)->Apply(OldSizes);
BENCHMARK(BM_Noise)->Apply(OldSizes);
BENCHMARK(BM_BootStraps)->Apply(LargeSize);
BENCHMARK(BM_Permutations)->Apply(LargeSize);
BENCHMARK(BM_GenStraps)->Apply(LargeSize);
BENCHMARK(BM_Resamplings)->Apply(LargeSize);
BENCHMARK(BM_MissStraps)->Apply(LargeSize);
BENCHMARK(BM_Noise)->Apply(LargeSize);
BENCHMARK(BM_ClassicBootstrapReplicate)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace marbleset
