#include "pictures/distance_pictures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "pictures/axis_ticks.h"
#include "pictures/colour_scale.h"
#include "pictures/glyphs.h"
#include "pictures/picture_text.h"
#include "pictures/picture_units.h"
#include "trees/neighbor_joining.h"
#include "trees/tree_layout.h"

namespace marbleset::pictures {

namespace {

std::size_t LongestName(const std::vector<std::string>& names) {
  std::size_t longest = 0;
  for (const std::string& name : names) longest = std::max(longest, name.size());
  return longest;
}

// The smallest and largest value off the diagonal (of the diagonal for a single OTU).
std::pair<double, double> OffDiagonalRange(const DistanceMatrix& matrix) {
  double low = 0, high = 0;
  bool any = false;
  for (std::size_t i = 0; i < matrix.n; ++i) {
    for (std::size_t j = 0; j < matrix.n; ++j) {
      if (i == j && matrix.n > 1) continue;
      const double value = matrix.At(i, j);
      low = any ? std::min(low, value) : value;
      high = any ? std::max(high, value) : value;
      any = true;
    }
  }
  return {low, high};
}

void AddTree(Scene& scene, const AverageLinkage& linkage, double left, double width, double top,
             double rowHeight, const Units& units) {
  const Tree& tree = linkage.tree;
  if (tree.Empty()) return;
  const TreeLayout layout = LayOutTree(tree, LayoutStyle::kBranchLengths);
  const double across = layout.width > 0 ? width / layout.width : 0;
  const auto X = [&](std::size_t node) { return left + layout.x[node] * across; };
  const auto Y = [&](std::size_t node) { return top + (layout.y[node] + 0.5) * rowHeight; };
  const double lineWidth = std::min(units.u, std::max(rowHeight / 2, 0.5));
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    const TreeNode& entry = tree.nodes[node];
    if (entry.parent != kNoNode) {
      // Leaves reach to the cells, so each row's branch ends at its row.
      const double end = entry.IsLeaf() ? left + width : X(node);
      scene.Add(SceneLine{X(entry.parent), Y(node), end, Y(node), kInkColour, lineWidth});
    }
    if (!entry.IsLeaf()) {
      scene.Add(SceneLine{X(node), Y(entry.children.front()), X(node), Y(entry.children.back()),
                          kInkColour, lineWidth});
    }
  }
}

// The colour key: the scale as a bar, highest at the top, its title above it and round values
// beside it; returns its right edge.
double AddColourKey(Scene& scene, double x, double y, double height, const std::string& title,
                    double low, double high, const Units& units) {
  scene.Add(Text(x, y + units.ascent(), title, units));
  const double barY = y + units.line() + units.gap();
  const double barWidth = 14 * units.u;
  const int steps = std::max(1, static_cast<int>(height / units.u / 2));
  const double step = height / steps;
  for (int k = 0; k < steps; ++k) {
    const double t = high > low ? 1 - (k + 0.5) / steps : 0.5;
    scene.Add(SceneRect{x, barY + k * step, barWidth, step, ScaleColour(t), kNoColour});
  }
  scene.Add(SceneRect{x, barY, barWidth, height, kNoColour, kFaintColour});
  double right = x + TextWidth(title, units.font());
  const double tickEnd = x + barWidth + 4 * units.u;
  for (const double value :
       AxisTicks(low, high, std::max<std::size_t>(2, height / (24 * units.u)))) {
    const double t = high > low ? (value - low) / (high - low) : 0.5;
    const double at = barY + (1 - t) * height;
    const std::string text = ShortText(value);
    scene.Add(SceneLine{x + barWidth, at, tickEnd, at, kInkColour, units.u});
    scene.Add(Text(tickEnd + 2 * units.u, at + 4 * units.u, text, units));
    right = std::max(right, tickEnd + 2 * units.u + TextWidth(text, units.font()));
  }
  return right;
}

}  // namespace

