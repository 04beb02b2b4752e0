#include "distances/binary_bitsets.h"

#include <bit>

#include "distances/pair_kernels.h"

namespace marbleset {

BinaryPlanes PackBinary(const DataSet& data, MissingFill fill, const MarkerStatistics* stats) {
  const std::size_t otus = data.OtuCount();
  const std::size_t words = data.WordsPerRow();
  std::vector<std::uint64_t> fillBits(words, 0);
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    const bool one = fill == MissingFill::kOne || (fill == MissingFill::kMode && stats->mode[k]);
    if (one) fillBits[k / 64] |= std::uint64_t{1} << (k % 64);
  }

  // The shape decides how many planes are packed, so it is found first, word by word.
  bool anyMissing = false;
  for (std::size_t i = 0; i < otus && fill == MissingFill::kKeep && !anyMissing; ++i) {
    const std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t w = 0; w < words && !anyMissing; ++w) anyMissing = missing[w] != 0;
  }
  const bool anyOther = data.HasOtherValues();
  BinaryPlanes planes;
  planes.shape =
      (anyMissing ? kernels::kHasMissing : 0) | (anyOther ? kernels::kHasOtherValues : 0);
  const int count = kernels::PlanesFor(planes.shape);
  planes.words = words;
  planes.stride = static_cast<std::size_t>(count) * words;
  planes.bits.assign(planes.stride * (otus + 1), 0);
  planes.ones.assign(otus, 0);
  planes.missing.assign(otus, 0);

  const std::size_t lastBits = data.CharCount() % 64;
  const std::uint64_t lastUsed =
      lastBits == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << lastBits) - 1;
  for (std::size_t i = 0; i < otus; ++i) {
    const std::uint64_t* onesRow = data.OnesRow(i);
    const std::uint64_t* missingRow = data.MissingRow(i);
    const std::uint64_t* otherRow = data.OtherRow(i);
    std::uint64_t* out = planes.bits.data() + i * planes.stride;
    std::uint32_t onesCount = 0, missingCount = 0;
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t used = w + 1 == words ? lastUsed : ~std::uint64_t{0};
      std::uint64_t ones = onesRow[w];
      std::uint64_t missing = missingRow[w];
      std::uint64_t valid = ~(missing | (otherRow ? otherRow[w] : 0)) & used;
      if (fill != MissingFill::kKeep) {
        ones |= missing & fillBits[w];
        valid |= missing;
        missing = 0;
      }
      onesCount += static_cast<std::uint32_t>(std::popcount(ones));
      missingCount += static_cast<std::uint32_t>(std::popcount(missing));
      std::uint64_t* place = out + static_cast<std::size_t>(count) * w;
      place[0] = ones;
      if (count == 2) place[1] = missing;
      if (count == 3) {
        place[1] = valid;
        place[2] = missing;
      }
    }
    planes.ones[i] = onesCount;
    planes.missing[i] = missingCount;
  }
  return planes;
}

}  // namespace marbleset
