// Per-character statistics behind the "Marker mean" and "Marker mode" missing-data policies.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset {

// How an entry of the matrix counts for the coefficients. A missing entry is missing even when
// the file declared 0 or 1 as its missing-data code.
enum class EntryKind { kZero, kOne, kMissing, kPlain };

inline EntryKind KindOf(const DataSet& data, std::size_t otu, std::size_t character) {
  if (data.IsMissing(otu, character)) return EntryKind::kMissing;
  const float value = data.Value(otu, character);
  if (value == 1.0f) return EntryKind::kOne;
  if (value == 0.0f) return EntryKind::kZero;
  return EntryKind::kPlain;
}

// Share of state-1 entries among the state-0 and state-1 entries of character k; 0 when the
// character has none. Counted cell by cell: the plain version the statistics below are held
// against.
float MarkerMeanOf(const DataSet& data, std::size_t k);

// 1 when at least half of the state-0 and state-1 entries of character k are 1 (a tie gives
// 1); 0 otherwise, also when the character has none.
int MarkerModeOf(const DataSet& data, std::size_t k);

// Both statistics of every character, computed once for a pass; index 0..CharCount()-1.
struct MarkerStatistics {
  std::vector<float> mean;
  std::vector<int> mode;

  static MarkerStatistics Of(const DataSet& data);
};

}  // namespace marbleset
