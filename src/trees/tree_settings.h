// What a supported-tree run is asked for, in the core's own terms, with the bounds and
// defaults both front ends offer: replicates, the kind of resampling and its percent, the tree
// method, the distance coefficient and missing-data policy, and the seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "dataset/data_set.h"
#include "distances/distance_settings.h"
#include "resampling/generator_settings.h"
#include "trees/neighbor_joining.h"

namespace marbleset {

enum class Resampling {
  kBootstrap,  // the BootStraps generator's draw: each position replaced with "Bootstrap %"
  kClassic,    // all characters drawn with replacement
  kJackknife,  // half the characters drawn without replacement
};

// Replicates of a run: 10 to 10,000, 100 to start.
inline constexpr SettingBounds kReplicateBounds{10, 10000, 10, 100};
// The percent of the bootstrap kind: the generator's "Bootstrap %" bounds and start.
inline constexpr SettingBounds kReplicatePercentBounds = kBootstrapPercentBounds;

struct TreeSettings {
  std::size_t replicates = 100;
  Resampling resampling = Resampling::kBootstrap;
  double percent = 35;  // Bootstrap %, for kBootstrap only; one decimal counts
  TreeMethod method = TreeMethod::kNeighborJoining;
  DistanceSettings distance;  // always distances; averaging does not apply
  std::uint64_t seed = 0;
  int threads = 0;  // 0: every core
};

// The kinds and methods in the order the lists show them, and their names:
// "Bootstrap", "Classic bootstrap", "Jackknife"; "Neighbor-joining", "UPGMA".
std::span<const Resampling> ResamplingKinds();
std::span<const TreeMethod> TreeMethods();
std::string_view ResamplingName(Resampling resampling);
// Its word on marbleset-cli's command line: "bootstrap", "classic", "jackknife".
std::string_view ResamplingWord(Resampling resampling);
std::string_view TreeMethodName(TreeMethod method);
// Its word on marbleset-cli's command line: "nj", "upgma".
std::string_view TreeMethodWord(TreeMethod method);

// The settings a run starts from for the loaded data: the kind's distance defaults.
TreeSettings DefaultTreeSettings(const DataSet& data);

// Throws Failure with a sentence naming the setting and its bounds when a value is outside them,
// the coefficient or policy is not offered for the data, or the data has too few OTUs (3) or no
// characters; nothing is computed before this check.
void CheckTreeSettings(const TreeSettings& settings, const DataSet& data);

// The seed of one replicate's draws, from the run's seed and the replicate's number, so that
// a replicate draws the same whichever thread computes it.
std::uint64_t ReplicateSeed(std::uint64_t seed, std::size_t replicate);

}  // namespace marbleset
