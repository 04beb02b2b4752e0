// Drawing a scene into pixels, for PNG files and for tests that check what a picture shows.
#pragma once

#include "pictures/raster.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

// The scene at one pixel per unit, rectangles and images on whole pixels (edges rounded), text
// in the built-in typeface scaled to the nearest whole multiple of its 12-pixel size.
Raster RenderScene(const Scene& scene);

// The scene at scale pixels per unit (from 1): every place, length, line width and font size
// times scale, then drawn as above, so text and lines stay sharp rather than pixels repeated.
Raster RenderScene(const Scene& scene, int scale);

// The scale a picture is exported at as PNG: two pixels a unit, sharp when printed or shown at
// 200 %, unless that would make it taller than 4000 pixels (a tree of a thousand OTUs at two
// would need an image of hundreds of megabytes); then one.
int ExportScale(const Scene& scene);

}  // namespace marbleset::pictures
