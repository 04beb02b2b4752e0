// Which OTUs GenStraps and random resampling write: the groups of equally named OTUs, one
// random member per group, or a number of distinct OTUs in random order.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// The OTUs (from 0) of the data set being generated, one per written row, in row order.
using OtuPicks = std::vector<std::size_t>;

// The members of each group of equally named OTUs, in OTU order; the groups in the order of
// their first member. Names are equal only when identical as held: case and blanks count.
using OtuGroups = std::vector<std::vector<std::size_t>>;
OtuGroups GroupEqualNames(const DataSet& data);

// One member of each group, each equally likely: one index draw over the group's size per group,
// groups in order (a group of one takes its draw too). picks gets one entry per group.
void PickGroupMembers(const OtuGroups& groups, UniformSource& source, OtuPicks& picks);

// count distinct OTUs out of 0..otus-1 in draw order: draws over all OTUs, those already taken
// drawn again. Needs 1 <= count <= otus.
void PickDistinctOtus(std::size_t otus, std::size_t count, UniformSource& source, OtuPicks& picks);

}  // namespace marbleset
