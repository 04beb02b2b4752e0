// A data set at the full capacity, 1000 OTUs by 5000 characters, binary and quantitative,
// through every command: open (PHYLIP and NTSYS), save in both layouts, crop, every distance
// coefficient with every missing-data policy, and the generators with 10 data sets each (all six
// for binary data; the four offered for quantitative data).
// The whole must stay within the memory a modest machine gives it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <ostream>
#include <random>
#include <string>

#include "dataset/data_loader.h"
#include "distances/distance_run.h"
#include "editing/data_writer.h"
#include "editing/screening.h"
#include "reliability_support.h"
#include "resampling/generators.h"

#if defined(__SANITIZE_ADDRESS__)
#define MARBLESET_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MARBLESET_UNDER_ASAN 1
#endif
#endif

namespace marbleset {
namespace {

using testing::DiscardBuffer;
using testing::ScratchFolder;

// Binary cells are 0 or 1 with a few missing entries in the first OTUs, so cropping removes
// some characters and keeps most; quantitative cells are spread over several magnitudes.
void FillFullCapacity(DataSet& data, bool quantitative) {
  std::mt19937 random(quantitative ? 2 : 1);
  data.NOtu = kMaxOtu;
  data.NChar = kMaxChar;
  data.Quantitative = quantitative ? 1 : 0;
  data.MissingValue = quantitative ? -9999.0f : 2.0f;
  // Hundredths up to 50: the writer keeps 7 significant digits, so these come back exactly.
  std::uniform_int_distribution<int> hundredths(-5000, 5000);
  for (int i = 1; i <= kMaxOtu; ++i) {
    std::string name = "OTU" + std::to_string(i);
    name.resize(12, ' ');
    data.OtuName[i] = name;
    float* row = data.Row(i);
    for (int j = 1; j <= kMaxChar; ++j) {
      row[j] = quantitative ? static_cast<float>(hundredths(random) / 100.0)
                            : static_cast<float>(random() & 1);
    }
  }
  for (int i = 1; i <= 10; ++i) data.Matrix(i, i * 37) = data.MissingValue;
}

bool SameValues(const DataSet& a, const DataSet& b) {
  if (a.NOtu != b.NOtu || a.NChar != b.NChar) return false;
  for (int i = 1; i <= a.NOtu; ++i) {
    if (a.OtuName[i] != b.OtuName[i]) return false;
    for (int j = 1; j <= a.NChar; ++j) {
      if (a.Matrix(i, j) != b.Matrix(i, j)) return false;
    }
  }
  return true;
}

// Prints how long the phase since the last call took, wall clock and processor time, so a slow
// run shows where its time went.
void Phase(const char* name) {
  static auto wall = std::chrono::steady_clock::now();
  static std::clock_t cpu = std::clock();
  const auto now = std::chrono::steady_clock::now();
  const std::clock_t cpu_now = std::clock();
  std::printf("  %-24s %6.2f s wall, %6.2f s processor\n", name,
              std::chrono::duration<double>(now - wall).count(),
              static_cast<double>(cpu_now - cpu) / CLOCKS_PER_SEC);
  wall = now;
  cpu = cpu_now;
}

long PeakMemoryMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;  // kilobytes on Linux
}

void EveryDistance(const DataSet& data) {
  const bool quantitative = data.Quantitative != 0;
  const int coefficients = static_cast<int>(CoefficientNames(quantitative).size());
  const int policies = static_cast<int>(MissingPolicyNames(quantitative).size());
  for (int c = 0; c < coefficients; ++c) {
    for (int p = 0; p < policies; ++p) {
      DistanceSettings settings;
      settings.coefficient = c;
      settings.policy = p;
      // Averaging writes one line, so the pass over all pairs dominates: the whole square
      // is computed either way.
      settings.averaging = true;
      DiscardBuffer discard;
      std::ostream out(&discard);
      TextSink sink(out, "discard");
      SCOPED_TRACE(std::string(CoefficientNames(quantitative)[c]) + " / " +
                   std::string(MissingPolicyNames(quantitative)[p]));
      EXPECT_NO_THROW(DistanceMatrixPass(data, settings, sink));
      sink.Flush();
      EXPECT_GT(discard.written(), 0u);
    }
  }
  Phase("every distance");
  // One full matrix as the file holds it: 1000 rows of 1000 values.
  DistanceSettings settings;
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  DistanceMatrixPass(data, settings, sink);
  sink.Flush();
  EXPECT_GT(discard.written(), 1000u * 1000u * 2u);
}

void EveryGenerator(const DataSet& data) {
  UniformSource source;
  NoProgress progress;
  constexpr int16_t kTenDataSets = 100;
  auto run = [&](const char* name, auto&& generate) {
    SCOPED_TRACE(name);
    DiscardBuffer discard;
    std::ostream out(&discard);
    TextSink sink(out, "discard");
    generate(sink);
    sink.Flush();
    // Ten data sets of 1000 rows of 5000 values take well over 10 * 1000 * 5000 bytes.
    EXPECT_GT(discard.written(), 10u * 1000u * 5000u) << name;
    Phase(name);
  };
  run("BootStraps",
      [&](TextSink& s) { GenerateBootStraps(data, source, kTenDataSets, 350, s, progress); });
  run("Permutations",
      [&](TextSink& s) { GeneratePermutations(data, source, kTenDataSets, s, progress); });
  run("GenStraps",
      [&](TextSink& s) { GenerateGenStraps(data, source, kTenDataSets, s, progress); });
  // M = 10000 tenths draws all 1000 OTUs: the distinct pick at its hardest.
  run("Resamplings",
      [&](TextSink& s) { GenerateResamplings(data, source, kTenDataSets, 10000, s, progress); });
  // MissStraps and noise change binary entries; quantitative data is not offered them.
  if (data.Quantitative != 0) return;
  run("MissStraps",
      [&](TextSink& s) { GenerateMissStraps(data, source, kTenDataSets, s, progress); });
  run("Noise", [&](TextSink& s) { GenerateNoise(data, source, kTenDataSets, 100, s, progress); });
}

TEST(FullCapacity, EveryCommandOnAThousandOtusByFiveThousandCharacters) {
  const auto start = std::chrono::steady_clock::now();
  Phase("start");
  ScratchFolder folder;
  for (const bool quantitative : {false, true}) {
    SCOPED_TRACE(quantitative ? "quantitative" : "binary");
    const DataKind kind = quantitative ? DataKind::kQuantitative : DataKind::kBinary;
    auto original = std::make_unique<DataSet>();
    FillFullCapacity(*original, quantitative);

    // Save in both layouts, open both again: the same data comes back.
    const std::string phylip = folder / "full.phy";
    const std::string ntsys = folder / "full.nts";
    WritePhylipData(*original, phylip);
    WriteNtsysData(*original, ntsys);
    Phase("save both layouts");
    auto loaded = std::make_unique<DataSet>();
    ASSERT_EQ(LoadDataFile(*loaded, ntsys, kind, Layout::kNtsys), ReadStatus::kOk);
    EXPECT_TRUE(SameValues(*original, *loaded));
    ASSERT_EQ(LoadDataFile(*loaded, phylip, kind, Layout::kPhylip), ReadStatus::kOk);
    EXPECT_TRUE(SameValues(*original, *loaded));
    EXPECT_EQ(loaded->MultiSet, 0);
    original.reset();
    Phase("open both layouts");

    EveryDistance(*loaded);
    EveryGenerator(*loaded);

    if (!quantitative) {
      // Crop last, since it rewrites the data set: only the ten characters with a missing
      // entry go (random columns of 1000 OTUs are neither monomorphic nor uninformative).
      CropChoice everything{true, true, true, false};
      ApplyCrop(*loaded, everything);
      EXPECT_EQ(loaded->NChar, kMaxChar - 10);
      EXPECT_EQ(loaded->NOtu, kMaxOtu);
      CropChoice otus;
      otus.otus_with_missing = true;
      ApplyCrop(*loaded, otus);
      EXPECT_EQ(loaded->NOtu, kMaxOtu);
      WritePhylipData(*loaded, phylip);
      Phase("crop and save");
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long megabytes = PeakMemoryMegabytes();
  std::printf("full capacity: %.1f s, peak memory %ld MB\n", seconds, megabytes);
  RecordProperty("seconds", std::to_string(seconds));
  RecordProperty("peak_memory_mb", std::to_string(megabytes));
#ifndef MARBLESET_UNDER_ASAN
  // AddressSanitizer keeps freed memory in quarantine and shadows all of it, so the figure
  // only means something in a plain build.
  EXPECT_LT(megabytes, 200);
#endif
}

}  // namespace
}  // namespace marbleset
