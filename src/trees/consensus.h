// The extended majority-rule consensus of a set of unrooted trees, built as PHYLIP's consense
// builds it by default: every split held by more than half the trees, then the other splits
// from the most frequent down, each one kept when it agrees with all kept so far, until the tree
// is fully resolved. Splits held by equally many trees are taken in the order they were first
// met in the trees.
#pragma once

#include <string>
#include <vector>

#include "dataset/tree.h"
#include "trees/splits.h"

namespace marbleset {

struct ConsensusGroup {
  Split otus;        // the side without OTU 0
  double count = 0;  // trees holding it
};

struct Consensus {
  // Unrooted, drawn from OTU 0: the root holds OTU 0's leaf and the largest groups; each
  // group's support is the percentage of the trees that hold it; no branch lengths.
  Tree tree;
  // The groups of the tree, most frequent first, in the order they were taken.
  std::vector<ConsensusGroup> groups;
};

// names: the OTU names, index by OTU (counts.OtuCount() of them).
Consensus MajorityRuleConsensus(const SplitCounts& counts, const std::vector<std::string>& names);

// Whether two splits can be branches of one tree: one side of each is nested in or disjoint
// from the other's (for splits on the sides without OTU 0: disjoint or nested).
bool Compatible(const Split& a, const Split& b);

}  // namespace marbleset
