#include "shell/picture_export.h"

#include <QDir>

#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/svg_text.h"

namespace marbleset::shell {

void ExportPicture(const pictures::Scene& scene, const std::string& path, PictureFormat format,
                   int scale) {
  OutputFile file(path);
  if (format == PictureFormat::kSvg) {
    pictures::WriteSvg(scene, file.sink());
  } else {
    pictures::WritePng(pictures::RenderScene(scene, scale), file.sink());
  }
  file.Close();
}

QString AskAndExportPicture(QWidget* parent, PlatformServices& services,
                            const pictures::Scene& scene, const QString& folder,
                            const QString& proposedName) {
  FileDialogRequest request;
  request.title = QStringLiteral("Export picture");
  request.filter = QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)");
  request.initialFolder = folder;
  request.initialName = QDir(folder).filePath(proposedName + QStringLiteral(".png"));
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = services.ChooseSaveFile(parent, request);
  if (!choice) return {};
  const PictureFormat format = choice->filterIndex == 1 ? PictureFormat::kSvg : PictureFormat::kPng;
  QString path = choice->path;
  const QString extension = format == PictureFormat::kSvg ? ".svg" : ".png";
  if (!path.endsWith(extension, Qt::CaseInsensitive)) path += extension;
  try {
    // Pictures are exported at twice the screen's size: sharp when printed or shown at 200 %.
    ExportPicture(scene, path.toStdString(), format, 2);
  } catch (const Failure& failure) {
    services.ShowMessage(parent, QStringLiteral("Export picture"),
                         QString::fromStdString(failure.what()));
    return {};
  }
  return path;
}

}  // namespace marbleset::shell
