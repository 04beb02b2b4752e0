// Export of a picture as PNG or SVG. SVG is the core's text of the scene; PNG is the core's
// drawing of it at one or two pixels a unit, so marbleset-cli writes the same pixels. Both go to
// a temporary beside the target that replaces it only when complete.
#pragma once

#include <QString>
#include <string>

#include "pictures/scene.h"
#include "shell/platform_services.h"

class QWidget;

namespace marbleset::shell {

enum class PictureFormat { kPng, kSvg };

// Writes the scene to path, a PNG at scale pixels a unit. Throws WriteFailure naming path.
void ExportPicture(const pictures::Scene& scene, const std::string& path, PictureFormat format,
                   int scale = 1);

// Asks for the file ("PNG image (*.png)", "SVG drawing (*.svg)"; the chosen entry decides the
// format) and writes it, telling the user of a failure. proposedName is the file's name
// without extension. Returns the path written, or empty.
QString AskAndExportPicture(QWidget* parent, PlatformServices& services,
                            const pictures::Scene& scene, const QString& folder,
                            const QString& proposedName);

}  // namespace marbleset::shell
