// Which OTUs GenStraps and random resampling write: the groups of equally named OTUs, one
// random member per group, or a number of distinct OTUs in random order.
#pragma once

#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// The OTUs of the data set being generated: row g is OTU UniqueOtu[g], g = 1..NUniqueOtu.
// Entry 0 is never used.
struct OtuPicks {
  std::vector<int16_t> UniqueOtu = std::vector<int16_t>(kMaxOtu + 1, 0);
  int NUniqueOtu = 0;
};

// The first OTU of each distinct name, in order of first occurrence. Names are equal only when
// identical as held: case and blanks of the 12-character field count.
void ListUniqueOtus(const DataSet& data, OtuPicks& picks);

// The members of each listed group, group g at index g (index 0 empty), in OTU order.
using OtuGroups = std::vector<std::vector<int16_t>>;
OtuGroups GroupMembers(const DataSet& data, const OtuPicks& picks);

// Each group's entry becomes one of its members, each equally likely: one index draw over the
// group's size per group, groups in order.
void PickGroupMembers(const OtuGroups& groups, UniformSource& source, OtuPicks& picks);

// UniqueOtu[1..NUniqueOtu] becomes an ordered sample of distinct OTUs out of 1..n_otu, in draw
// order. Needs 1 <= NUniqueOtu <= n_otu.
void PickDistinctOtus(int n_otu, UniformSource& source, OtuPicks& picks);

}  // namespace marbleset
