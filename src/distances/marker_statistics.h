// Per-character statistics behind the "Marker mean" and "Marker mode" missing-data policies.
#pragma once

#include <vector>

#include "dataset/data_set.h"

namespace marbleset {

// How an entry of the matrix counts for the coefficients. An entry equal to MissingValue is
// missing even when MissingValue happens to be 0 or 1.
enum class EntryKind { kZero, kOne, kMissing, kPlain };

inline EntryKind KindOf(const DataSet& data, float value) {
  if (value == data.MissingValue) return EntryKind::kMissing;
  if (value == 1.0f) return EntryKind::kOne;
  if (value == 0.0f) return EntryKind::kZero;
  return EntryKind::kPlain;
}

// Share of state-1 entries among the state-0 and state-1 entries of character k (1-based);
// 0 when the character has none.
float MarkerMeanOf(const DataSet& data, int k);

// 1 when at least half of the state-0 and state-1 entries of character k are 1 (a tie gives
// 1); 0 otherwise, also when the character has none.
int MarkerModeOf(const DataSet& data, int k);

// Both statistics of every character, computed once for a pass; index 1..NChar.
struct MarkerStatistics {
  std::vector<float> mean;
  std::vector<int> mode;

  static MarkerStatistics Of(const DataSet& data);
};

}  // namespace marbleset
