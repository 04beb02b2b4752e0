// The one source of random numbers for every generator, and the draws made from it.
//
// The generator is xoshiro256** (Blackman and Vigna), its state filled from the seed by
// SplitMix64. Both are integer-only, so the same seed gives the same sequence on every
// platform and standard library; a library distribution would not.
#pragma once

#include <array>
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

  // floor(r * n) + 1: an index in 1..n.
  int IndexDraw(int n) { return IndexFromDraw(Next(), n); }
  // True with probability P / 1000, P in tenths of a percent.
  bool PercentageTest(int P) { return PercentageFromDraw(Next(), P); }
  // 0 when r < 0.5, else 1.
  int Coin() { return CoinFromDraw(Next()); }

  // The percentage test for one setting P, decided on the draw's 24 bits: the test holds
  // exactly when they are below PercentageCut(P). A float product never shrinks as r grows, so
  // the answers are those of the float formula, without a float product for every cell.
  static std::uint32_t PercentageCut(int P);
  bool BelowCut(std::uint32_t cut) { return NextTop24() < cut; }

  // The derived draws for a given r, in single precision as the generators have always made
  // them: n and 1000 / P are floats before the product, so files stay the same across builds.
  static int IndexFromDraw(float r, int n) {
    const int k = static_cast<int>(r * static_cast<float>(n)) + 1;
    // Even the largest r, 1 - 2^-24, gives a float product below n for every n the data set
    // can hold; the guard only keeps an out-of-range index impossible beyond that.
    return k > n ? n : k;
  }
  static bool PercentageFromDraw(float r, int P) {
    // floor(x) = 0 for x >= 0 is x < 1.
    return r * (1000.0f / static_cast<float>(P)) < 1.0f;
  }
  static int CoinFromDraw(float r) { return static_cast<int>(2.0f * r); }

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
