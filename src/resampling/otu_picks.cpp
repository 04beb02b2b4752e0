#include "resampling/otu_picks.h"

#include <string_view>
#include <unordered_map>

namespace marbleset {

OtuGroups GroupEqualNames(const DataSet& data) {
  // A map from name to its group gives the groups of comparing each OTU with every listed one,
  // without the quadratic cost.
  std::unordered_map<std::string_view, std::size_t> groupOf;
  OtuGroups groups;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    const auto [found, added] = groupOf.try_emplace(data.otuNames[i], groups.size());
    if (added) groups.emplace_back();
    groups[found->second].push_back(i);
  }
  return groups;
}

void PickGroupMembers(const OtuGroups& groups, UniformSource& source, OtuPicks& picks) {
  // Drawing over the group's own members instead of over all OTUs until one of the group turns
  // up gives every member the same chance with one draw, where rejection needed about as many
  // draws per group as there are OTUs. A group of one still takes its draw, so the sequence
  // does not depend on which groups are single.
  picks.resize(groups.size());
  for (std::size_t g = 0; g < groups.size(); ++g) {
    picks[g] = groups[g][source.IndexDraw(groups[g].size())];
  }
}

void PickDistinctOtus(std::size_t otus, std::size_t count, UniformSource& source, OtuPicks& picks) {
  // Marking the taken ones makes each rejection test constant-time; drawing all 1000 of 1000
  // OTUs then takes about 1000 * ln(1000) = 7500 draws on average.
  std::vector<bool> taken(otus, false);
  picks.resize(count);
  for (auto& pick : picks) {
    std::size_t r;
    do {
      r = source.IndexDraw(otus);
    } while (taken[r]);
    taken[r] = true;
    pick = r;
  }
}

}  // namespace marbleset
