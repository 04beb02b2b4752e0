// Rasters as PNG files: 8 bits a channel, RGB when every pixel is opaque and RGBA otherwise,
// each row unfiltered, the whole compressed by zlib.
#pragma once

#include <string>

#include "dataset/text_sink.h"
#include "pictures/raster.h"

namespace marbleset::pictures {

// The bytes of the PNG file of raster. Throws Failure when zlib fails (it has no memory).
std::string EncodePng(const Raster& raster);

// EncodePng written to sink (a file through OutputFile, or a string in a test).
void WritePng(const Raster& raster, TextSink& sink);

}  // namespace marbleset::pictures
