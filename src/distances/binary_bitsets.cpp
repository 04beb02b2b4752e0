#include "distances/binary_bitsets.h"

#include "distances/pair_kernels.h"

namespace marbleset {

BinaryPlanes PackBinary(const DataSet& data, MissingFill fill, const MarkerStatistics& stats) {
  BinaryPlanes planes;
  const int chars = data.NChar;
  planes.words = (chars + 63) / 64;
  planes.stride = 3 * static_cast<std::size_t>(planes.words);
  planes.bits.assign(planes.stride * (static_cast<std::size_t>(data.NOtu) + 2), 0);

  std::vector<std::uint64_t> fill_bits(planes.words, 0);
  for (int k = 1; k <= chars; ++k) {
    const bool one = fill == MissingFill::kOne || (fill == MissingFill::kMode && stats.mode[k]);
    if (one) fill_bits[(k - 1) / 64] |= std::uint64_t{1} << ((k - 1) % 64);
  }

  const float missing_value = data.MissingValue;
  std::uint64_t any_missing = 0;
  bool any_other = false;
  for (int i = 1; i <= data.NOtu; ++i) {
    const float* row = data.Row(i) + 1;
    std::uint64_t* out = planes.bits.data() + static_cast<std::size_t>(i) * planes.stride;
    for (int w = 0; w < planes.words; ++w) {
      const int first = w * 64;
      const int n = chars - first < 64 ? chars - first : 64;
      std::uint64_t ones = 0, valid = 0, missing = 0;
      for (int b = 0; b < n; ++b) {
        const float x = row[first + b];
        const std::uint64_t is_missing = x == missing_value;
        const std::uint64_t is_one = !is_missing & (x == 1.0f);
        const std::uint64_t is_zero = !is_missing & (x == 0.0f);
        ones |= is_one << b;
        valid |= (is_one | is_zero) << b;
        missing |= is_missing << b;
      }
      const std::uint64_t used = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
      any_other = any_other || ((valid | missing) != used);
      if (fill != MissingFill::kKeep) {
        ones |= missing & fill_bits[w];
        valid |= missing;
        missing = 0;
      }
      any_missing |= missing;
      out[3 * w] = ones;
      out[3 * w + 1] = valid;
      out[3 * w + 2] = missing;
    }
  }
  planes.shape =
      (any_missing ? kernels::kHasMissing : 0) | (any_other ? kernels::kHasOtherValues : 0);
  return planes;
}

}  // namespace marbleset
