#include "distances/permutation_test.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "dataset/errors.h"
#include "dataset/worker_pool.h"

namespace marbleset {

namespace {
// SplitMix64's step and mix: every (stream, permutation) gets an unrelated stream of draws.
std::uint64_t Mixed(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

constexpr double kRoundingShare = 1e-10;
}  // namespace

void CheckPermutationSettings(const PermutationSettings& settings) {
  if (static_cast<double>(settings.permutations) > kPermutationBounds.highest)
    throw Failure("The number of permutations must be from 0 to 99999.");
}

UniformSource PermutationSource(std::uint64_t seed, std::size_t stream, std::size_t permutation) {
  const std::uint64_t streamSeed = Mixed(seed + 0x9e3779b97f4a7c15ULL * (stream + 1));
  return UniformSource(Mixed(streamSeed + 0x9e3779b97f4a7c15ULL * (permutation + 1)));
}

void Shuffle(std::vector<std::size_t>& items, UniformSource& source) {
  for (std::size_t i = items.size(); i > 1; --i)
    std::swap(items[i - 1], items[source.IndexDraw(i)]);
}

void RunPermutationBlocks(std::size_t count, int threads, Progress& progress, double start,
                          double end, const std::function<void(std::size_t, std::size_t)>& run) {
  // Waves of one block per thread, so the calling thread can move the bar and hear a Cancel
  // between them without the workers ever touching progress.
  const std::size_t workers = WorkerCount(threads);
  const std::size_t waves = std::min<std::size_t>(count, 20);
  for (std::size_t wave = 0; wave < waves; ++wave) {
    ThrowIfCancelled(progress);
    const std::size_t first = count * wave / waves, last = count * (wave + 1) / waves;
    TaskGroup group;
    for (std::size_t w = 0; w < workers; ++w) {
      const std::size_t from = first + (last - first) * w / workers;
      const std::size_t to = first + (last - first) * (w + 1) / workers;
      if (from < to) group.Run([&run, from, to] { run(from, to); });
    }
    group.Wait();
    progress.Advance(start +
                     (end - start) * static_cast<double>(wave + 1) / static_cast<double>(waves));
  }
}

bool AtLeast(double permuted, double observed) {
  return permuted >= observed - kRoundingShare * std::max(1.0, std::fabs(observed));
}

bool AtMost(double permuted, double observed) {
  return permuted <= observed + kRoundingShare * std::max(1.0, std::fabs(observed));
}

double PermutationPValue(std::size_t asExtreme, std::size_t permutations) {
  if (permutations == 0) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(asExtreme + 1) / static_cast<double>(permutations + 1);
}

}  // namespace marbleset
