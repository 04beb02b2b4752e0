// Where a window draws each node of a rectangular tree: x across (depth), y down (leaf rows).
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/tree.h"

namespace marbleset {

enum class LayoutStyle {
  kBranchLengths,  // x: the sum of branch lengths from the root (missing lengths count 0)
  kCladogram,      // x: leaves aligned at the right, each inner node one step left of its
                   // deepest child
};

struct TreeLayout {
  // Index by node. Leaves take y = 0, 1, 2, ... from top to bottom; an inner node sits halfway
  // between its first and last child. The root is at x = 0.
  std::vector<double> x, y;
  double width = 0;          // the largest x
  std::size_t leafRows = 0;  // number of leaves
};

TreeLayout LayOutTree(const Tree& tree, LayoutStyle style);

}  // namespace marbleset
