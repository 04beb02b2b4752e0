// Which input character stands at each output position of a bootstrap or permutation data set.
#pragma once

#include <cstdint>
#include <vector>

#include "resampling/uniform_source.h"

namespace marbleset {

// CharPick[j], j = 1..n_char: the input column written at position j. Entry 0 is scratch.
using CharPicks = std::vector<int16_t>;

// Each position is replaced with probability P / 1000 (P in tenths of a percent) by the column
// of another position that has not been replaced earlier in the pass. When no such position is
// left, the position keeps its own column.
void DrawBootstrapPicks(int n_char, int P, UniformSource& source, CharPicks& pick);

// Each position in turn swaps with a position drawn over all of them.
void DrawPermutationPicks(int n_char, UniformSource& source, CharPicks& pick);

}  // namespace marbleset
