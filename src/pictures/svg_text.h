// Scenes as SVG text: one element a shape, coordinates with at most two decimals, text in the
// pictures' typeface, embedded rasters as PNG data, names on hover as titles.
#pragma once

#include <string>

#include "dataset/text_sink.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

std::string SvgText(const Scene& scene);

void WriteSvg(const Scene& scene, TextSink& sink);

// "3", "2.5", "0.33": a coordinate as the SVG writes it.
std::string SvgNumber(double value);

}  // namespace marbleset::pictures
