// Export of a picture as PNG or SVG. SVG is the core's text of the scene; PNG is the scene as
// this program paints it, at one or two device pixels a unit, written by the core's PNG
// writer. Both go to a temporary beside the target that replaces it only when complete.
#pragma once

#include <QImage>
#include <QString>
#include <string>

#include "pictures/scene.h"
#include "shell/platform_services.h"

class QWidget;

namespace marbleset::shell {

enum class PictureFormat { kPng, kSvg };

// The scene painted at scale device pixels a unit.
QImage PaintedImage(const pictures::Scene& scene, double scale = 1);

// Writes the scene to path. Throws WriteFailure naming path.
void ExportPicture(const pictures::Scene& scene, const std::string& path, PictureFormat format,
                   double scale = 1);

// Asks for the file ("PNG image (*.png)", "SVG drawing (*.svg)"; the chosen entry decides the
// format) and writes it, telling the user of a failure. proposedName is the file's name
// without extension. Returns the path written, or empty.
QString AskAndExportPicture(QWidget* parent, PlatformServices& services,
                            const pictures::Scene& scene, const QString& folder,
                            const QString& proposedName);

}  // namespace marbleset::shell
