// What a generator of resampled data sets is asked for, in the core's own terms, with the
// bounds and defaults both front ends offer. The desktop's fields hold tenths and the CLI its
// options; each translates at its own edge into these values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dataset/data_set.h"

namespace marbleset {

enum class Generator {
  kBootStraps,
  kPermutations,
  kGenStraps,
  kRandomResampling,
  kMissStraps,
  kNoise,
};

// A setting's range and start, in the setting's own unit. A field may step by `step`.
struct SettingBounds {
  double lowest;
  double highest;
  double step;
  double start;
};

// Number of data sets a run writes: 10 to 1000, 100 to start.
inline constexpr SettingBounds kDataSetCountBounds{10, 1000, 10, 100};
// "Bootstrap %": the share of characters drawn anew, 1 to 50 (one decimal), 35 to start.
inline constexpr SettingBounds kBootstrapPercentBounds{1, 50, 1, 35};
// "Noise %": the share of 0 and 1 cells flipped, 1 to 100 (one decimal), 10 to start.
inline constexpr SettingBounds kNoisePercentBounds{1, 100, 1, 10};
// "Number of OTUs" of random resampling: 1 to all the OTUs, all of them to start.
SettingBounds OtuCountBounds(const DataSet& data);

struct GeneratorSettings {
  Generator generator = Generator::kBootStraps;
  std::size_t dataSets = 100;
  // Bootstrap % or Noise %; at most one decimal counts (12.4 and 35 as typed).
  double percent = 35;
  // Random resampling: OTUs in each data set.
  std::size_t otus = 0;
  // Where a run's random numbers start when it is given no source of its own (the CLI's --seed);
  // the desktop program's runs go on with one source from run to run instead.
  std::uint64_t seed = 0;
};

// The settings a generator starts from for the loaded data.
GeneratorSettings DefaultGeneratorSettings(Generator generator, const DataSet& data);

// Whether the generator is offered for this data (MissStraps and noise: binary data only).
bool IsOffered(Generator generator, const DataSet& data);

// Throws Failure with a sentence naming the setting and its bounds when a value is outside them
// or the generator is not offered for the data; nothing is written before this check.
void CheckGeneratorSettings(const GeneratorSettings& settings, const DataSet& data);

// "Generating BootStraps" and the like, as the progress window shows them.
std::string_view GeneratorLabel(Generator generator);

// Whether the generator reads settings.percent ("Bootstrap %" or "Noise %") and its bounds.
bool UsesPercent(Generator generator);
SettingBounds PercentBounds(Generator generator);

}  // namespace marbleset
