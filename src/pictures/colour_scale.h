// The colours of the pictures, chosen to read for colour-blind viewers: binary states as light
// and dark greys, missing entries and other values in two hues that no form of colour
// blindness confuses with each other or with grey, quantitative values and distances on a
// viridis-like scale (dark violet through teal to yellow, lightness rising all the way), groups
// in the Okabe-Ito palette.
#pragma once

#include <cstddef>

#include "pictures/raster.h"

namespace marbleset::pictures {

inline constexpr Argb kStateZeroColour = Rgb(0xF0, 0xF0, 0xF0);
inline constexpr Argb kStateOneColour = Rgb(0x2B, 0x2B, 0x2B);
inline constexpr Argb kMissingColour = Rgb(0xD5, 0x5E, 0x00);     // vermillion
inline constexpr Argb kOtherValueColour = Rgb(0x00, 0x72, 0xB2);  // blue
inline constexpr Argb kUngroupedColour = Rgb(0x99, 0x99, 0x99);
inline constexpr Argb kInkColour = Rgb(0x20, 0x20, 0x20);
inline constexpr Argb kFaintColour = Rgb(0xB0, 0xB0, 0xB0);

// The scale's colour at t from 0 (lowest) to 1 (highest), t clamped to that range; a table of
// eleven colours with straight lines between them.
Argb ScaleColour(double t);

// The colour of the group-th group; after eight colours the palette repeats.
Argb GroupColour(std::size_t group);

}  // namespace marbleset::pictures
