// Reading speed of the data file readers, on files written the way Marbleset writes them
// (blank before every token, 200 tokens to a line, CR LF):
// - 1000 binary data sets of 100 OTUs x 1000 characters (about 200 MB), read data set after
//   data set as the multi-set distance run reads them;
// - one binary data set of 2000 OTUs x 100,000 characters at 5 % missing entries (about
//   400 MB), loaded as the open command loads it;
// - one quantitative data set of 1000 OTUs x 5000 characters, values with 7 significant
//   digits (about 45 MB);
// - a single 200 MB line without a delimiter, which must take linear time;
// - beside them, the bare reading of each file (read(2) and a count of its line feeds), the
//   most any reader of the file could reach.
// Files are written once per run into the temporary folder and removed at exit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "formats/data_io.h"
#include "formats/item_reader.h"
#include "formats/phylip_reader.h"

namespace {

using marbleset::DataKind;
using marbleset::DataSet;
using marbleset::ItemReader;
using marbleset::ReadStatus;

constexpr int kTokensPerLine = 200;

// A temporary file filled by write(file) once, removed at exit.
class BenchFile {
 public:
  BenchFile(const std::string& stem, const std::function<void(std::FILE*)>& write)
      : path_(std::filesystem::temp_directory_path() /
              ("marbleset_reader_bench_" + stem + "_" + std::to_string(getpid()) + ".phy")) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path_.string());
    write(file);
    std::fclose(file);
    size_ = std::filesystem::file_size(path_);
  }
  ~BenchFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }
  double megabytes() const { return static_cast<double>(size_) / 1e6; }

 private:
  std::filesystem::path path_;
  std::uintmax_t size_ = 0;
};

std::string NameField(const std::string& name) {
  std::string field = name;
  field.resize(12, ' ');
  return field;
}

// Binary rows, one data set at a time so that writing needs little memory too.
void WriteBinary(std::FILE* file, int dataSets, int otus, int characters, double missing) {
  std::mt19937_64 random(12345);
  std::bernoulli_distribution isMissing(missing);
  std::string set;
  for (int s = 0; s < dataSets; ++s) {
    set.clear();
    set += " " + std::to_string(otus) + " " + std::to_string(characters) + "\r\n";
    for (int i = 1; i <= otus; ++i) {
      set += NameField("Otu" + std::to_string(i));
      for (int j = 1; j <= characters; ++j) {
        set += isMissing(random) ? " ?" : ((random() & 1) != 0 ? " 1" : " 0");
        if (j % kTokensPerLine == 0 && j < characters) set += "\r\n";
      }
      set += "\r\n";
      if (set.size() > (16 << 20)) {
        std::fwrite(set.data(), 1, set.size(), file);
        set.clear();
      }
    }
    std::fwrite(set.data(), 1, set.size(), file);
  }
}

// A value with 7 significant digits as the writers write it: no zero before the point, no
// trailing zeros, exponents outside 1E-04 to 1E+10.
std::string QuantToken(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7G", static_cast<double>(value));
  std::string token = text;
  if (token.find('E') == std::string::npos && token.find('.') != std::string::npos) {
    while (token.back() == '0') token.pop_back();
    if (token.back() == '.') token.pop_back();
  }
  if (token.rfind("0.", 0) == 0) token.erase(0, 1);
  if (token.rfind("-0.", 0) == 0) token.erase(1, 1);
  return " " + token;
}

void WriteQuantitative(std::FILE* file, int otus, int characters) {
  std::mt19937_64 random(54321);
  std::normal_distribution<float> value(0.0f, 50.0f);
  std::string set = " " + std::to_string(otus) + " " + std::to_string(characters) + "\r\n";
  for (int i = 1; i <= otus; ++i) {
    set += NameField("Otu" + std::to_string(i));
    for (int j = 1; j <= characters; ++j) {
      set += QuantToken(value(random));
      if (j % kTokensPerLine == 0 && j < characters) set += "\r\n";
    }
    set += "\r\n";
  }
  std::fwrite(set.data(), 1, set.size(), file);
}

