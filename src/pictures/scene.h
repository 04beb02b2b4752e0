// A picture as a list of shapes in pixel coordinates: rectangles, lines, circles, text and
// embedded rasters. Each picture (matrix, heat map, principal coordinates) is described once as
// a scene; the scene is then drawn into pixels (RenderScene), written as SVG (WriteSvg) or
// painted by the desktop program, so every output shows the same picture.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "pictures/raster.h"

namespace marbleset::pictures {

inline constexpr Argb kNoColour = 0;

struct SceneRect {
  double x = 0, y = 0, width = 0, height = 0;
  Argb fill = kNoColour;
  Argb stroke = kNoColour;  // outline one unit wide, inside the rectangle's edge
};

struct SceneLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Argb colour = 0;
  double width = 1;
};

struct SceneCircle {
  double x = 0, y = 0, radius = 0;
  Argb fill = kNoColour;
  Argb stroke = kNoColour;
  std::string title;  // shown on hover where the output can (SVG's title)
};

enum class TextAnchor { kStart, kMiddle, kEnd };

struct SceneText {
  double x = 0, y = 0;  // the baseline's start, middle or end (before turning)
  std::string text;
  double size = 12;  // font size in pixels
  Argb colour = 0xFF000000u;
  TextAnchor anchor = TextAnchor::kStart;
  bool vertical = false;  // turned a quarter anticlockwise about (x, y), read upwards
};

// Pixels shown scaled into a rectangle, each pixel a sharp block.
struct SceneImage {
  double x = 0, y = 0, width = 0, height = 0;
  std::shared_ptr<const Raster> raster;
};

using SceneItem = std::variant<SceneRect, SceneLine, SceneCircle, SceneText, SceneImage>;

struct Scene {
  double width = 0, height = 0;
  Argb background = Rgb(255, 255, 255);
  std::vector<SceneItem> items;

  void Add(SceneItem item) { items.push_back(std::move(item)); }
};

// The width the typeface of the pictures takes for text at size (monospaced: 7/12 of the size
// a character).
double TextWidth(const std::string& text, double size);

}  // namespace marbleset::pictures
