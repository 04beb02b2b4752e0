// How far a quantitative cell of the fast pass may lie from the reference's, and whether the
// six decimals written for it are settled within that margin. The fast pass sums in another
// order than the reference, so the two may differ in the last bits; where that could change
// the text, the pass takes the reference's cell instead, and the files stay the same.
#pragma once

#include <cstddef>

namespace marbleset {

// Bound on |fast - reference| of a sum of chars terms, relative to the sum of the terms'
// magnitudes. The reference adds the terms one after another, within chars units in the last
// place of the exact sum; the fast pass adds a chunk of 1024 characters in each of at least
// four lanes (256 in a row), then the chunks, then the lanes; a few roundings come around both.
inline constexpr double kUnitRoundoff = 1.0 / 9007199254740992.0;  // 2^-53
inline double SumErrorFactor(std::size_t chars) {
  const double depth = static_cast<double>(chars);
  const double fastDepth = 256.0 + depth / 1024.0 + 8.0;
  return (depth + (depth < fastDepth ? depth : fastDepth) + 16.0) * kUnitRoundoff;
}

// True when every number within margin of value is written with the same text (six decimals,
// rounded to nearest), so that a cell anywhere in that range reads the same in the file.
bool TextSettled(double value, double margin);

}  // namespace marbleset
