#include "pictures/colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace marbleset::pictures {

namespace {

// Viridis at eleven even steps.
constexpr std::array<Argb, 11> kScale = {
    Rgb(0x44, 0x01, 0x54), Rgb(0x48, 0x25, 0x76), Rgb(0x41, 0x44, 0x87), Rgb(0x35, 0x60, 0x8D),
    Rgb(0x2A, 0x78, 0x8E), Rgb(0x21, 0x90, 0x8C), Rgb(0x22, 0xA8, 0x84), Rgb(0x43, 0xBF, 0x71),
    Rgb(0x7A, 0xD1, 0x51), Rgb(0xBB, 0xDF, 0x27), Rgb(0xFD, 0xE7, 0x25),
};

// Okabe and Ito's colours, yellow last since it shows least on white.
constexpr std::array<Argb, 8> kGroups = {
    Rgb(0x00, 0x72, 0xB2), Rgb(0xE6, 0x9F, 0x00), Rgb(0x00, 0x9E, 0x73), Rgb(0xCC, 0x79, 0xA7),
    Rgb(0x56, 0xB4, 0xE9), Rgb(0xD5, 0x5E, 0x00), Rgb(0x00, 0x00, 0x00), Rgb(0xF0, 0xE4, 0x42),
};

}  // namespace

Argb ScaleColour(double t) {
  if (!(t > 0)) return kScale.front();  // NaN included
  if (t >= 1) return kScale.back();
  const double position = t * (kScale.size() - 1);
  const std::size_t step = static_cast<std::size_t>(position);
  return Mix(kScale[step], kScale[step + 1], position - step);
}

Argb GroupColour(std::size_t group) {
  return kGroups[group % kGroups.size()];
}

}  // namespace marbleset::pictures
