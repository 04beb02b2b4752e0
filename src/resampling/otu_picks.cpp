#include "resampling/otu_picks.h"

#include <string_view>
#include <unordered_map>

namespace marbleset {

void ListUniqueOtus(const DataSet& data, OtuPicks& picks) {
  // A map from name to its first OTU gives the same list as comparing each OTU with every
  // listed one, without the quadratic cost.
  std::unordered_map<std::string_view, int16_t> first_of;
  picks.NUniqueOtu = 0;
  for (int i = 1; i <= data.NOtu; ++i) {
    if (first_of.try_emplace(data.OtuName[i], static_cast<int16_t>(i)).second) {
      picks.UniqueOtu[++picks.NUniqueOtu] = static_cast<int16_t>(i);
    }
  }
}

OtuGroups GroupMembers(const DataSet& data, const OtuPicks& picks) {
  std::unordered_map<std::string_view, int> group_of;
  for (int g = 1; g <= picks.NUniqueOtu; ++g) group_of.emplace(data.OtuName[picks.UniqueOtu[g]], g);
  OtuGroups groups(picks.NUniqueOtu + 1);
  for (int i = 1; i <= data.NOtu; ++i) {
    const auto found = group_of.find(data.OtuName[i]);
    if (found != group_of.end()) groups[found->second].push_back(static_cast<int16_t>(i));
  }
  return groups;
}

void PickGroupMembers(const OtuGroups& groups, UniformSource& source, OtuPicks& picks) {
  // Drawing over the group's own members instead of over all OTUs until one of the group turns
  // up gives every member the same chance with one draw, where rejection needed about NOtu
  // draws per group (a million per data set for 1000 distinct names). A group of one still
  // takes its draw, so the sequence does not depend on which groups are single.
  for (int g = 1; g <= picks.NUniqueOtu; ++g) {
    const auto& members = groups[g];
    picks.UniqueOtu[g] = members[source.IndexDraw(static_cast<int>(members.size())) - 1];
  }
}

void PickDistinctOtus(int n_otu, UniformSource& source, OtuPicks& picks) {
  // Draw over all OTUs and reject those already taken. Marking the taken ones makes each
  // rejection test constant-time; drawing all 1000 of 1000 OTUs then takes about
  // 1000 * ln(1000) = 7500 draws on average.
  std::vector<unsigned char> taken(static_cast<std::size_t>(n_otu) + 1, 0);
  for (int i = 1; i <= picks.NUniqueOtu; ++i) {
    int r;
    do {
      r = source.IndexDraw(n_otu);
    } while (taken[r]);
    taken[r] = 1;
    picks.UniqueOtu[i] = static_cast<int16_t>(r);
  }
}

}  // namespace marbleset
