// A rectangular tree as a picture: branches as horizontal and vertical lines, the OTUs' names
// at the leaves, support values above the branches they belong to and, with branch lengths to
// scale, a scale bar. The desktop's tree window shows it, and both programs write the same
// scene as SVG or PNG.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/tree.h"
#include "pictures/scene.h"
#include "trees/tree_layout.h"

namespace marbleset::pictures {

struct TreeDrawing {
  LayoutStyle style = LayoutStyle::kBranchLengths;
  // 1: a row of 16 units a leaf with names at 12 units and 560 units from the root to the
  // farthest leaf; everything grows and shrinks with it.
  double zoom = 1;
  bool support = true;
};

struct TreePicture {
  Scene scene;
  // Where each node is drawn (index by node), in the scene's units.
  std::vector<double> nodeX, nodeY;
  double rowHeight = 0;
  // The y of the first leaf row and the x where names start (right of their leaf).
  double firstRowY = 0;
  std::vector<std::size_t> leafRows;  // the leaf of each row, top to bottom
};

// Names and support values are left out where they would be smaller than four units: at such a
// zoom they could not be read and only blacken the rows.
TreePicture DrawTree(const Tree& tree, const TreeDrawing& drawing);

// The leaf whose row holds y, or kNoNode above the first row and below the last.
std::size_t LeafAt(const TreePicture& picture, double y);

// Lengths for a scale bar: 1, 2 or 5 times a power of ten, about a fifth of width.
double ScaleBarLength(double width);

}  // namespace marbleset::pictures
