#include "pictures/split_network.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "pictures/colour_scale.h"
#include "pictures/picture_units.h"

namespace marbleset::pictures {

namespace {

struct Move {
  double key;  // the turn from the gap's own direction; larger first
  double dx, dy;
};

// The direction of split (first, last): the mean angle of its OTUs on the circle.
double SplitAngle(const CircularSplit& split, std::size_t n) {
  return std::numbers::pi * static_cast<double>(split.first + split.last) / static_cast<double>(n);
}

// A length on the scale bar: 1, 2 or 5 times a power of ten, near a fifth of the width.
double ScaleLength(double width) {
  const double target = width / 5;
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  for (double step : {5.0, 2.0, 1.0})
    if (step * power <= target) return step * power;
  return power;
}

}  // namespace

NetworkLayout LayOutSplitNetwork(const SplitNetwork& network) {
  const std::size_t n = network.ordering.size();
  NetworkLayout layout;
  layout.otuPoint.assign(network.names.size(), 0);
  if (n == 0) return layout;
  std::vector<std::vector<Move>> gaps(n + 1);
  for (const CircularSplit& split : network.splits) {
    const double angle = SplitAngle(split, n);
    const double dx = split.weight * std::cos(angle), dy = split.weight * std::sin(angle);
    const double enterGap = std::numbers::pi * (2.0 * static_cast<double>(split.first) - 1) / n;
    const double leaveGap = std::numbers::pi * (2.0 * static_cast<double>(split.last) + 1) / n;
    gaps[split.first].push_back({std::remainder(angle - enterGap, 2 * std::numbers::pi), dx, dy});
    gaps[split.last + 1].push_back(
        {std::remainder(angle + std::numbers::pi - leaveGap, 2 * std::numbers::pi), -dx, -dy});
  }
  double x = 0, y = 0;
  layout.x.push_back(0);
  layout.y.push_back(0);
  for (std::size_t gap = 1; gap <= n; ++gap) {
    std::vector<Move>& moves = gaps[gap];
    std::sort(moves.begin(), moves.end(),
              [](const Move& a, const Move& b) { return a.key > b.key; });
    for (const Move& move : moves) {
      x += move.dx;
      y += move.dy;
      const std::size_t from = layout.x.size() - 1;
      layout.x.push_back(x);
      layout.y.push_back(y);
      layout.edges.push_back({from, from + 1});
    }
    layout.otuPoint[network.ordering[gap % n]] = layout.x.size() - 1;
  }
  // The walk ends where it began: its last point is the first.
  if (!layout.edges.empty()) {
    layout.edges.back().second = 0;
    layout.x.pop_back();
    layout.y.pop_back();
  }
  layout.otuPoint[network.ordering[0]] = 0;
  return layout;
}

Scene SplitNetworkPicture(const SplitNetwork& network, const OtuGroups& groups, int scale,
                          NetworkLayout* layoutOut) {
  const Units units{static_cast<double>(scale)};
  NetworkLayout layout = LayOutSplitNetwork(network);
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (std::size_t p = 0; p < layout.x.size(); ++p) {
    minX = std::min(minX, layout.x[p]);
    maxX = std::max(maxX, layout.x[p]);
    minY = std::min(minY, layout.y[p]);
    maxY = std::max(maxY, layout.y[p]);
  }
  std::size_t longest = 0;
  for (const std::string& name : network.names) longest = std::max(longest, name.size());
  const double label = static_cast<double>(longest) * units.charWidth() + units.gap();
  const double side = 560 * units.u;
  const double extent = std::max({maxX - minX, maxY - minY, 1e-12});
  const double pixels = side / extent;
  const double left = units.margin() + label, top = units.margin() + label;
  Scene scene;
  scene.width = side + 2 * left;
  scene.height = side + 2 * top + 3 * units.line();
  for (std::size_t p = 0; p < layout.x.size(); ++p) {
    layout.x[p] = left + (layout.x[p] - minX) * pixels;
    layout.y[p] = top + (maxY - layout.y[p]) * pixels;
  }
  for (const auto& [a, b] : layout.edges)
    scene.Add(SceneLine{layout.x[a], layout.y[a], layout.x[b], layout.y[b], kInkColour, units.u});
  const double centreX = left + side / 2, centreY = top + side / 2;
  for (std::size_t otu = 0; otu < network.names.size(); ++otu) {
    const std::size_t point = layout.otuPoint[otu];
    const double px = layout.x[point], py = layout.y[point];
    const std::size_t group = groups.Empty() ? kNoGroup : groups.groupOf[otu];
    const Argb colour = group == kNoGroup ? kInkColour : GroupColour(group);
    // Names stand outside the network, on the side of the point away from its centre.
    const bool right = px >= centreX;
    SceneText text =
        Text(px + (right ? 1 : -1) * units.gap() / 2, py + (py >= centreY ? units.ascent() : 0),
             network.names[otu], units, right ? TextAnchor::kStart : TextAnchor::kEnd);
    text.colour = colour;
    scene.Add(text);
    if (group != kNoGroup) scene.Add(SceneCircle{px, py, 2.5 * units.u, colour, kNoColour, ""});
  }
  const double length = ScaleLength(extent);
  const double barY = scene.height - units.margin() - units.line();
  scene.Add(
      SceneLine{units.margin(), barY, units.margin() + length * pixels, barY, kInkColour, units.u});
  char text[32];
  std::snprintf(text, sizeof text, "%g", length);
  scene.Add(Text(units.margin(), barY + units.line(), text, units));
  if (layoutOut) *layoutOut = std::move(layout);
  return scene;
}

}  // namespace marbleset::pictures
