// Pictures of the core (scenes and rasters) on Qt's painter: the same shapes the SVG and PNG
// writers write, drawn with the screen's own typeface rendering and at any device pixel ratio.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include "pictures/raster.h"
#include "pictures/scene.h"

class QPainter;

namespace marbleset::shell {

QColor ColourOf(pictures::Argb colour);
// A copy of the raster as an image in Qt's ARGB32 layout (the raster's own).
QImage ImageOf(const pictures::Raster& raster);

// The typeface of the pictures at size pixels.
QFont PictureFont(double size);

void PaintScene(QPainter& painter, const pictures::Scene& scene);

}  // namespace marbleset::shell
