#include "distances/marker_statistics.h"

#include <bit>
#include <cstdint>

namespace marbleset {

namespace {

struct StateCounts {
  std::size_t zeros = 0;
  std::size_t ones = 0;
};

StateCounts CountStates(const DataSet& data, std::size_t k) {
  StateCounts counts;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    const EntryKind kind = KindOf(data, i, k);
    counts.zeros += kind == EntryKind::kZero;
    counts.ones += kind == EntryKind::kOne;
  }
  return counts;
}

float MeanOf(StateCounts c) {
  if (c.zeros + c.ones == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(c.ones) / static_cast<double>(c.zeros + c.ones));
}

int ModeOf(StateCounts c) {
  if (c.zeros + c.ones == 0) return 0;
  return 2 * c.ones >= c.zeros + c.ones ? 1 : 0;
}

// Adds each set bit of the words of a plane row to the count of its character.
void AddBits(const std::uint64_t* row, std::size_t words, std::vector<std::uint32_t>& counts) {
  for (std::size_t w = 0; w < words; ++w)
    for (std::uint64_t bits = row[w]; bits != 0; bits &= bits - 1)
      ++counts[64 * w + static_cast<std::size_t>(std::countr_zero(bits))];
}

}  // namespace

float MarkerMeanOf(const DataSet& data, std::size_t k) {
  return MeanOf(CountStates(data, k));
}

int MarkerModeOf(const DataSet& data, std::size_t k) {
  return ModeOf(CountStates(data, k));
}

MarkerStatistics MarkerStatistics::Of(const DataSet& data) {
  const std::size_t chars = data.CharCount();
  std::vector<StateCounts> counts(chars);
  if (data.IsBinary()) {
    // From the bit planes: state 1 is the ones plane; state 0 is whatever is neither 1,
    // missing nor another value, so only the rarer planes are walked besides the ones.
    const std::size_t words = data.WordsPerRow();
    std::vector<std::uint32_t> ones(words * 64, 0), notZero(words * 64, 0);
    for (std::size_t i = 0; i < data.OtuCount(); ++i) {
      AddBits(data.OnesRow(i), words, ones);
      AddBits(data.MissingRow(i), words, notZero);
      if (const std::uint64_t* other = data.OtherRow(i)) AddBits(other, words, notZero);
    }
    for (std::size_t k = 0; k < chars; ++k) {
      counts[k].ones = ones[k];
      counts[k].zeros = data.OtuCount() - ones[k] - notZero[k];
    }
  } else {
    // Row by row: the matrix is stored by OTU, and walking it down the columns would touch a
    // new cache line for every entry.
    const float missing = data.MissingValue();
    for (std::size_t i = 0; i < data.OtuCount(); ++i) {
      const float* row = data.Row(i);
      for (std::size_t k = 0; k < chars; ++k) {
        const float x = row[k];
        counts[k].zeros += x == 0.0f && x != missing;
        counts[k].ones += x == 1.0f && x != missing;
      }
    }
  }
  MarkerStatistics stats;
  stats.mean.resize(chars);
  stats.mode.resize(chars);
  for (std::size_t k = 0; k < chars; ++k) {
    stats.mean[k] = MeanOf(counts[k]);
    stats.mode[k] = ModeOf(counts[k]);
  }
  return stats;
}

}  // namespace marbleset
