#include "pictures/scene.h"

#include "pictures/glyphs.h"

namespace marbleset::pictures {

double TextWidth(const std::string& text, double size) {
  return static_cast<double>(text.size()) * kGlyphWidth * size / kFontSize;
}

}  // namespace marbleset::pictures
