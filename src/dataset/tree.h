// A phylogenetic tree as the tree builder makes it and the Newick files hold it: nodes in one
// array, each knowing its parent and its children in order. Leaves carry the OTU they stand
// for; a branch (the edge above a node) carries its length and, after a support run, the share
// of replicate trees that hold the same split.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace marbleset {

inline constexpr std::size_t kNoNode = std::numeric_limits<std::size_t>::max();

struct TreeNode {
  std::size_t parent = kNoNode;
  std::vector<std::size_t> children;
  // The OTU a leaf stands for (its row in the data set or matrix); kNoNode for inner nodes.
  std::size_t otu = kNoNode;
  // Leaves: the OTU's name without the blanks of its name field. Inner nodes: a label read
  // from a file that is not a support value, kept so that writing gives it back.
  std::string name;
  // The branch from the parent to this node; NaN when the tree has no length for it.
  double length = std::numeric_limits<double>::quiet_NaN();
  // Percent of replicate trees holding this branch's split; NaN when not known.
  double support = std::numeric_limits<double>::quiet_NaN();

  bool IsLeaf() const { return children.empty(); }
  bool HasLength() const { return !std::isnan(length); }
  bool HasSupport() const { return !std::isnan(support); }
};

struct Tree {
  std::vector<TreeNode> nodes;
  std::size_t root = kNoNode;

  bool Empty() const { return nodes.empty(); }
  // A new node under parent (kNoNode: a node without parent yet); returns its index.
  std::size_t AddNode(std::size_t parent);
  // Hangs child (which has no parent) under parent, as its last child.
  void Attach(std::size_t parent, std::size_t child, double length);

  std::size_t LeafCount() const;
  // Nodes so that every parent comes before its children (root first), children in order.
  std::vector<std::size_t> Preorder() const;
  // Leaves in the order they are drawn from top to bottom.
  std::vector<std::size_t> LeavesInOrder() const;
  // The leaf of each OTU (size: the largest OTU index + 1; kNoNode for an OTU not in the tree).
  std::vector<std::size_t> LeafOfOtu() const;
};

}  // namespace marbleset
