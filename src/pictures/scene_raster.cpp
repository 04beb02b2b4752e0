#include "pictures/scene_raster.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "pictures/glyphs.h"

namespace marbleset::pictures {

namespace {

int Round(double value) {
  return static_cast<int>(std::lround(value));
}

void DrawRect(Raster& raster, const SceneRect& rect) {
  const int left = Round(rect.x);
  const int top = Round(rect.y);
  const int right = Round(rect.x + rect.width);
  const int bottom = Round(rect.y + rect.height);
  if (rect.fill != kNoColour) raster.FillRect(left, top, right - left, bottom - top, rect.fill);
  if (rect.stroke != kNoColour) {
    raster.FillRect(left, top, right - left, 1, rect.stroke);
    raster.FillRect(left, bottom - 1, right - left, 1, rect.stroke);
    raster.FillRect(left, top, 1, bottom - top, rect.stroke);
    raster.FillRect(right - 1, top, 1, bottom - top, rect.stroke);
  }
}

void DrawLine(Raster& raster, const SceneLine& line) {
  const int thickness = std::max(1, Round(line.width));
  const int half = (thickness - 1) / 2;
  if (line.x1 == line.x2 || line.y1 == line.y2) {
    // Lines along an axis cover whole pixels: the tree's branches and the plot's axes.
    const int left = Round(std::min(line.x1, line.x2));
    const int right = Round(std::max(line.x1, line.x2));
    const int top = Round(std::min(line.y1, line.y2));
    const int bottom = Round(std::max(line.y1, line.y2));
    if (line.y1 == line.y2) {
      raster.FillRect(left, top - half, right - left + 1, thickness, line.colour);
    } else {
      raster.FillRect(left - half, top, thickness, bottom - top + 1, line.colour);
    }
    return;
  }
  const double length = std::hypot(line.x2 - line.x1, line.y2 - line.y1);
  const int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
  for (int step = 0; step <= steps; ++step) {
    const double t = static_cast<double>(step) / steps;
    const int x = Round(line.x1 + (line.x2 - line.x1) * t);
    const int y = Round(line.y1 + (line.y2 - line.y1) * t);
    raster.FillRect(x - half, y - half, thickness, thickness, line.colour);
  }
}

void DrawCircle(Raster& raster, const SceneCircle& circle) {
  const int left = static_cast<int>(std::floor(circle.x - circle.radius - 1));
  const int right = static_cast<int>(std::ceil(circle.x + circle.radius + 1));
  const int top = static_cast<int>(std::floor(circle.y - circle.radius - 1));
  const int bottom = static_cast<int>(std::ceil(circle.y + circle.radius + 1));
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      // Coverage from the distance of the pixel's centre to the edge: smooth edges.
      const double distance = std::hypot(x + 0.5 - circle.x, y + 0.5 - circle.y);
      const double inside = std::clamp(circle.radius + 0.5 - distance, 0.0, 1.0);
      if (inside <= 0) continue;
      if (circle.fill != kNoColour) raster.Blend(x, y, circle.fill, Round(inside * 255));
      if (circle.stroke != kNoColour) {
        const double ring = std::clamp(1.0 - std::abs(circle.radius - 0.5 - distance), 0.0, 1.0);
        raster.Blend(x, y, circle.stroke, Round(ring * 255));
      }
    }
  }
}

void DrawText(Raster& raster, const SceneText& text) {
  const int factor = std::max(1, Round(text.size / kFontSize));
  const int run = static_cast<int>(text.text.size()) * kGlyphWidth * factor;
  int shift = 0;
  if (text.anchor == TextAnchor::kMiddle) shift = run / 2;
  if (text.anchor == TextAnchor::kEnd) shift = run;
  const int x = Round(text.x);
  const int y = Round(text.y);
  for (std::size_t k = 0; k < text.text.size(); ++k) {
    for (int v = 0; v < kGlyphHeight * factor; ++v) {
      for (int w = 0; w < kGlyphWidth * factor; ++w) {
        const unsigned coverage = GlyphCoverage(text.text[k], w / factor, v / factor);
        if (coverage == 0) continue;
        // Offsets from the anchor along the run (du) and down from the baseline (dv).
        const int du = static_cast<int>(k) * kGlyphWidth * factor + w - shift;
        const int dv = v - kGlyphAscent * factor;
        if (text.vertical) {
          raster.Blend(x + dv, y - du, text.colour, coverage * 17);
        } else {
          raster.Blend(x + du, y + dv, text.colour, coverage * 17);
        }
      }
    }
  }
}

void DrawImage(Raster& raster, const SceneImage& image) {
  if (!image.raster || image.raster->Width() == 0 || image.raster->Height() == 0) return;
  const Raster& source = *image.raster;
  const int left = Round(image.x);
  const int top = Round(image.y);
  const int width = Round(image.x + image.width) - left;
  const int height = Round(image.y + image.height) - top;
  for (int row = std::max(0, -top); row < height && top + row < raster.Height(); ++row) {
    const Argb* from =
        source.Row(static_cast<int>(static_cast<long long>(row) * source.Height() / height));
    Argb* to = raster.Row(top + row);
    for (int column = std::max(0, -left); column < width && left + column < raster.Width();
         ++column) {
      to[left + column] = from[static_cast<long long>(column) * source.Width() / width];
    }
  }
}

struct Scaling {
  double by;
  void operator()(SceneRect& rect) const { Scale(rect.x, rect.y, rect.width, rect.height); }
  void operator()(SceneLine& line) const { Scale(line.x1, line.y1, line.x2, line.y2, line.width); }
  void operator()(SceneCircle& circle) const { Scale(circle.x, circle.y, circle.radius); }
  void operator()(SceneText& text) const { Scale(text.x, text.y, text.size); }
  void operator()(SceneImage& image) const { Scale(image.x, image.y, image.width, image.height); }
  template <typename... Values>
  void Scale(Values&... values) const {
    ((values *= by), ...);
  }
};

}  // namespace

Raster RenderScene(const Scene& scene, int scale) {
  if (scale <= 1) return RenderScene(scene);
  Scene scaled = scene;
  const Scaling scaling{static_cast<double>(scale)};
  scaled.width *= scaling.by;
  scaled.height *= scaling.by;
  for (SceneItem& item : scaled.items) std::visit(scaling, item);
  return RenderScene(scaled);
}

int ExportScale(const Scene& scene) {
  constexpr double kSharpExportHeight = 4000;
  return scene.height * 2 <= kSharpExportHeight ? 2 : 1;
}

Raster RenderScene(const Scene& scene) {
  Raster raster(static_cast<int>(std::ceil(scene.width)), static_cast<int>(std::ceil(scene.height)),
                scene.background);
  for (const SceneItem& item : scene.items) {
    if (const auto* rect = std::get_if<SceneRect>(&item)) DrawRect(raster, *rect);
    if (const auto* line = std::get_if<SceneLine>(&item)) DrawLine(raster, *line);
    if (const auto* circle = std::get_if<SceneCircle>(&item)) DrawCircle(raster, *circle);
    if (const auto* text = std::get_if<SceneText>(&item)) DrawText(raster, *text);
    if (const auto* image = std::get_if<SceneImage>(&item)) DrawImage(raster, *image);
  }
  return raster;
}

}  // namespace marbleset::pictures
