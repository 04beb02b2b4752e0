// Drawing a scene into pixels, for PNG files and for tests that check what a picture shows.
#pragma once

#include "pictures/raster.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

// The scene at one pixel per unit, rectangles and images on whole pixels (edges rounded), text
// in the built-in typeface scaled to the nearest whole multiple of its 12-pixel size.
Raster RenderScene(const Scene& scene);

}  // namespace marbleset::pictures