const BenchFile& SmallSets() {
  static const BenchFile file("sets", [](std::FILE* f) { WriteBinary(f, 1000, 100, 1000, 0.0); });
  return file;
}
const BenchFile& WideBinary() {
  static const BenchFile file("wide", [](std::FILE* f) { WriteBinary(f, 1, 2000, 100000, 0.05); });
  return file;
}
const BenchFile& Quantitative() {
  static const BenchFile file("quant", [](std::FILE* f) { WriteQuantitative(f, 1000, 5000); });
  return file;
}
const BenchFile& LongLine() {
  static const BenchFile file("line", [](std::FILE* f) {
    const std::string block(1 << 20, 'x');
    for (int n = 0; n < 200; ++n) std::fwrite(block.data(), 1, block.size(), f);
    std::fputs("\r\n", f);
  });
  return file;
}

void Throughput(benchmark::State& state, const BenchFile& file) {
  state.SetBytesProcessed(static_cast<int64_t>(file.megabytes() * 1e6) * state.iterations());
  state.counters["MB/s"] =
      benchmark::Counter(file.megabytes(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = file.megabytes();
}

void BM_ReadBinaryDataSets(benchmark::State& state) {
  const BenchFile& file = SmallSets();
  auto data = std::make_unique<DataSet>();
  for (auto _ : state) {
    ItemReader in = ItemReader::OpenFile(file.path());
    int sets = 0;
    do {
      if (marbleset::ReadPhylipBinary(in, *data) != ReadStatus::kOk) {
        state.SkipWithError("a data set could not be read");
        return;
      }
      ++sets;
    } while (marbleset::FurtherDataSetFollows(in));
    if (sets != 1000) state.SkipWithError("wrong number of data sets");
    benchmark::DoNotOptimize(data->OnesRow(0));
  }
  Throughput(state, file);
}
BENCHMARK(BM_ReadBinaryDataSets)->Unit(benchmark::kMillisecond)->Iterations(3);

void Load(benchmark::State& state, const BenchFile& file, DataKind kind) {
  for (auto _ : state) {
    DataSet data;
    try {
      marbleset::LoadDataFile(data, file.path(), kind, marbleset::FileFormat::kPhylip);
    } catch (const marbleset::Failure&) {
      state.SkipWithError("the file could not be read");
      return;
    }
    benchmark::DoNotOptimize(data.Value(data.OtuCount() - 1, data.CharCount() - 1));
  }
  Throughput(state, file);
}

void BM_LoadBinary2000x100000(benchmark::State& state) {
  Load(state, WideBinary(), DataKind::kBinary);
}
BENCHMARK(BM_LoadBinary2000x100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadQuantitative1000x5000(benchmark::State& state) {
  Load(state, Quantitative(), DataKind::kQuantitative);
}
BENCHMARK(BM_LoadQuantitative1000x5000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadLongLine200MB(benchmark::State& state) {
  const BenchFile& file = LongLine();
  for (auto _ : state) {
    ItemReader in = ItemReader::OpenFile(file.path());
    benchmark::DoNotOptimize(in.NextItem().size());
  }
  Throughput(state, file);
}
BENCHMARK(BM_ReadLongLine200MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// The ceiling: the file's bytes read in chunks of a mebibyte and their line feeds counted.
void Bare(benchmark::State& state, const BenchFile& file) {
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    const int descriptor = open(file.path().c_str(), O_RDONLY);
    std::size_t lines = 0;
    for (ssize_t got; (got = read(descriptor, buffer.data(), buffer.size())) > 0;) {
      for (const char* p = buffer.data();
           (p = static_cast<const char*>(std::memchr(p, '\n', buffer.data() + got - p))) != nullptr;
           ++p) {
        ++lines;
      }
    }
    close(descriptor);
    benchmark::DoNotOptimize(lines);
    state.counters["lines"] = static_cast<double>(lines);
  }
  Throughput(state, file);
}
void BM_BareReadBinary2000x100000(benchmark::State& state) {
  Bare(state, WideBinary());
}
BENCHMARK(BM_BareReadBinary2000x100000)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_BareReadQuantitative1000x5000(benchmark::State& state) {
  Bare(state, Quantitative());
}
BENCHMARK(BM_BareReadQuantitative1000x5000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
