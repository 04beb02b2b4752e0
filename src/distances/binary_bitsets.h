// Binary data packed 64 characters to a word, for counting matches by popcount.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "distances/marker_statistics.h"

namespace marbleset {

// Three planes per word, interleaved (ones, valid, missing), so one OTU's planes are one
// contiguous run of memory; layout as kernels::BinaryCounts expects.
struct BinaryPlanes {
  int words = 0;
  std::size_t stride = 0;  // 3 * words
  int shape = 0;           // kernels::BinaryShape flags
  std::vector<std::uint64_t> bits;

  const std::uint64_t* Otu(int i) const {
    return bits.data() + static_cast<std::size_t>(i) * stride;
  }
};

// How a missing entry is filled in before packing. Policies "0", "1" and "Marker mode" add to
// a, d and m exactly what a 0, a 1 or the character's mode in place of the missing entry would
// add, so the data can be packed with the entry filled in and counted without missing entries.
enum class MissingFill { kKeep, kZero, kOne, kMode };

BinaryPlanes PackBinary(const DataSet& data, MissingFill fill, const MarkerStatistics& stats);

}  // namespace marbleset
