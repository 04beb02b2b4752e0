// Reading speed of the data file reader: a file of 1000 binary data sets of 100 OTUs by 1000
// characters, written as " 0"/" 1" tokens 200 to a line the way the generators write them
// (about 200 MB), read data set after data set as the multi-set distance run reads it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "dataset/data_set.h"
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"

namespace {

using marbleset::DataSet;
using marbleset::ItemReader;
using marbleset::ReadStatus;

constexpr int kDataSets = 1000;
constexpr int kOtus = 100;
constexpr int kCharacters = 1000;
constexpr int kTokensPerLine = 200;

// The benchmark file, written once per run into the temporary folder and removed at exit.
class BenchFile {
 public:
  BenchFile()
      : path_(std::filesystem::temp_directory_path() /
              ("marbleset_reader_bench_" + std::to_string(getpid()) + ".phy")) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path_.string());
    std::mt19937 random(12345);
    std::string set;  // one data set at a time, so writing needs little memory too
    for (int s = 0; s < kDataSets; ++s) {
      set.clear();
      set += std::to_string(kOtus) + " " + std::to_string(kCharacters) + "\r\n";
      for (int i = 1; i <= kOtus; ++i) {
        std::string name = "Otu" + std::to_string(i);
        name.resize(12, ' ');
        set += name;
        for (int j = 1; j <= kCharacters; ++j) {
          set += (random() & 1) != 0 ? " 1" : " 0";
          if (j % kTokensPerLine == 0 && j < kCharacters) set += "\r\n";
        }
        set += "\r\n";
      }
      std::fwrite(set.data(), 1, set.size(), file);
    }
    std::fclose(file);
    size_ = std::filesystem::file_size(path_);
  }
  ~BenchFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }
  std::uintmax_t size() const { return size_; }

 private:
  std::filesystem::path path_;
  std::uintmax_t size_ = 0;
};

void BM_ReadBinaryDataSets(benchmark::State& state) {
  static const BenchFile file;
  auto data = std::make_unique<DataSet>();
  for (auto _ : state) {
    ItemReader in = ItemReader::OpenFile(file.path().string());
    int sets = 0;
    while (!in.AtEnd()) {
      if (marbleset::ReadPhylipBinary(in, *data) != ReadStatus::kOk) {
        state.SkipWithError("a data set could not be read");
        return;
      }
      ++sets;
    }
    if (sets != kDataSets) state.SkipWithError("wrong number of data sets");
    benchmark::DoNotOptimize(data->Matrix(kOtus, kCharacters));
  }
  const double bytes = static_cast<double>(file.size());
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["MB/s"] =
      benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = bytes / 1e6;
}
BENCHMARK(BM_ReadBinaryDataSets)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
