#include "tree_test_support.h"

namespace marbleset::testing_trees {

// Plain and slow on purpose: sets of names gathered by walking down from each node.
std::map<Side, double> BranchesByNames(const Tree& tree, const std::vector<std::string>& names) {
  std::map<Side, double> branches;
  Side all;
  for (const auto& node : tree.nodes)
    if (node.IsLeaf()) all.insert(node.name);
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    if (node == tree.root) continue;
    Side below;
    std::vector<std::size_t> stack{node};
    while (!stack.empty()) {
      const std::size_t at = stack.back();
      stack.pop_back();
      if (tree.nodes[at].IsLeaf()) below.insert(tree.nodes[at].name);
      for (std::size_t child : tree.nodes[at].children) stack.push_back(child);
    }
    if (below.contains(names[0])) {
      Side other;
      for (const auto& name : all)
        if (!below.contains(name)) other.insert(name);
      below = other;
    }
    const double length = tree.nodes[node].HasLength() ? tree.nodes[node].length : 0.0;
    branches[below] += length;
  }
  return branches;
}

}  // namespace marbleset::testing_trees