bool HoldsSimilarities(const DistanceMatrix& matrix) {
  if (matrix.n == 0) return false;
  const double diagonal = matrix.At(0, 0);
  if (diagonal == 0) return false;
  for (std::size_t i = 0; i < matrix.n; ++i) {
    if (matrix.At(i, i) != diagonal) return false;
    for (std::size_t j = 0; j < matrix.n; ++j) {
      if (matrix.At(i, j) > diagonal) return false;
    }
  }
  return true;
}

DistanceMatrix AsDistances(const DistanceMatrix& matrix) {
  DistanceMatrix distances = matrix;
  if (!HoldsSimilarities(matrix)) return distances;
  const double diagonal = matrix.At(0, 0);
  for (double& value : distances.values) value = diagonal - value;
  return distances;
}

AverageLinkage AverageLinkageOrder(const DistanceMatrix& matrix) {
  AverageLinkage linkage;
  if (matrix.n == 0) return linkage;
  if (matrix.n == 1) {
    linkage.order = {0};
    return linkage;
  }
  linkage.tree = BuildTree(AsDistances(matrix), TreeMethod::kUpgma);
  for (const std::size_t leaf : linkage.tree.LeavesInOrder()) {
    linkage.order.push_back(linkage.tree.nodes[leaf].otu);
  }
  return linkage;
}

Scene HeatMapPicture(const DistanceMatrix& matrix, const std::string& valueName, int scale,
                     HeatMapLayout* layoutOut) {
  const Units units{static_cast<double>(std::max(scale, 1))};
  const std::size_t n = matrix.n;
  const AverageLinkage linkage = AverageLinkageOrder(matrix);
  HeatMapLayout layout;
  layout.order = linkage.order;
  std::tie(layout.low, layout.high) = OffDiagonalRange(matrix);
  const double cells = static_cast<double>(std::max<std::size_t>(n, 1));
  layout.cellSize = std::clamp(std::floor(720 / cells), 1.0, 24.0) * units.u;
  const double treeWidth = 160 * units.u;
  layout.cellsX = units.margin() + treeWidth + units.u * 2;
  layout.cellsY = units.margin() + units.line() + units.gap();
  const double cellsSide = n * layout.cellSize;

  Scene scene;
  scene.Add(Text(units.margin(), units.margin() + units.ascent(),
                 valueName + " matrix of " + CountText(n, "OTU", "OTUs") +
                     ", in the order of the average-linkage (UPGMA) tree",
                 units));
  AddTree(scene, linkage, units.margin(), treeWidth, layout.cellsY, layout.cellSize, units);

  const auto colour = [&](std::size_t i, std::size_t j) {
    const double span = layout.high - layout.low;
    return ScaleColour(span > 0 ? (matrix.At(i, j) - layout.low) / span : 0.5);
  };
  if (n <= 60) {
    for (std::size_t row = 0; row < n; ++row) {
      for (std::size_t column = 0; column < n; ++column) {
        scene.Add(SceneRect{layout.cellsX + column * layout.cellSize,
                            layout.cellsY + row * layout.cellSize, layout.cellSize, layout.cellSize,
                            colour(layout.order[row], layout.order[column]), kNoColour});
      }
    }
  } else {
    auto raster = std::make_shared<Raster>(static_cast<int>(n), static_cast<int>(n));
    for (std::size_t row = 0; row < n; ++row) {
      for (std::size_t column = 0; column < n; ++column) {
        raster->Set(static_cast<int>(column), static_cast<int>(row),
                    colour(layout.order[row], layout.order[column]));
      }
    }
    scene.Add(SceneImage{layout.cellsX, layout.cellsY, cellsSide, cellsSide, std::move(raster)});
  }

  // Names beside the rows and under the columns where the cells are tall enough for them.
  const bool names = layout.cellSize >= 10 * units.u;
  const double namesWidth = names ? LongestName(matrix.names) * units.charWidth() : 0;
  if (names) {
    for (std::size_t row = 0; row < n; ++row) {
      const std::string& name = matrix.names[layout.order[row]];
      const double middle = (row + 0.5) * layout.cellSize + 4 * units.u;
      scene.Add(Text(layout.cellsX + cellsSide + units.gap(), layout.cellsY + middle, name, units));
      scene.Add(Text(layout.cellsX + middle, layout.cellsY + cellsSide + units.gap(), name, units,
                     TextAnchor::kEnd, true));
    }
  }
  // The key beside the cells (and their names), as tall as the cells or at least tall enough
  // for a handful of values.
  const double keyX = layout.cellsX + cellsSide + units.gap() + namesWidth + 3 * units.gap();
  const double keyHeight = std::clamp(cellsSide, 160 * units.u, 400 * units.u);
  const double keyEnd = AddColourKey(scene, keyX, layout.cellsY, keyHeight, valueName, layout.low,
                                     layout.high, units);
  const double keyBottom = layout.cellsY + units.line() + units.gap() + keyHeight;
  scene.width = std::max({keyEnd + units.margin(),
                          TextWidth(std::get<SceneText>(scene.items.front()).text, units.font()) +
                              2 * units.margin()});
  scene.height = std::max(layout.cellsY + cellsSide + (names ? namesWidth + units.gap() : 0),
                          keyBottom + units.gap()) +
                 units.margin();
  if (layoutOut != nullptr) *layoutOut = std::move(layout);
  return scene;
}

