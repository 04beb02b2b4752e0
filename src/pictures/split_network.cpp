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

constexpr double kPi = std::numbers::pi;

// The direction of the gap before position p of the circle (p = n: the gap before position 0).
double GapAngle(std::size_t p, std::size_t n) {
  return kPi * (2.0 * static_cast<double>(p) - 1) / static_cast<double>(n);
}

// The direction of split (first, last): the mean angle of its OTUs on the circle.
double EqualAngle(const CircularSplit& split, std::size_t n) {
  return kPi * static_cast<double>(split.first + split.last) / static_cast<double>(n);
}

// Two splits conflict (form boxes) when their runs of positions overlap and neither holds the
// other.
bool Conflict(const CircularSplit& a, const CircularSplit& b) {
  return (a.first < b.first && b.first <= a.last && a.last < b.last) ||
         (b.first < a.first && a.first <= b.last && b.last < a.last);
}

// Whether two splits cross the same gap between neighbours on the circle.
bool ShareGap(const CircularSplit& a, const CircularSplit& b) {
  return a.first == b.first || a.last == b.last || a.first == b.last + 1 || b.first == a.last + 1;
}

// The room split i has to turn, down and up, before its direction (taken as a line, so modulo
// a half turn) meets that of a split it forms boxes with or crosses a gap with, or that of one
// of its two gaps: within it no box folds over and every gap is crossed in the same order, so
// the outline stays simple.
std::pair<double, double> Room(const std::vector<CircularSplit>& splits,
                               const std::vector<double>& angle, std::size_t i, std::size_t n) {
  double down = kPi, up = kPi;
  auto limit = [&](double other) {
    const double above = std::fmod(std::fmod(other - angle[i], kPi) + kPi, kPi);
    if (above == 0) {
      down = up = 0;
      return;
    }
    up = std::min(up, above);
    down = std::min(down, kPi - above);
  };
  limit(GapAngle(splits[i].first, n));
  limit(GapAngle(splits[i].last + 1, n));
  for (std::size_t j = 0; j < splits.size(); ++j)
    if (j != i && (Conflict(splits[i], splits[j]) || ShareGap(splits[i], splits[j])))
      limit(angle[j]);
  return {down, up};
}

// Box opening: each split in turn takes, within its room (less a small margin that keeps
// every box open), the direction among evenly spaced trials where the area of its boxes, its
// weight times the sum of w |sin(angle difference)| over the splits it conflicts with, is
// largest; a split moves only when that grows, so the network's area never shrinks.
std::vector<double> OpenedAngles(const SplitNetwork& network, std::size_t n) {
  const std::vector<CircularSplit>& splits = network.splits;
  const std::size_t m = splits.size();
  std::vector<double> angle(m);
  for (std::size_t i = 0; i < m; ++i) angle[i] = EqualAngle(splits[i], n);
  const double margin = kPi / (8.0 * static_cast<double>(n));
  auto boxArea = [&](std::size_t i, double at) {
    double sum = 0;
    for (std::size_t j = 0; j < m; ++j)
      if (Conflict(splits[i], splits[j]))
        sum += splits[j].weight * std::abs(std::sin(at - angle[j]));
    return sum;
  };
  constexpr int kSweeps = 4, kTrials = 24;
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    bool moved = false;
    for (std::size_t i = 0; i < m; ++i) {
      const auto [down, up] = Room(splits, angle, i, n);
      const double low = angle[i] - std::max(0.0, down - margin);
      const double high = angle[i] + std::max(0.0, up - margin);
      if (!(low < high)) continue;
      double best = angle[i], bestArea = boxArea(i, angle[i]);
      for (int k = 0; k <= kTrials; ++k) {
        const double at = low + (high - low) * k / kTrials;
        const double area = boxArea(i, at);
        if (area > bestArea * (1 + 1e-12)) {
          best = at;
          bestArea = area;
        }
      }
      moved = moved || best != angle[i];
      angle[i] = best;
    }
    if (!moved) break;
  }
  return angle;
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

NetworkLayout LayOutSplitNetwork(const SplitNetwork& network, SplitAngles choice) {
  const std::size_t n = network.ordering.size();
  NetworkLayout layout;
  layout.otuPoint.assign(network.names.size(), 0);
  if (n == 0) return layout;
  std::vector<double> angles;
  if (choice == SplitAngles::kOpenedBoxes) {
    angles = OpenedAngles(network, n);
  } else {
    for (const CircularSplit& split : network.splits) angles.push_back(EqualAngle(split, n));
  }
  std::vector<std::vector<Move>> gaps(n + 1);
  for (std::size_t i = 0; i < network.splits.size(); ++i) {
    const CircularSplit& split = network.splits[i];
    const double angle = angles[i];
    const double dx = split.weight * std::cos(angle), dy = split.weight * std::sin(angle);
    const double enterGap = GapAngle(split.first, n), leaveGap = GapAngle(split.last + 1, n);
    gaps[split.first].push_back({std::remainder(angle - enterGap, 2 * kPi), dx, dy});
    gaps[split.last + 1].push_back({std::remainder(angle + kPi - leaveGap, 2 * kPi), -dx, -dy});
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
