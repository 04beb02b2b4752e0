#include "resampling/uniform_source.h"

#include <cmath>

namespace marbleset {

namespace {
// SplitMix64 spreads any seed, 0 included, over a state that is never all zero.
std::uint64_t SplitMix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}
}  // namespace

UniformSource::UniformSource(std::uint64_t seed) {
  for (auto& word : state_) word = SplitMix64(seed);
}

int UniformSource::PercentTenths(double percent) {
  // percent * 10 of a value with one decimal lies within a rounding error of a whole number.
  return static_cast<int>(std::lround(percent * 10.0));
}

std::uint32_t UniformSource::PercentageCut(double percent) {
  // The first 24-bit draw for which the test fails, by bisection over 0..2^24.
  std::uint32_t low = 0, high = 1u << 24;
  while (low < high) {
    const std::uint32_t mid = low + (high - low) / 2;
    if (PercentageFromDraw(static_cast<float>(mid) * 0x1p-24f, percent)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

}  // namespace marbleset
