// A picture as pixels: width x height colours, row after row from the top, each 32 bits as
// 0xAARRGGBB (alpha in the top byte). The writers turn it into PNG; the desktop program shows it
// without copying (Qt's ARGB32 layout is the same).
#pragma once

#include <cstdint>
#include <vector>

namespace marbleset::pictures {

using Argb = std::uint32_t;

constexpr Argb Rgb(unsigned red, unsigned green, unsigned blue) {
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}
constexpr unsigned Alpha(Argb colour) {
  return colour >> 24;
}
constexpr unsigned Red(Argb colour) {
  return (colour >> 16) & 0xFFu;
}
constexpr unsigned Green(Argb colour) {
  return (colour >> 8) & 0xFFu;
}
constexpr unsigned Blue(Argb colour) {
  return colour & 0xFFu;
}

// The colour weight of the way from a to b (weight 0: a, 1: b), opaque.
Argb Mix(Argb a, Argb b, double weight);

// Pixel coordinates are ints: drawing may start left of or above the picture and is clipped.
class Raster {
 public:
  Raster() = default;
  Raster(int width, int height, Argb fill = Rgb(255, 255, 255));

  int Width() const { return width_; }
  int Height() const { return height_; }
  Argb At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void Set(int x, int y, Argb colour) {
    pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
  }
  const Argb* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Argb* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const std::vector<Argb>& Pixels() const { return pixels_; }

  // Paints the rectangle (clipped to the picture) with colour, ignoring its alpha.
  void FillRect(int x, int y, int width, int height, Argb colour);
  // Lays colour over the pixel with coverage 0 to 255 (times the colour's own alpha).
  void Blend(int x, int y, Argb colour, unsigned coverage);
  // Copies source with its top left corner at (x, y), each pixel scaled to factor x factor.
  void Draw(const Raster& source, int x, int y, int factor = 1);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Argb> pixels_;
};

}  // namespace marbleset::pictures
