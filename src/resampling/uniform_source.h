// The one source of random numbers for every generator, and the draws made from it.
#pragma once

#include <cstdint>

namespace marbleset {

class UniformSource {
 public:
  // Every program start begins from the same state, so the first runs are reproducible.
  static constexpr std::uint64_t kDefaultSeed = 0;
  explicit UniformSource(std::uint64_t seed = kDefaultSeed);

  // A single-precision value uniform on [0, 1).
  float Next();
  // floor(r * n) + 1: an index in 1..n.
  int IndexDraw(int n);
  // True with probability P / 1000, P in tenths of a percent.
  bool PercentageTest(int P);
  // 0 when r < 0.5, else 1.
  int Coin();
};

}  // namespace marbleset
