// Reading VCF and delimited tables at the sizes users bring: a 2000-sample x 100,000-variant VCF.gz
// (the fast genotype scanner against htslib's full record parser) and a 1000 x 5000 CSV table.
#include <benchmark/benchmark.h>
#include <htslib/bgzf.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "formats/delimited_reader.h"
#include "formats/vcf_reader.h"

namespace marbleset {
namespace {

constexpr int kSamples = 2000;
constexpr int kVariants = 100000;

// A bgzipped VCF of diploid genotypes in Hardy-Weinberg proportions at allele frequencies from
// 1 % to 50 %, 1 % missing, written once per run in a temporary folder.
const std::string& LargeVcf() {
  static const std::string path = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "marbleset-bench-XXXXXX").string();
    const std::string folder = mkdtemp(pattern.data());
    const std::string file = folder + "/large.vcf.gz";
    BGZF* out = bgzf_open(file.c_str(), "w1");
    bgzf_mt(out, 2, 256);
    std::string text =
        "##fileformat=VCFv4.2\n##contig=<ID=1,length=10000000>\n"
        "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (int s = 0; s < kSamples; ++s) text.append("\tS").append(std::to_string(s));
    text += '\n';
    std::mt19937_64 draw(1);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int v = 0; v < kVariants; ++v) {
      // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on chains of +.
      text.append("1\t").append(std::to_string(10 * v + 1)).append("\tv");
      text.append(std::to_string(v)).append("\tA\tG\t.\tPASS\t.\tGT");
      const double p = 0.01 + 0.49 * unit(draw);
      for (int s = 0; s < kSamples; ++s) {
        if (unit(draw) < 0.01) {
          text += "\t./.";
          continue;
        }
        const int alternative = (unit(draw) < p) + (unit(draw) < p);
        text += alternative == 0 ? "\t0/0" : alternative == 1 ? "\t0/1" : "\t1/1";
      }
      text += '\n';
      if (text.size() > (1 << 22)) {
        if (bgzf_write(out, text.data(), text.size()) < 0) abort();
        text.clear();
      }
    }
    if (bgzf_write(out, text.data(), text.size()) < 0 || bgzf_close(out) != 0) abort();
    return file;
  }();
  return path;
}

// CPU seconds of the whole process (the decompression threads included): on a shared machine
// the wall time says more about the other load than about the read.
double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

void Report(benchmark::State& state, const DataSet& data) {
  state.counters["samples"] = static_cast<double>(data.OtuCount());
  state.counters["variants"] = static_cast<double>(data.CharCount());
  state.counters["MB_on_disk"] = static_cast<double>(std::filesystem::file_size(LargeVcf())) / 1e6;
}

void BM_VcfGz2000x100000_Binary(benchmark::State& state) {
  const std::string& path = LargeVcf();
  for (auto _ : state) {
    VcfReport report;
    const double start = ProcessSeconds();
    const DataSet data = ReadVcf(path, {}, report);
    state.counters["process_cpu_s"] = ProcessSeconds() - start;
    benchmark::DoNotOptimize(data.OnesRow(0));
    Report(state, data);
  }
}
BENCHMARK(BM_VcfGz2000x100000_Binary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_VcfGz2000x100000_AlternativeAlleleCounts(benchmark::State& state) {
  const std::string& path = LargeVcf();
  VcfOptions options;
  options.kind = DataKind::kQuantitative;
  for (auto _ : state) {
    VcfReport report;
    const double start = ProcessSeconds();
    const DataSet data = ReadVcf(path, options, report);
    state.counters["process_cpu_s"] = ProcessSeconds() - start;
    benchmark::DoNotOptimize(data.Row(0));
    Report(state, data);
  }
}
BENCHMARK(BM_VcfGz2000x100000_AlternativeAlleleCounts)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The same file through htslib's full record parser (bcf_read, bcf_get_genotypes).
void BM_VcfGz2000x100000_Binary_HtslibRecords(benchmark::State& state) {
  const std::string& path = LargeVcf();
  for (auto _ : state) {
    VcfReport report;
    const double start = ProcessSeconds();
    const DataSet data = ReadVcfThroughRecords(path, {}, report);
    state.counters["process_cpu_s"] = ProcessSeconds() - start;
    benchmark::DoNotOptimize(data.OnesRow(0));
    Report(state, data);
  }
}
BENCHMARK(BM_VcfGz2000x100000_Binary_HtslibRecords)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_Csv1000x5000_Quantitative(benchmark::State& state) {
  std::string text = "name";
  for (int k = 0; k < 5000; ++k) text.append(",").append(std::to_string(k + 1));
  text += '\n';
  std::mt19937 draw(2);
  for (int i = 0; i < 1000; ++i) {
    text.append("OTU").append(std::to_string(i));
    for (int k = 0; k < 5000; ++k) text.append(",").append(std::to_string(draw() % 1000 / 8.0));
    text += '\n';
  }
  for (auto _ : state) {
    const DataSet data = ReadDelimitedText(text, "bench.csv", {});
    benchmark::DoNotOptimize(data.Row(0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Csv1000x5000_Quantitative)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace marbleset
