#include "distances/marker_statistics.h"

namespace marbleset {

namespace {

struct StateCounts {
  int zeros = 0;
  int ones = 0;
};

StateCounts CountStates(const DataSet& data, int k) {
  StateCounts counts;
  for (int i = 1; i <= data.NOtu; ++i) {
    switch (KindOf(data, data.Matrix(i, k))) {
      case EntryKind::kZero:
        ++counts.zeros;
        break;
      case EntryKind::kOne:
        ++counts.ones;
        break;
      default:
        break;
    }
  }
  return counts;
}

float MeanOf(StateCounts c) {
  if (c.zeros + c.ones == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(c.ones) / (c.zeros + c.ones));
}

int ModeOf(StateCounts c) {
  if (c.zeros + c.ones == 0) return 0;
  return 2 * c.ones >= c.zeros + c.ones ? 1 : 0;
}

}  // namespace

float MarkerMeanOf(const DataSet& data, int k) {
  return MeanOf(CountStates(data, k));
}

int MarkerModeOf(const DataSet& data, int k) {
  return ModeOf(CountStates(data, k));
}

MarkerStatistics MarkerStatistics::Of(const DataSet& data) {
  // Counted row by row: the matrix is stored by OTU, and walking it down the columns would
  // touch a new cache line for every entry.
  const std::size_t size = static_cast<std::size_t>(data.NChar) + 1;
  std::vector<StateCounts> counts(size);
  for (int i = 1; i <= data.NOtu; ++i) {
    const float* row = data.Row(i);
    for (int k = 1; k <= data.NChar; ++k) {
      const EntryKind kind = KindOf(data, row[k]);
      counts[k].zeros += kind == EntryKind::kZero;
      counts[k].ones += kind == EntryKind::kOne;
    }
  }
  MarkerStatistics stats;
  stats.mean.assign(size, 0.0f);
  stats.mode.assign(size, 0);
  for (std::size_t k = 1; k < size; ++k) {
    stats.mean[k] = MeanOf(counts[k]);
    stats.mode[k] = ModeOf(counts[k]);
  }
  return stats;
}

}  // namespace marbleset
