// The lengths every picture is laid out in, at its scale (1 for a screen at 100 %, 2 for 200 %
// and print), and its text items in the ink colour.
#pragma once

#include <string>
#include <utility>

#include "pictures/colour_scale.h"
#include "pictures/glyphs.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

struct Units {
  double u;
  double font() const { return kFontSize * u; }
  double charWidth() const { return kGlyphWidth * u; }
  double line() const { return kGlyphHeight * u; }
  double ascent() const { return kGlyphAscent * u; }
  double margin() const { return 10 * u; }
  double gap() const { return 6 * u; }
};

inline SceneText Text(double x, double y, std::string text, const Units& units,
                      TextAnchor anchor = TextAnchor::kStart, bool vertical = false) {
  SceneText item;
  item.x = x;
  item.y = y;
  item.text = std::move(text);
  item.size = units.font();
  item.colour = kInkColour;
  item.anchor = anchor;
  item.vertical = vertical;
  return item;
}

}  // namespace marbleset::pictures
