// The one source of random numbers for every generator, and the draws made from it.
//
// The generator is xoshiro256** (Blackman and Vigna), its state filled from the whole 64-bit seed
// by SplitMix64. Both are integer-only, so the same seed gives the same sequence on every
// platform and standard library; a library distribution would not.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace marbleset {

class UniformSource {
 public:
  // Every program start begins from the same state, so the first runs are reproducible.
  static constexpr std::uint64_t kDefaultSeed = 0;
  explicit UniformSource(std::uint64_t seed = kDefaultSeed);

  // A single-precision value uniform on [0, 1): the top 24 bits of the next output scaled by
  // 2^-24, which a float holds exactly.
  float Next() { return static_cast<float>(NextTop24()) * 0x1p-24f; }
  // The same draw as its 24 bits: Next() is NextTop24() * 2^-24.
  std::uint32_t NextTop24() { return static_cast<std::uint32_t>(NextBits() >> 40); }

  // An index in 0..n-1, each equally likely (n >= 1); one draw.
  std::size_t IndexDraw(std::size_t n) {
    const std::uint64_t bits = NextBits();
    if (n <= kSinglePrecisionIndexLimit) {
      return IndexFromDraw(static_cast<float>(bits >> 40) * 0x1p-24f, n);
    }
    return IndexFromWideDraw(bits, n);
  }
  // True with the probability percent / 100, percent counted to one decimal (see PercentTenths).
  bool PercentageTest(double percent) { return PercentageFromDraw(Next(), percent); }
  // 0 when the draw is below 0.5, else 1.
  int Coin() { return static_cast<int>(NextTop24() >> 23); }

  // The percentage test for one percentage, decided on the draw's 24 bits: the test holds exactly
  // when they are below PercentageCut(percent). A float product never shrinks as the draw grows,
  // so the answers are those of the float formula, without a float product for every cell.
  static std::uint32_t PercentageCut(double percent);
  bool BelowCut(std::uint32_t cut) { return NextTop24() < cut; }

  // The percentage in tenths, as the draws count it: 12.4 is 124, and a second decimal does not
  // count (12.46 is 125). Exact for every percentage a field or option with one decimal gives.
  static int PercentTenths(double percent);

  // Up to this many indices an index draw is the single-precision formula floor(r * n), n a
  // float before the product, so a seed gives the same files for data of up to 5000 characters
  // and 1000 OTUs on every build. Beyond it 24 bits would reach the indices unevenly,
  // so the draw takes 53 bits of the output.
  static constexpr std::size_t kSinglePrecisionIndexLimit = 5000;

  // The derived draws for a given r, in single precision: n and 1000 / tenths are floats before
  // the product, so a seed gives the same file on every build and platform.
  static std::size_t IndexFromDraw(float r, std::size_t n) {
    const auto k = static_cast<std::size_t>(r * static_cast<float>(n));
    // The float product can round up to n for the largest draws; the guard keeps the index in
    // range.
    return k >= n ? n - 1 : k;
  }
  static bool PercentageFromDraw(float r, double percent) {
    // floor(x) = 0 for x >= 0 is x < 1.
    return r * (1000.0f / static_cast<float>(PercentTenths(percent))) < 1.0f;
  }
  static std::size_t IndexFromWideDraw(std::uint64_t bits, std::size_t n) {
    const double r = static_cast<double>(bits >> 11) * 0x1p-53;
    const auto k = static_cast<std::size_t>(r * static_cast<double>(n));
    return k >= n ? n - 1 : k;
  }

  // Same state: the next draws of both sources will be the same.
  bool operator==(const UniformSource&) const = default;

 private:
  std::uint64_t NextBits() {
    const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }
  static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  std::array<std::uint64_t, 4> state_;
};

}  // namespace marbleset
