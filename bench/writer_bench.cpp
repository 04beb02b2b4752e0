// Saving and screening a data set at full capacity (1000 OTUs x 5000 characters, binary).
// Targets: saving in either layout within 0.3 s, cropping with all four boxes within 0.2 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>

#include "editing/data_writer.h"
#include "editing/screening.h"

namespace marbleset {
namespace {

// Random states with some structure for the screening passes to find: monomorphic and
// uninformative characters, characters with a few missing entries, OTUs with one.
void FillFullBinary(DataSet& data) {
  std::mt19937 random(7);
  data.NOtu = kMaxOtu;
  data.NChar = kMaxChar;
  data.MissingValue = 2.0f;
  for (int i = 1; i <= kMaxOtu; ++i) {
    std::string name = "OTU" + std::to_string(i);
    name.resize(12, ' ');
    data.OtuName[i] = name;
    for (int k = 1; k <= kMaxChar; ++k) data.Matrix(i, k) = static_cast<float>(random() % 2);
  }
  for (int k = 1; k <= kMaxChar; ++k) {
    const unsigned kind = random() % 100;
    if (kind < 10) {
      for (int i = 1; i <= kMaxOtu; ++i) data.Matrix(i, k) = 1.0f;
    } else if (kind < 15) {
      for (int i = 1; i <= kMaxOtu; ++i) data.Matrix(i, k) = 1.0f;
      data.Matrix(1 + static_cast<int>(random() % kMaxOtu), k) = 0.0f;
    } else if (kind < 17) {
      data.Matrix(1 + static_cast<int>(random() % kMaxOtu), k) = 2.0f;
    }
  }
  for (int n = 0; n < 10; ++n) {
    data.Matrix(1 + static_cast<int>(random() % kMaxOtu), 1 + static_cast<int>(random() % 4000)) =
        2.0f;
  }
}

const DataSet& FullBinary() {
  static const std::unique_ptr<DataSet> data = [] {
    auto made = std::make_unique<DataSet>();
    FillFullBinary(*made);
    return made;
  }();
  return *data;
}

std::string OutputPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

void BM_SavePhylip(benchmark::State& state) {
  const DataSet& data = FullBinary();
  const std::string path = OutputPath("marbleset_bench.phy");
  for (auto _ : state) WritePhylipData(data, path);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  std::remove(path.c_str());
}
BENCHMARK(BM_SavePhylip)->Unit(benchmark::kMillisecond);

void BM_SaveNtsys(benchmark::State& state) {
  const DataSet& data = FullBinary();
  const std::string path = OutputPath("marbleset_bench.nts");
  for (auto _ : state) WriteNtsysData(data, path);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  std::remove(path.c_str());
}
BENCHMARK(BM_SaveNtsys)->Unit(benchmark::kMillisecond);

// The generators' path: 5 million binary cells through PhylipRowWriter into memory that is
// thrown away, so only the token work is timed.
class DiscardBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

void BM_RowWriterBinaryCells(benchmark::State& state) {
  const DataSet& data = FullBinary();
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out);
  for (auto _ : state) {
    PhylipRowWriter rows(sink, data.MissingValue);
    rows.Header(data.NOtu, data.NChar);
    for (int i = 1; i <= data.NOtu; ++i) {
      rows.BeginRow(data.OtuName[i]);
      const float* row = data.Row(i);
      for (int k = 1; k <= data.NChar; ++k) rows.Value(row[k]);
      rows.EndRow();
    }
  }
  state.SetItemsProcessed(state.iterations() * data.NOtu * data.NChar);
}
BENCHMARK(BM_RowWriterBinaryCells)->Unit(benchmark::kMillisecond);

void BM_RowWriterBinaryRows(benchmark::State& state) {
  const DataSet& data = FullBinary();
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out);
  for (auto _ : state) {
    PhylipRowWriter rows(sink, data.MissingValue);
    rows.Header(data.NOtu, data.NChar);
    for (int i = 1; i <= data.NOtu; ++i) {
      rows.BeginRow(data.OtuName[i]);
      rows.Values(data.Row(i) + 1, data.NChar);
      rows.EndRow();
    }
  }
  state.SetItemsProcessed(state.iterations() * data.NOtu * data.NChar);
}
BENCHMARK(BM_RowWriterBinaryRows)->Unit(benchmark::kMillisecond);

void BM_CropAllFourBoxes(benchmark::State& state) {
  DataSet data;
  for (auto _ : state) {
    state.PauseTiming();
    FillFullBinary(data);
    state.ResumeTiming();
    benchmark::DoNotOptimize(CountCropProperties(data));
    ApplyCrop(data, {true, true, true, true});
    benchmark::DoNotOptimize(data.NChar);
  }
  state.counters["NChar after"] = data.NChar;
  state.counters["NOtu after"] = data.NOtu;
}
BENCHMARK(BM_CropAllFourBoxes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbleset
