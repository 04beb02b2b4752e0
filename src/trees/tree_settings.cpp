#include "trees/tree_settings.h"

#include <array>
#include <cmath>
#include <string>

#include "dataset/errors.h"

namespace marbleset {

namespace {

constexpr std::array kResamplingKinds{Resampling::kBootstrap, Resampling::kClassic,
                                      Resampling::kJackknife};
constexpr std::array kTreeMethods{TreeMethod::kNeighborJoining, TreeMethod::kUpgma};

std::string Number(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.ends_with('.')) text.pop_back();
  return text;
}

}  // namespace

std::span<const Resampling> ResamplingKinds() {
  return kResamplingKinds;
}
std::span<const TreeMethod> TreeMethods() {
  return kTreeMethods;
}

std::string_view ResamplingWord(Resampling resampling) {
  switch (resampling) {
    case Resampling::kClassic:
      return "classic";
    case Resampling::kJackknife:
      return "jackknife";
    case Resampling::kBootstrap:
      break;
  }
  return "bootstrap";
}

std::string_view ResamplingName(Resampling resampling) {
  switch (resampling) {
    case Resampling::kBootstrap:
      return "Bootstrap";
    case Resampling::kClassic:
      return "Classic bootstrap";
    case Resampling::kJackknife:
      return "Jackknife";
  }
  return "";
}

std::string_view TreeMethodName(TreeMethod method) {
  return method == TreeMethod::kUpgma ? "UPGMA" : "Neighbor-joining";
}

std::string_view TreeMethodWord(TreeMethod method) {
  return method == TreeMethod::kUpgma ? "upgma" : "nj";
}

TreeSettings DefaultTreeSettings(const DataSet& data) {
  TreeSettings settings;
  settings.replicates = static_cast<std::size_t>(kReplicateBounds.start);
  settings.percent = kReplicatePercentBounds.start;
  settings.distance = DefaultDistanceSettings(data.Kind());
  return settings;
}

void CheckTreeSettings(const TreeSettings& settings, const DataSet& data) {
  const double replicates = static_cast<double>(settings.replicates);
  if (replicates < kReplicateBounds.lowest || replicates > kReplicateBounds.highest)
    throw Failure("The number of replicates must be from " + Number(kReplicateBounds.lowest) +
                  " to " + Number(kReplicateBounds.highest) + ".");
  if (settings.resampling == Resampling::kBootstrap &&
      !(settings.percent >= kReplicatePercentBounds.lowest &&
        settings.percent <= kReplicatePercentBounds.highest))
    throw Failure("\"Bootstrap %\" must be from " + Number(kReplicatePercentBounds.lowest) +
                  " to " + Number(kReplicatePercentBounds.highest) + ".");
  if (!settings.distance.distances)
    throw Failure("Trees are built from distances, not similarities.");
  CheckDistanceSettings(settings.distance, data.Kind());
  if (data.OtuCount() < 3)
    throw Failure("A tree needs at least 3 OTUs; the data has " + std::to_string(data.OtuCount()) +
                  ".");
  if (data.CharCount() == 0) throw Failure("The data has no characters to resample.");
}

std::uint64_t ReplicateSeed(std::uint64_t seed, std::size_t replicate) {
  // SplitMix64's step and mix: distinct replicates of one seed get unrelated streams.
  std::uint64_t z = seed + 0x9e3779b97f4a7c15ULL * (static_cast<std::uint64_t>(replicate) + 1);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace marbleset
