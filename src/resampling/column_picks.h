// Which input column stands at each output position of a resampled data set, and the bit gather
// that builds rows (or a whole new data set) from such picks. The generators use the bootstrap
// and permutation picks; the tree builder draws its bootstrap or jackknife replicates here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// picks[j]: the input character (from 0) written at output position j.
using ColumnPicks = std::vector<std::size_t>;

// "Bootstrap %" picks of BootStraps, characters positions long: each position is replaced with
// the probability percent / 100 (percent to one decimal) by the column of another position that
// has not been replaced earlier in the pass; when no such position is left, the position keeps
// its own column. One decision draw per position, then that position's candidate draws.
void DrawBootstrapPicks(std::size_t characters, double percent, UniformSource& source,
                        ColumnPicks& picks);

// Permutations: each position in turn swaps with a position drawn over all of them (not the
// uniform shuffle, so that a seed keeps giving the same file). One draw per position.
void DrawPermutationPicks(std::size_t characters, UniformSource& source, ColumnPicks& picks);

// The classic bootstrap of tree building: as many columns as there are characters, each drawn
// over all of them with replacement (one draw each), in ascending order.
void DrawClassicBootstrapPicks(std::size_t characters, UniformSource& source, ColumnPicks& picks);

// The jackknife of half the characters: (characters + 1) / 2 distinct columns, each subset
// equally likely, in ascending order; one draw per column kept.
void DrawJackknifePicks(std::size_t characters, UniformSource& source, ColumnPicks& picks);

// Bit b of out[w] becomes bit picks[64 w + b] of row, for the count picks; the bits of the last
// word past count become 0. out holds (count + 63) / 64 words.
void GatherBits(const std::uint64_t* row, const std::size_t* picks, std::size_t count,
                std::uint64_t* out);

// A new data set of the same kind, OTUs, names and missing value whose character j is the
// input's character picks[j]; binary data is gathered from the bit planes, 64 cells a word,
// and cells other than 0, 1 and missing keep their values. Throws MemoryFailure when the new
// matrix does not fit within the input's memory limit (or the memory available).
DataSet PickColumns(const DataSet& data, const ColumnPicks& picks);

}  // namespace marbleset
