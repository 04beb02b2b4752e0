#include "trees/tree_layout.h"

#include <algorithm>

namespace marbleset {

TreeLayout LayOutTree(const Tree& tree, LayoutStyle style) {
  TreeLayout layout;
  layout.x.assign(tree.nodes.size(), 0.0);
  layout.y.assign(tree.nodes.size(), 0.0);
  const std::vector<std::size_t> order = tree.Preorder();
  // Leaf rows top to bottom, then inner nodes between their outer children (children first).
  double row = 0;
  for (std::size_t node : order)
    if (tree.nodes[node].IsLeaf()) layout.y[node] = row++;
  layout.leafRows = static_cast<std::size_t>(row);
  for (auto at = order.rbegin(); at != order.rend(); ++at) {
    const TreeNode& node = tree.nodes[*at];
    if (!node.IsLeaf())
      layout.y[*at] = (layout.y[node.children.front()] + layout.y[node.children.back()]) / 2.0;
  }
  if (style == LayoutStyle::kBranchLengths) {
    for (std::size_t node : order) {
      const TreeNode& n = tree.nodes[node];
      if (n.parent != kNoNode)
        layout.x[node] = layout.x[n.parent] + (n.HasLength() ? n.length : 0.0);
    }
  } else {
    // Height in steps above the deepest leaf below, then x = root's height - height.
    std::vector<double> height(tree.nodes.size(), 0.0);
    for (auto at = order.rbegin(); at != order.rend(); ++at)
      for (std::size_t child : tree.nodes[*at].children)
        height[*at] = std::max(height[*at], height[child] + 1.0);
    const double top = tree.root == kNoNode ? 0.0 : height[tree.root];
    for (std::size_t node : order) layout.x[node] = top - height[node];
  }
  for (double x : layout.x) layout.width = std::max(layout.width, x);
  return layout;
}

}  // namespace marbleset
