// Saving and screening binary data at the old largest size (1000 OTUs x 5000 characters) and at
// today's (2000 x 100,000, a 400 MB PHYLIP file), with about 5 % missing entries.
// Targets: at 2000 x 100,000 saving PHYLIP within 1.5 s and cropping with all four boxes within
// 0.5 s; at 1000 x 5000 no slower than before the bit planes (PHYLIP 27 ms, NTSYS 58 ms, crop
// 24 ms).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <utility>

#include "editing/screening.h"
#include "formats/data_writer.h"

namespace marbleset {
namespace {

// Random states with some structure for the screening passes to find: 10 % of the characters
// monomorphic, 5 % uninformative; about 5 % of all entries missing (the AND of four random
// words, less an eighth of those). The planes are filled word by word: drawing 200 million
// cells one at a time would take longer than what is measured.
DataSet MakeBinary(std::size_t otus, std::size_t characters) {
  std::mt19937_64 random(7);
  DataSet data;
  data.Resize(DataKind::kBinary, otus, characters, 2.0f);
  const std::size_t words = data.WordsPerRow();
  const std::uint64_t last =
      characters % 64 == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (characters % 64)) - 1;
  std::vector<std::uint64_t> allOnes(words), oneZero(words);
  std::vector<std::size_t> zeroAt(characters);
  for (std::size_t k = 0; k < characters; ++k) {
    const unsigned kind = random() % 100;
    if (kind < 15) allOnes[k / 64] |= std::uint64_t{1} << (k % 64);
    if (kind >= 10 && kind < 15) oneZero[k / 64] |= std::uint64_t{1} << (k % 64);
    zeroAt[k] = random() % otus;
  }
  for (std::size_t i = 0; i < otus; ++i) {
    std::uint64_t* ones = data.OnesRow(i);
    std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t gap = random() & random() & random() & random();
      missing[w] = gap & ~(random() & random() & random());
      ones[w] = (random() | allOnes[w]) & ~missing[w];
      if (w + 1 == words) ones[w] &= last, missing[w] &= last;
    }
    data.otuNames[i] = std::to_string(i + 1).insert(0, "OTU");
    data.otuNames[i].resize(12, ' ');
  }
  // The uninformative characters: all 1 but for one OTU in state 0, none missing.
  for (std::size_t k = 0; k < characters; ++k) {
    if (!((oneZero[k / 64] >> (k % 64)) & 1u)) continue;
    for (std::size_t i = 0; i < otus; ++i) data.SetValue(i, k, i == zeroAt[k] ? 0.0f : 1.0f);
  }
  return data;
}

const DataSet& Binary(std::size_t otus, std::size_t characters) {
  static std::map<std::pair<std::size_t, std::size_t>, DataSet> made;
  auto found = made.find({otus, characters});
  if (found == made.end())
    found = made.emplace(std::pair(otus, characters), MakeBinary(otus, characters)).first;
  return found->second;
}

std::string OutputPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

template <bool kNtsys>
void BM_Save(benchmark::State& state) {
  const DataSet& data = Binary(state.range(0), state.range(1));
  const std::string path = OutputPath(kNtsys ? "marbleset_bench.nts" : "marbleset_bench.phy");
  for (auto _ : state) kNtsys ? WriteNtsysData(data, path) : WritePhylipData(data, path);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  std::remove(path.c_str());
}
BENCHMARK(BM_Save<false>)
    ->Name("SavePhylip")
    ->Args({1000, 5000})
    ->Args({2000, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<true>)
    ->Name("SaveNtsys")
    ->Args({1000, 5000})
    ->Args({2000, 100000})
    ->Unit(benchmark::kMillisecond);

// The generators' path: whole rows through PhylipRowWriter into a stream that discards them, so
// only the token work is timed: cell by cell (Value), a row of floats (Values), the planes
// (Bits).
class DiscardBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

template <int kWay>
void BM_RowWriter(benchmark::State& state) {
  const DataSet& data = Binary(1000, 5000);
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out);
  std::vector<std::vector<float>> rows(data.OtuCount());
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    for (std::size_t k = 0; k < data.CharCount(); ++k) rows[i].push_back(data.Value(i, k));
  }
  for (auto _ : state) {
    PhylipRowWriter writer(sink, data.MissingValue());
    writer.Header(data.OtuCount(), data.CharCount());
    for (std::size_t i = 0; i < data.OtuCount(); ++i) {
      writer.BeginRow(data.otuNames[i]);
      if (kWay == 0) {
        for (float value : rows[i]) writer.Value(value);
      } else if (kWay == 1) {
        writer.Values(rows[i].data(), rows[i].size());
      } else {
        writer.Bits(data.OnesRow(i), data.MissingRow(i), data.CharCount());
      }
      writer.EndRow();
    }
  }
  state.SetItemsProcessed(state.iterations() * data.OtuCount() * data.CharCount());
}
BENCHMARK(BM_RowWriter<0>)->Name("RowWriterValue")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowWriter<1>)->Name("RowWriterValues")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowWriter<2>)->Name("RowWriterBits")->Unit(benchmark::kMillisecond);

// The crop dialog: its four counts, then the removals. With all four boxes at 5 % missing
// entries every character has one, so all go; with the first two, most characters stay and the
// removal itself is what is timed.
template <bool kAllFour>
void BM_Crop(benchmark::State& state) {
  const DataSet& source = Binary(state.range(0), state.range(1));
  DataSet data;
  for (auto _ : state) {
    state.PauseTiming();
    data = source.Clone();
    state.ResumeTiming();
    benchmark::DoNotOptimize(CountCropProperties(data));
    ApplyCrop(data, {true, true, kAllFour, kAllFour});
    benchmark::DoNotOptimize(data.CharCount());
  }
  state.counters["characters left"] = static_cast<double>(data.CharCount());
  state.counters["OTUs left"] = static_cast<double>(data.OtuCount());
}
BENCHMARK(BM_Crop<true>)
    ->Name("CropAllFourBoxes")
    ->Args({1000, 5000})
    ->Args({2000, 100000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crop<false>)
    ->Name("CropMonomorphicAndUninformative")
    ->Args({1000, 5000})
    ->Args({2000, 100000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbleset
