// The one typeface pictures are written with when they are drawn into pixels: printable ASCII
// of DejaVu Sans Mono at 12 pixels, kept as coverage maps so that the core draws text without a
// font library. SVG output names the same typeface, so both outputs lay out alike.
#pragma once

namespace marbleset::pictures {

inline constexpr int kGlyphWidth = 7;    // the advance of every character
inline constexpr int kGlyphHeight = 14;  // one line
inline constexpr int kGlyphAscent = 11;  // from the top of the line to the baseline
inline constexpr double kFontSize = 12;

// How much of pixel (x, y) of the glyph of c is ink, 0 to 15. Characters outside printable
// ASCII are drawn as '?'.
unsigned GlyphCoverage(char c, int x, int y);

}  // namespace marbleset::pictures
