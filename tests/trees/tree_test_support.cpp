#include "tree_test_support.h"

namespace marbleset {

// Plain and slow on purpose: sets of names gathered by walking down from the node.
Side SideOf(const Tree& tree, std::size_t node, const std::vector<std::string>& names) {
  Side below, other;
  for (std::vector<std::size_t> stack{node}; !stack.empty();) {
    const std::size_t at = stack.back();
    stack.pop_back();
    if (tree.nodes[at].IsLeaf()) below.insert(tree.nodes[at].name);
    for (std::size_t child : tree.nodes[at].children) stack.push_back(child);
  }
  if (!below.contains(names[0])) return below;
  for (const auto& leaf : tree.nodes)
    if (leaf.IsLeaf() && !below.contains(leaf.name)) other.insert(leaf.name);
  return other;
}

std::map<Side, double> BranchesByNames(const Tree& tree, const std::vector<std::string>& names) {
  std::map<Side, double> branches;
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    if (node != tree.root) {
      branches[SideOf(tree, node, names)] +=
          tree.nodes[node].HasLength() ? tree.nodes[node].length : 0.0;
    }
  }
  return branches;
}

}  // namespace marbleset
