#include "dataset/tree.h"

#include <algorithm>

namespace marbleset {

std::size_t Tree::AddNode(std::size_t parent) {
  nodes.emplace_back();
  const std::size_t node = nodes.size() - 1;
  nodes[node].parent = parent;
  if (parent != kNoNode) nodes[parent].children.push_back(node);
  return node;
}

void Tree::Attach(std::size_t parent, std::size_t child, double length) {
  nodes[child].parent = parent;
  nodes[child].length = length;
  nodes[parent].children.push_back(child);
}

std::size_t Tree::LeafCount() const {
  return static_cast<std::size_t>(
      std::count_if(nodes.begin(), nodes.end(), [](const TreeNode& n) { return n.IsLeaf(); }));
}

std::vector<std::size_t> Tree::Preorder() const {
  std::vector<std::size_t> order;
  if (root == kNoNode) return order;
  order.reserve(nodes.size());
  // An explicit stack: trees of thousands of OTUs may be as deep as they are wide.
  std::vector<std::size_t> stack{root};
  while (!stack.empty()) {
    const std::size_t node = stack.back();
    stack.pop_back();
    order.push_back(node);
    const auto& children = nodes[node].children;
    for (auto child = children.rbegin(); child != children.rend(); ++child) stack.push_back(*child);
  }
  return order;
}

std::vector<std::size_t> Tree::LeavesInOrder() const {
  std::vector<std::size_t> leaves;
  for (std::size_t node : Preorder())
    if (nodes[node].IsLeaf()) leaves.push_back(node);
  return leaves;
}

std::vector<std::size_t> Tree::LeafOfOtu() const {
  std::vector<std::size_t> leafOf;
  for (std::size_t node = 0; node < nodes.size(); ++node) {
    const std::size_t otu = nodes[node].otu;
    if (!nodes[node].IsLeaf() || otu == kNoNode) continue;
    if (otu >= leafOf.size()) leafOf.resize(otu + 1, kNoNode);
    leafOf[otu] = node;
  }
  return leafOf;
}

}  // namespace marbleset
