// Splits (bipartitions) of unrooted trees as bit sets over the OTUs, and the count of how many
// trees of a set hold each split: what support values and consensus trees are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "dataset/tree.h"

namespace marbleset {

// The OTUs on one side of a branch, bit k for OTU k, always the side without OTU 0 (so a split
// and its complement are the same value). One word per 64 OTUs.
using Split = std::vector<std::uint64_t>;

struct SplitHash {
  std::size_t operator()(const Split& split) const;
};

inline std::size_t SplitWords(std::size_t otuCount) {
  return (otuCount + 63) / 64;
}
inline bool HasOtu(const Split& split, std::size_t otu) {
  return (split[otu / 64] >> (otu % 64)) & 1u;
}
std::size_t OtuCountOf(const Split& split);

// The split of the branch above each node (index by node), empty where the branch splits off a
// single OTU or none at all (leaves, the root). otuCount is the number of OTUs of the data;
// leaves must stand for OTUs below it. A root with two children gives both of them the same
// split: they are the two halves of one branch.
std::vector<Split> BranchSplits(const Tree& tree, std::size_t otuCount);

// The distinct splits of a tree, in the order of its nodes.
std::vector<Split> TreeSplits(const Tree& tree, std::size_t otuCount);

// How many trees hold each split, and the order splits were first met (which settles the order
// of equally frequent splits wherever it matters). Trees are added one after another.
class SplitCounts {
 public:
  explicit SplitCounts(std::size_t otuCount) : otuCount_(otuCount) {}
  void AddTree(const Tree& tree, double weight = 1.0);
  void AddSplits(const std::vector<Split>& splits, double weight = 1.0);

  std::size_t OtuCount() const { return otuCount_; }
  double Trees() const { return trees_; }
  double CountOf(const Split& split) const;
  // Distinct splits in the order they were first met, with their counts.
  const std::vector<Split>& Splits() const { return order_; }

 private:
  std::size_t otuCount_;
  double trees_ = 0;
  std::unordered_map<Split, double, SplitHash> counts_;
  std::vector<Split> order_;
};

// Sets each branch's support of tree to the percentage of the counted trees that hold its
// split; branches to single OTUs get none.
void SetSupport(Tree& tree, const SplitCounts& counts);

}  // namespace marbleset
