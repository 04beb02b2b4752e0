#include "trees/splits.h"

#include <bit>

namespace marbleset {

std::size_t SplitHash::operator()(const Split& split) const {
  std::uint64_t hash = 0x9e3779b97f4a7c15ULL;
  for (std::uint64_t word : split) {
    hash ^= word + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    hash *= 0xbf58476d1ce4e5b9ULL;
  }
  return static_cast<std::size_t>(hash ^ (hash >> 31));
}

std::size_t OtuCountOf(const Split& split) {
  std::size_t count = 0;
  for (std::uint64_t word : split) count += static_cast<std::size_t>(std::popcount(word));
  return count;
}

std::vector<Split> BranchSplits(const Tree& tree, std::size_t otuCount) {
  const std::size_t words = SplitWords(otuCount);
  std::vector<Split> below(tree.nodes.size());
  const std::vector<std::size_t> order = tree.Preorder();
  // Children before parents: the preorder walked backwards.
  for (auto at = order.rbegin(); at != order.rend(); ++at) {
    const std::size_t node = *at;
    Split& set = below[node];
    set.assign(words, 0);
    const TreeNode& n = tree.nodes[node];
    if (n.IsLeaf()) {
      if (n.otu < otuCount) set[n.otu / 64] |= std::uint64_t{1} << (n.otu % 64);
      continue;
    }
    for (std::size_t child : n.children)
      for (std::size_t w = 0; w < words; ++w) set[w] |= below[child][w];
  }
  std::vector<Split> splits(tree.nodes.size());
  const std::uint64_t lastMask =
      otuCount % 64 == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (otuCount % 64)) - 1;
  for (std::size_t node : order) {
    if (node == tree.root || tree.nodes[node].IsLeaf()) continue;
    Split set = below[node];
    if (otuCount > 0 && HasOtu(set, 0)) {
      for (auto& word : set) word = ~word;
      set.back() &= lastMask;
    }
    const std::size_t size = OtuCountOf(set);
    if (size >= 2 && size + 2 <= otuCount) splits[node] = std::move(set);
  }
  return splits;
}

std::vector<Split> TreeSplits(const Tree& tree, std::size_t otuCount) {
  std::vector<Split> all = BranchSplits(tree, otuCount);
  std::vector<Split> distinct;
  // Only the two halves of a rooted tree's basal branch can repeat a split.
  std::unordered_map<Split, bool, SplitHash> seen;
  for (std::size_t node : tree.Preorder()) {
    if (all[node].empty() || !seen.emplace(all[node], true).second) continue;
    distinct.push_back(std::move(all[node]));
  }
  return distinct;
}

void SplitCounts::AddTree(const Tree& tree, double weight) {
  AddSplits(TreeSplits(tree, otuCount_), weight);
}

void SplitCounts::AddSplits(const std::vector<Split>& splits, double weight) {
  trees_ += weight;
  for (const Split& split : splits) {
    auto [place, added] = counts_.try_emplace(split, 0.0);
    place->second += weight;
    if (added) order_.push_back(split);
  }
}

double SplitCounts::CountOf(const Split& split) const {
  const auto found = counts_.find(split);
  return found == counts_.end() ? 0.0 : found->second;
}

void SetSupport(Tree& tree, const SplitCounts& counts) {
  const std::vector<Split> splits = BranchSplits(tree, counts.OtuCount());
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    tree.nodes[node].support = std::numeric_limits<double>::quiet_NaN();
    if (splits[node].empty() || counts.Trees() <= 0) continue;
    tree.nodes[node].support = 100.0 * counts.CountOf(splits[node]) / counts.Trees();
  }
}

}  // namespace marbleset
