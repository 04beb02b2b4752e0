// What AMOVA and the Mantel test share: their permutations drawn from a seed, run on the worker
// pool, and the p-value counted from them. Permutation k draws from its own seed, derived from
// the run's seed and k, so a seed gives the same p-values on every machine and for any number
// of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "dataset/progress.h"
#include "resampling/generator_settings.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// Permutations of a test: 0 (no test) to 99,999; 999 to start, so p-values come in steps of
// 1/1000.
inline constexpr SettingBounds kPermutationBounds{0, 99999, 1, 999};

struct PermutationSettings {
  std::size_t permutations = 999;
  std::uint64_t seed = UniformSource::kDefaultSeed;
  int threads = 0;  // 0: one per core
};

// Throws Failure when the number of permutations lies outside kPermutationBounds.
void CheckPermutationSettings(const PermutationSettings& settings);

// The source permutation k of a test draws from; stream tells the tests of one run apart.
UniformSource PermutationSource(std::uint64_t seed, std::size_t stream, std::size_t permutation);

// items in a uniformly drawn order (Fisher and Yates).
void Shuffle(std::vector<std::size_t>& items, UniformSource& source);

// Calls run(first, last) for blocks of the permutations 0..count-1 on settings.threads threads;
// run keeps what permutation k gives at k of its own results, so the blocks may run in any
// order. progress moves from start to end percent; throws RunCancelled when it asks to stop.
void RunPermutationBlocks(std::size_t count, int threads, Progress& progress, double start,
                          double end, const std::function<void(std::size_t, std::size_t)>& run);

// Whether a permuted statistic is at least as far out as the observed one; values within
// rounding of it count as reaching it, since the same sums in another order differ by that.
bool AtLeast(double permuted, double observed);
bool AtMost(double permuted, double observed);

// (as extreme + 1) / (permutations + 1): the observed arrangement counts as one of those drawn.
// NaN without permutations.
double PermutationPValue(std::size_t asExtreme, std::size_t permutations);

}  // namespace marbleset
