// 1000 data sets of a binary data set of 100 OTUs x 1000 characters (about 200 MB of output)
// through each generator, into a stream that discards the bytes.
#include <benchmark/benchmark.h>

#include <memory>
#include <ostream>
#include <streambuf>

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

std::unique_ptr<DataSet> BinaryData(bool with_missing) {
  auto data = std::make_unique<DataSet>();
  data->NOtu = 100;
  data->NChar = 1000;
  data->MissingValue = 2.0f;
  for (int i = 1; i <= 100; ++i) {
    data->OtuName[i] = "otu" + std::to_string(i);
    data->OtuName[i].resize(12, ' ');
    for (int j = 1; j <= 1000; ++j) {
      const bool missing = with_missing && (i * 7 + j * 3) % 20 == 0;
      data->Matrix(i, j) = missing ? 2.0f : static_cast<float>((i * j + j / 3) % 2);
    }
  }
  return data;
}

template <class Run>
void Measure(benchmark::State& state, bool with_missing, Run&& run) {
  const auto data = BinaryData(with_missing);
  UniformSource source;
  NoProgress progress;
  std::streamsize bytes = 0;
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream stream(&buffer);
    TextSink sink(stream);
    run(*data, source, sink, progress);
    bytes += buffer.written;
  }
  state.SetBytesProcessed(bytes);
}

void BM_BootStraps(benchmark::State& state) {
  Measure(state, false, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GenerateBootStraps(d, s, 10000, 350, o, p);
  });
}
void BM_Permutations(benchmark::State& state) {
  Measure(state, false, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GeneratePermutations(d, s, 10000, o, p);
  });
}
void BM_GenStraps(benchmark::State& state) {
  Measure(state, false, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GenerateGenStraps(d, s, 10000, o, p);
  });
}
void BM_Resamplings(benchmark::State& state) {
  Measure(state, false, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GenerateResamplings(d, s, 10000, 1000, o, p);
  });
}
void BM_MissStraps(benchmark::State& state) {
  Measure(state, true, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GenerateMissStraps(d, s, 10000, o, p);
  });
}
void BM_Noise(benchmark::State& state) {
  Measure(state, true, [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
    GenerateNoise(d, s, 10000, 100, o, p);
  });
}

BENCHMARK(BM_BootStraps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Permutations)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GenStraps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Resamplings)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MissStraps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Noise)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace marbleset
