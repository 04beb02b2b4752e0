#include "pictures/tree_picture.h"

#include <algorithm>
#include <cmath>

#include "formats/newick_writer.h"
#include "pictures/picture_text.h"

namespace marbleset::pictures {

namespace {

constexpr double kRowHeight = 16;
constexpr double kNameSize = 12;
constexpr double kSupportSize = 9;
constexpr double kTreeWidth = 560;
constexpr double kMargin = 12;
constexpr double kScaleBarHeight = 28;
// Below this size a text is only a smudge.
constexpr double kSmallestText = 4;

constexpr Argb kBranchColour = Rgb(0, 0, 0);
constexpr Argb kSupportColour = Rgb(20, 90, 170);

// The second half of a root's only branch: a root of two children splits one branch of the
// unrooted tree in two, and both halves carry its support; it is shown once, on the first.
bool RepeatsRootBranch(const Tree& tree, std::size_t node) {
  const TreeNode& root = tree.nodes[tree.root];
  return root.children.size() == 2 && node == root.children[1];
}

void AddScaleBar(Scene& scene, double unitsPerLength, double layoutWidth, double zoom) {
  const double length = ScaleBarLength(layoutWidth);
  if (!(length > 0)) return;
  const double y = kMargin + 16 * zoom;
  const double x2 = kMargin + length * unitsPerLength;
  scene.Add(SceneLine{kMargin, y, x2, y, kBranchColour, std::max(1.0, zoom)});
  for (const double x : {kMargin, x2}) {
    scene.Add(SceneLine{x, y - 3 * zoom, x, y + 3 * zoom, kBranchColour, 1});
  }
  const double size = kSupportSize * std::max(zoom, 1.0);
  scene.Add(SceneText{(kMargin + x2) / 2, y - 5 * zoom, ShortText(length), size, kBranchColour,
                      TextAnchor::kMiddle});
}

}  // namespace

double ScaleBarLength(double width) {
  if (!(width > 0) || !std::isfinite(width)) return 0;
  const double target = width / 5;
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= target) return step * power;
  }
  return power;
}

TreePicture DrawTree(const Tree& tree, const TreeDrawing& drawing) {
  TreePicture picture;
  Scene& scene = picture.scene;
  if (tree.Empty()) return picture;
  const double zoom = drawing.zoom;
  const TreeLayout layout = LayOutTree(tree, drawing.style);
  const bool scaleBar = drawing.style == LayoutStyle::kBranchLengths && layout.width > 0;
  const double top = kMargin + (scaleBar ? kScaleBarHeight * std::max(zoom, 1.0) : 0);
  const double treeWidth = kTreeWidth * zoom;
  const double unitsPerLength = layout.width > 0 ? treeWidth / layout.width : 0;
  picture.rowHeight = kRowHeight * zoom;
  picture.firstRowY = top;

  const std::size_t count = tree.nodes.size();
  picture.nodeX.resize(count);
  picture.nodeY.resize(count);
  for (std::size_t n = 0; n < count; ++n) {
    picture.nodeX[n] = kMargin + layout.x[n] * unitsPerLength;
    picture.nodeY[n] = top + (layout.y[n] + 0.5) * picture.rowHeight;
  }

  const double lineWidth = std::clamp(zoom, 0.5, 2.0);
  const double nameSize = kNameSize * zoom;
  const double supportSize = kSupportSize * zoom;
  const double nameGap = 4 * zoom;
  double right = kMargin + treeWidth;
  for (const std::size_t n : tree.Preorder()) {
    const TreeNode& node = tree.nodes[n];
    const double x = picture.nodeX[n], y = picture.nodeY[n];
    if (node.parent != kNoNode) {
      scene.Add(SceneLine{picture.nodeX[node.parent], y, x, y, kBranchColour, lineWidth});
    }
    if (!node.IsLeaf()) {
      scene.Add(SceneLine{x, picture.nodeY[node.children.front()], x,
                          picture.nodeY[node.children.back()], kBranchColour, lineWidth});
      if (drawing.support && node.HasSupport() && node.parent != kNoNode &&
          supportSize >= kSmallestText && !RepeatsRootBranch(tree, n)) {
        // Just left of the node, above its branch: the value belongs to that branch.
        scene.Add(SceneText{x - 2 * zoom, y - 2 * zoom, SupportText(node.support), supportSize,
                            kSupportColour, TextAnchor::kEnd});
      }
      continue;
    }
    picture.leafRows.push_back(n);
    if (nameSize < kSmallestText) continue;
    const double nameX = x + nameGap;
    scene.Add(SceneText{nameX, y + nameSize * 0.35, node.name, nameSize});
    right = std::max(right, nameX + TextWidth(node.name, nameSize));
  }
  // Rows come from the layout: leaves in drawing order, whatever the preorder visited first.
  std::sort(picture.leafRows.begin(), picture.leafRows.end(),
            [&](std::size_t a, std::size_t b) { return layout.y[a] < layout.y[b]; });
  if (scaleBar) AddScaleBar(scene, unitsPerLength, layout.width, zoom);
  scene.width = std::ceil(right + kMargin);
  scene.height =
      std::ceil(top + static_cast<double>(layout.leafRows) * picture.rowHeight + kMargin);
  return picture;
}

std::size_t LeafAt(const TreePicture& picture, double y) {
  if (picture.rowHeight <= 0 || y < picture.firstRowY) return kNoNode;
  const auto row = static_cast<std::size_t>((y - picture.firstRowY) / picture.rowHeight);
  return row < picture.leafRows.size() ? picture.leafRows[row] : kNoNode;
}

}  // namespace marbleset::pictures
