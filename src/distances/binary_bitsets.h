// Binary data packed for the pair kernels: the data set's bit planes, with missing entries
// filled in as the policy says, interleaved per OTU.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "distances/marker_statistics.h"

namespace marbleset {

// kernels::PlanesFor(shape) planes per OTU, interleaved word by word, stride words apart; one
// more row of zeros at the end, so that the run of OTUs after the last one may be addressed.
struct BinaryPlanes {
  std::size_t words = 0;
  std::size_t stride = 0;
  int shape = 0;  // kernels::BinaryShape
  std::vector<std::uint64_t> bits;
  std::vector<std::uint32_t> ones;     // per OTU, its entries in state 1 (after filling in)
  std::vector<std::uint32_t> missing;  // per OTU, its missing entries (after filling in)

  const std::uint64_t* Otu(std::size_t i) const { return bits.data() + i * stride; }
};

// How a missing entry is filled in before packing. Policies "0", "1" and "Marker mode" add to
// a, d and m exactly what a 0, a 1 or the character's mode in place of the missing entry would
// add, so the data can be packed with the entry filled in and counted without missing entries.
enum class MissingFill { kKeep, kZero, kOne, kMode };

// stats is read for kMode only.
BinaryPlanes PackBinary(const DataSet& data, MissingFill fill, const MarkerStatistics* stats);

}  // namespace marbleset
