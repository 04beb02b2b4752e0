#include "trees/consensus.h"

#include <algorithm>
#include <numeric>

namespace marbleset {

namespace {

bool IsSubset(const Split& a, const Split& b) {
  for (std::size_t w = 0; w < a.size(); ++w)
    if (a[w] & ~b[w]) return false;
  return true;
}

std::size_t FirstOtu(const Tree& tree, std::size_t node, std::vector<std::size_t>& memo) {
  if (memo[node] != kNoNode) return memo[node];
  const TreeNode& n = tree.nodes[node];
  std::size_t first = n.IsLeaf() ? n.otu : kNoNode;
  for (std::size_t child : n.children) first = std::min(first, FirstOtu(tree, child, memo));
  return memo[node] = first;
}

}  // namespace

bool Compatible(const Split& a, const Split& b) {
  bool disjoint = true, aInB = true, bInA = true;
  for (std::size_t w = 0; w < a.size(); ++w) {
    disjoint = disjoint && (a[w] & b[w]) == 0;
    aInB = aInB && (a[w] & ~b[w]) == 0;
    bInA = bInA && (b[w] & ~a[w]) == 0;
  }
  return disjoint || aInB || bInA;
}

Consensus MajorityRuleConsensus(const SplitCounts& counts, const std::vector<std::string>& names) {
  const std::size_t otuCount = counts.OtuCount();
  const std::vector<Split>& splits = counts.Splits();
  std::vector<double> count(splits.size());
  for (std::size_t s = 0; s < splits.size(); ++s) count[s] = counts.CountOf(splits[s]);
  std::vector<std::size_t> order(splits.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return count[a] > count[b]; });

  Consensus result;
  // A fully resolved unrooted tree of n OTUs has n - 3 inner branches.
  const std::size_t resolved = otuCount >= 3 ? otuCount - 3 : 0;
  for (std::size_t s : order) {
    if (result.groups.size() >= resolved) break;
    const bool fits =
        std::all_of(result.groups.begin(), result.groups.end(),
                    [&](const ConsensusGroup& g) { return Compatible(g.otus, splits[s]); });
    if (fits) result.groups.push_back({splits[s], count[s]});
  }

  // The tree: each group hangs under the smallest larger group holding it, each OTU under the
  // smallest group holding it; the rest under the root beside OTU 0.
  Tree& tree = result.tree;
  if (otuCount == 0) return result;
  tree.root = tree.AddNode(kNoNode);
  std::vector<std::size_t> bySize(result.groups.size());
  std::iota(bySize.begin(), bySize.end(), std::size_t{0});
  std::vector<std::size_t> sizes(result.groups.size());
  for (std::size_t g = 0; g < sizes.size(); ++g) sizes[g] = OtuCountOf(result.groups[g].otus);
  std::stable_sort(bySize.begin(), bySize.end(),
                   [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
  std::vector<std::size_t> placed;  // groups by decreasing size, as nodes
  std::vector<std::size_t> nodeOf(result.groups.size());
  for (std::size_t g : bySize) {
    std::size_t parent = tree.root;
    // The groups holding g are nested, so the last placed of them is the smallest.
    for (auto at = placed.rbegin(); at != placed.rend(); ++at) {
      if (IsSubset(result.groups[g].otus, result.groups[*at].otus)) {
        parent = nodeOf[*at];
        break;
      }
    }
    nodeOf[g] = tree.AddNode(parent);
    tree.nodes[nodeOf[g]].support = 100.0 * result.groups[g].count / counts.Trees();
    placed.push_back(g);
  }
  for (std::size_t otu = 0; otu < otuCount; ++otu) {
    std::size_t parent = tree.root;
    for (auto at = placed.rbegin(); otu != 0 && at != placed.rend(); ++at) {
      if (HasOtu(result.groups[*at].otus, otu)) {
        parent = nodeOf[*at];
        break;
      }
    }
    const std::size_t leaf = tree.AddNode(parent);
    tree.nodes[leaf].otu = otu;
    tree.nodes[leaf].name = otu < names.size() ? names[otu] : std::string();
  }
  // Children in the order of their first OTU, so OTU 0 comes first and the text is stable.
  std::vector<std::size_t> first(tree.nodes.size(), kNoNode);
  FirstOtu(tree, tree.root, first);
  for (auto& node : tree.nodes) {
    std::sort(node.children.begin(), node.children.end(),
              [&](std::size_t a, std::size_t b) { return first[a] < first[b]; });
  }
  return result;
}

}  // namespace marbleset
