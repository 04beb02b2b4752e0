#include "shell/scene_painter.h"

#include <QFontMetricsF>
#include <QPainter>

namespace marbleset::shell {

namespace {

void Paint(QPainter& painter, const pictures::SceneRect& rect) {
  const QRectF area(rect.x, rect.y, rect.width, rect.height);
  if (rect.fill != pictures::kNoColour) painter.fillRect(area, ColourOf(rect.fill));
  if (rect.stroke != pictures::kNoColour) {
    painter.setPen(QPen(ColourOf(rect.stroke), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
  }
}

void Paint(QPainter& painter, const pictures::SceneLine& line) {
  QPen pen(ColourOf(line.colour), line.width);
  pen.setCapStyle(Qt::SquareCap);
  painter.setPen(pen);
  painter.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
}

void Paint(QPainter& painter, const pictures::SceneCircle& circle) {
  painter.setPen(circle.stroke == pictures::kNoColour ? QPen(Qt::NoPen)
                                                      : QPen(ColourOf(circle.stroke), 1));
  painter.setBrush(circle.fill == pictures::kNoColour ? QBrush(Qt::NoBrush)
                                                      : QBrush(ColourOf(circle.fill)));
  painter.drawEllipse(QPointF(circle.x, circle.y), circle.radius, circle.radius);
}

void Paint(QPainter& painter, const pictures::SceneText& text) {
  const QFont font = PictureFont(text.size);
  const QString shown =
      QString::fromUtf8(text.text.data(), static_cast<qsizetype>(text.text.size()));
  const double width = QFontMetricsF(font).horizontalAdvance(shown);
  double shift = 0;
  if (text.anchor == pictures::TextAnchor::kMiddle) shift = width / 2;
  if (text.anchor == pictures::TextAnchor::kEnd) shift = width;
  painter.save();
  painter.setFont(font);
  painter.setPen(ColourOf(text.colour));
  painter.translate(text.x, text.y);
  if (text.vertical) painter.rotate(-90);
  painter.drawText(QPointF(-shift, 0), shown);
  painter.restore();
}

void Paint(QPainter& painter, const pictures::SceneImage& image) {
  if (!image.raster) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRectF(image.x, image.y, image.width, image.height), ImageOf(*image.raster));
  painter.restore();
}

}  // namespace

QColor ColourOf(pictures::Argb colour) {
  return QColor::fromRgba(colour);
}

QImage ImageOf(const pictures::Raster& raster) {
  QImage image(raster.Width(), raster.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < raster.Height(); ++y) {
    std::copy_n(raster.Row(y), raster.Width(), reinterpret_cast<QRgb*>(image.scanLine(y)));
  }
  return image;
}

QFont PictureFont(double size) {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(std::max(1, static_cast<int>(size + 0.5)));
  return font;
}

void PaintScene(QPainter& painter, const pictures::Scene& scene) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  if (scene.background != pictures::kNoColour) {
    painter.fillRect(QRectF(0, 0, scene.width, scene.height), ColourOf(scene.background));
  }
  for (const pictures::SceneItem& item : scene.items) {
    // Cells and bars are axis-aligned rectangles: without antialiasing they meet without seams.
    painter.setRenderHint(QPainter::Antialiasing,
                          !std::holds_alternative<pictures::SceneRect>(item));
    std::visit([&painter](const auto& shape) { Paint(painter, shape); }, item);
  }
  painter.restore();
}

}  // namespace marbleset::shell
