#include "pictures/raster.h"

#include <algorithm>
#include <cmath>

namespace marbleset::pictures {

Argb Mix(Argb a, Argb b, double weight) {
  const auto channel = [weight](unsigned from, unsigned to) {
    return static_cast<unsigned>(std::lround(from + (static_cast<double>(to) - from) * weight));
  };
  return Rgb(channel(Red(a), Red(b)), channel(Green(a), Green(b)), channel(Blue(a), Blue(b)));
}

Raster::Raster(int width, int height, Argb fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

void Raster::FillRect(int x, int y, int width, int height, Argb colour) {
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min(x + width, width_);
  const int bottom = std::min(y + height, height_);
  for (int row = top; row < bottom; ++row) {
    std::fill(Row(row) + left, Row(row) + std::max(left, right), colour);
  }
}

void Raster::Blend(int x, int y, Argb colour, unsigned coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const unsigned alpha = coverage * Alpha(colour) / 255;
  if (alpha == 0) return;
  Argb& pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
  if (alpha >= 255) {
    pixel = colour | 0xFF000000u;
    return;
  }
  const auto channel = [alpha](unsigned under, unsigned over) {
    return (over * alpha + under * (255 - alpha) + 127) / 255;
  };
  const unsigned outAlpha = alpha + Alpha(pixel) * (255 - alpha) / 255;
  pixel = (outAlpha << 24) | (channel(Red(pixel), Red(colour)) << 16) |
          (channel(Green(pixel), Green(colour)) << 8) | channel(Blue(pixel), Blue(colour));
}

void Raster::Draw(const Raster& source, int x, int y, int factor) {
  factor = std::max(factor, 1);
  for (int row = 0; row < source.Height() * factor; ++row) {
    const int target = y + row;
    if (target < 0 || target >= height_) continue;
    const Argb* from = source.Row(row / factor);
    Argb* to = Row(target);
    for (int column = std::max(0, -x); column < source.Width() * factor; ++column) {
      if (x + column >= width_) break;
      to[x + column] = from[column / factor];
    }
  }
}

}  // namespace marbleset::pictures
