#include "shell/picture_export.h"

#include <QDir>
#include <QPainter>

#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "pictures/png_encoder.h"
#include "pictures/svg_text.h"
#include "shell/scene_painter.h"

namespace marbleset::shell {

QImage PaintedImage(const pictures::Scene& scene, double scale) {
  QImage image(static_cast<int>(std::ceil(scene.width * scale)),
               static_cast<int>(std::ceil(scene.height * scale)), QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.scale(scale, scale);
  PaintScene(painter, scene);
  painter.end();
  return image;
}

void ExportPicture(const pictures::Scene& scene, const std::string& path, PictureFormat format,
                   double scale) {
  OutputFile file(path);
  if (format == PictureFormat::kSvg) {
    pictures::WriteSvg(scene, file.sink());
  } else {
    pictures::WritePng(RasterOf(PaintedImage(scene, scale)), file.sink());
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