std::string AxisTitle(std::size_t axis, double share) {
  return "Axis " + std::to_string(axis) + " (" + PercentText(share) + ")";
}

std::string NegativeEigenvalueText(const PrincipalCoordinates& coordinates) {
  if (coordinates.negativeCount == 0) return "No negative eigenvalues.";
  return "Negative eigenvalues: " + std::to_string(coordinates.negativeCount) + ", together " +
         PercentText(coordinates.NegativeShare()) + " of the positive sum.";
}

Scene PcoaPicture(const DistanceMatrix& matrix, const PrincipalCoordinates& coordinates,
                  const OtuGroups& groups, const std::string& valueName, int scale,
                  PcoaLayout* layoutOut) {
  const Units units{static_cast<double>(std::max(scale, 1))};
  const std::size_t n = matrix.n;
  const double side = 440 * units.u;
  // One scale for both axes, so distances on the plot compare in every direction.
  const auto [minX, maxX] = std::minmax_element(coordinates.axis1.begin(), coordinates.axis1.end());
  const auto [minY, maxY] = std::minmax_element(coordinates.axis2.begin(), coordinates.axis2.end());
  const double centreX = n > 0 ? (*minX + *maxX) / 2 : 0;
  const double centreY = n > 0 ? (*minY + *maxY) / 2 : 0;
  double half = n > 0 ? std::max(*maxX - *minX, *maxY - *minY) / 2 : 0;
  if (!(half > 0)) half = 1;
  const double radius = 4 * units.u;
  const double stretch = (side / 2 - 3 * radius) / half;
  // Round values along both axes; the values of axis 2 stand left of the plot, its title left
  // of them.
  const double reach = side / 2 / stretch;
  const std::vector<double> ticksX = AxisTicks(centreX - reach, centreX + reach, 6);
  const std::vector<double> ticksY = AxisTicks(centreY - reach, centreY + reach, 6);
  const double tick = 4 * units.u;
  double labelsWidth = 0;
  for (const double value : ticksY) {
    labelsWidth = std::max(labelsWidth, TextWidth(ShortText(value, 3), units.font()));
  }
  const double plotX = units.margin() + units.line() + 2 * units.gap() + labelsWidth + tick;
  const double plotY = units.margin() + units.line() + units.gap();
  Scene scene;
  const std::string caption =
      "Principal coordinates, " + valueName + " matrix of " + CountText(n, "OTU", "OTUs");
  scene.Add(Text(units.margin(), units.margin() + units.ascent(), caption, units));
  scene.Add(SceneRect{plotX, plotY, side, side, kNoColour, kFaintColour});
  const auto screenX = [&](double x) { return plotX + side / 2 + (x - centreX) * stretch; };
  const auto screenY = [&](double y) { return plotY + side / 2 - (y - centreY) * stretch; };
  if (std::abs(centreX) <= half) {
    scene.Add(SceneLine{screenX(0), plotY, screenX(0), plotY + side, kFaintColour, units.u});
  }
  if (std::abs(centreY) <= half) {
    scene.Add(SceneLine{plotX, screenY(0), plotX + side, screenY(0), kFaintColour, units.u});
  }
  for (const double value : ticksX) {
    const double x = screenX(value);
    scene.Add(SceneLine{x, plotY + side, x, plotY + side + tick, kInkColour, units.u});
    scene.Add(Text(x, plotY + side + tick + units.ascent() + units.u, ShortText(value, 3), units,
                   TextAnchor::kMiddle));
  }
  for (const double value : ticksY) {
    const double y = screenY(value);
    scene.Add(SceneLine{plotX - tick, y, plotX, y, kInkColour, units.u});
    scene.Add(Text(plotX - tick - units.u * 2, y + 4 * units.u, ShortText(value, 3), units,
                   TextAnchor::kEnd));
  }
  const double titleY = plotY + side + tick + units.line() + units.gap();
  scene.Add(Text(plotX + side / 2, titleY + units.ascent(), AxisTitle(1, coordinates.axis1Share),
                 units, TextAnchor::kMiddle));
  scene.Add(Text(plotX - tick - 2 * units.gap() - labelsWidth, plotY + side / 2,
                 AxisTitle(2, coordinates.axis2Share), units, TextAnchor::kMiddle, true));

  PcoaLayout layout;
  layout.radius = radius;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t group = i < groups.groupOf.size() ? groups.groupOf[i] : kNoGroup;
    const double x = screenX(coordinates.axis1[i]);
    const double y = screenY(coordinates.axis2[i]);
    layout.x.push_back(x);
    layout.y.push_back(y);
    scene.Add(SceneCircle{x, y, radius, group == kNoGroup ? kUngroupedColour : GroupColour(group),
                          kInkColour, matrix.names[i]});
  }
  if (n <= 40) {
    for (std::size_t i = 0; i < n; ++i) {
      scene.Add(Text(layout.x[i] + radius + 2 * units.u, layout.y[i] + 4 * units.u, matrix.names[i],
                     units));
    }
  }

  // Groups to the right of the plot.
  double right = plotX + side;
  if (!groups.Empty()) {
    const double legendX = plotX + side + 3 * units.gap();
    double y = plotY + units.line() / 2;
    const auto entry = [&](Argb colour, const std::string& name) {
      scene.Add(SceneCircle{legendX + radius, y, radius, colour, kInkColour, ""});
      scene.Add(Text(legendX + 2 * radius + units.gap(), y + 4 * units.u, name, units));
      right = std::max(right, legendX + 2 * radius + units.gap() + TextWidth(name, units.font()));
      y += units.line() + 4 * units.u;
    };
    for (std::size_t group = 0; group < groups.names.size(); ++group) {
      entry(GroupColour(group), groups.names[group]);
    }
    if (std::find(groups.groupOf.begin(), groups.groupOf.end(), kNoGroup) != groups.groupOf.end()) {
      entry(kUngroupedColour, "(no group)");
    }
  }
  const std::string note = NegativeEigenvalueText(coordinates);
  const double noteY = titleY + units.line() + units.gap() + units.ascent();
  scene.Add(Text(plotX, noteY, note, units));
  scene.width = std::max({right, plotX + TextWidth(note, units.font()),
                          units.margin() + TextWidth(caption, units.font())}) +
                units.margin();
  scene.height = noteY + units.line() - units.ascent() + units.margin();
  if (layoutOut != nullptr) *layoutOut = std::move(layout);
  return scene;
}

}  // namespace marbleset::pictures
