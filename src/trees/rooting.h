// Where a tree is rooted for drawing: at the midpoint of its longest path, or on the branch of
// a chosen OTU. Rooting changes no split, branch length or support value: a branch keeps them
// whichever way it is turned.
#pragma once

#include <cstddef>

#include "dataset/tree.h"

namespace marbleset {

// The tree rooted on the branch above node, at distance fromNode from node (0 up to the
// branch's length). The old root is left out when it would keep a single child, its two
// branches then joined into one. A branch without length counts as 0.
Tree RootOnBranch(const Tree& tree, std::size_t node, double fromNode);

// Rooted halfway along the branch of the OTU's leaf. Throws Failure when the OTU is not in the
// tree.
Tree RootOnOtu(const Tree& tree, std::size_t otu);

// Rooted at the middle of the longest path between two leaves (lengths summed; missing ones
// count as 0). A tree of fewer than two leaves is returned as it is.
Tree RootAtMidpoint(const Tree& tree);

}  // namespace marbleset
