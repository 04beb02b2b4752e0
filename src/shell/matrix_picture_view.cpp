#include "shell/matrix_picture_view.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "pictures/colour_scale.h"
#include "pictures/matrix_picture.h"
#include "shell/scene_painter.h"

namespace marbleset::shell {

namespace {

using pictures::MatrixZoom;

constexpr int kStripGap = 12;

// The zoom steps, from 256 x 256 cells a pixel to 96 pixels a cell.
const std::vector<MatrixZoom>& ZoomSteps() {
  static const std::vector<MatrixZoom> steps = [] {
    std::vector<MatrixZoom> made;
    for (std::size_t cells : {256, 128, 64, 32, 16, 8, 4, 2}) made.push_back({1, cells});
    for (std::size_t pixels : {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96})
      made.push_back({pixels, 1});
    return made;
  }();
  return steps;
}

double ScaleOf(MatrixZoom zoom) {
  return zoom.cellsPerPixel > 1 ? 1.0 / static_cast<double>(zoom.cellsPerPixel)
                                : static_cast<double>(zoom.pixelsPerCell);
}

QString Trimmed(const std::string& name) {
  return QString::fromStdString(name).trimmed();
}

}  // namespace

MatrixPictureView::MatrixPictureView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("matrixPictureView"));
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  tiles_.setMaxCost(400);  // tiles of 256 KB: about 100 MB at most
  MeasureStrips();
}

void MatrixPictureView::ShowData(const marbleset::DataSet& data) {
  data_ = &data;
  painter_ = std::make_unique<pictures::MatrixPainter>(data);
  shares_ = pictures::CountMissingShares(data);
  markedOtus_.clear();
  markedCharacters_.clear();
  tiles_.clear();
  tilesDrawn_ = 0;
  MeasureStrips();
  FitToView();
}

void MatrixPictureView::Clear() {
  data_ = nullptr;
  painter_.reset();
  shares_ = {};
  tiles_.clear();
  markedOtus_.clear();
  markedCharacters_.clear();
  UpdateScrollBars();
  viewport()->update();
}

void MatrixPictureView::MeasureStrips() {
  const QFontMetrics metrics(font());
  int widest = metrics.horizontalAdvance(QStringLiteral("Missing"));
  if (data_ != nullptr) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::number(data_->OtuCount())));
    for (const std::string& name : data_->otuNames) {
      widest = std::max(widest, metrics.horizontalAdvance(Trimmed(name).left(16)));
    }
  }
  namesWidth_ = widest + kStripGap;
  rulerHeight_ = metrics.height() + 10;
}

QRect MatrixPictureView::CellsArea() const {
  const QSize size = viewport()->size();
  return QRect(namesWidth_, rulerHeight_,
               std::max(0, size.width() - namesWidth_ - kBarLength - 2 * kStripGap),
               std::max(0, size.height() - rulerHeight_ - kBarLength - 2 * kStripGap));
}

double MatrixPictureView::PixelsPerCell() const {
  return ScaleOf(zoom_);
}

void MatrixPictureView::UpdateScrollBars() {
  const QRect area = CellsArea();
  const int width = painter_ ? static_cast<int>(painter_->Width(zoom_)) : 0;
  const int height = painter_ ? static_cast<int>(painter_->Height(zoom_)) : 0;
  horizontalScrollBar()->setRange(0, std::max(0, width - area.width()));
  verticalScrollBar()->setRange(0, std::max(0, height - area.height()));
  horizontalScrollBar()->setPageStep(std::max(1, area.width()));
  verticalScrollBar()->setPageStep(std::max(1, area.height()));
  const int step = std::max(16, static_cast<int>(PixelsPerCell()));
  horizontalScrollBar()->setSingleStep(step);
  verticalScrollBar()->setSingleStep(step);
}

void MatrixPictureView::SetZoom(MatrixZoom zoom, std::optional<QPoint> anchor) {
  if (zoom.pixelsPerCell < 1) zoom.pixelsPerCell = 1;
  if (zoom.cellsPerPixel < 1) zoom.cellsPerPixel = 1;
  const QRect area = CellsArea();
  const QPoint at = anchor.value_or(area.center()) - area.topLeft();
  // The cell under the anchor stays under it.
  const double oldScale = PixelsPerCell();
  const double cellX = (horizontalScrollBar()->value() + at.x()) / oldScale;
  const double cellY = (verticalScrollBar()->value() + at.y()) / oldScale;
  zoom_ = zoom;
  fitting_ = false;
  tiles_.clear();
  UpdateScrollBars();
  horizontalScrollBar()->setValue(static_cast<int>(cellX * PixelsPerCell() - at.x()));
  verticalScrollBar()->setValue(static_cast<int>(cellY * PixelsPerCell() - at.y()));
  viewport()->update();
  emit ZoomChanged();
}

void MatrixPictureView::ZoomIn(std::optional<QPoint> anchor) {
  for (const MatrixZoom step : ZoomSteps()) {
    if (ScaleOf(step) > PixelsPerCell()) {
      SetZoom(step, anchor);
      return;
    }
  }
}

void MatrixPictureView::ZoomOut(std::optional<QPoint> anchor) {
  const auto& steps = ZoomSteps();
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    if (ScaleOf(*step) < PixelsPerCell()) {
      SetZoom(*step, anchor);
      return;
    }
  }
}

void MatrixPictureView::FitToView() {
  const QRect area = CellsArea();
  MatrixZoom zoom;
  if (data_ != nullptr) {
    zoom = pictures::FittingZoom(*data_, std::max(area.width(), 1), std::max(area.height(), 1), 96);
  }
  zoom_ = zoom;
  fitting_ = true;
  tiles_.clear();
  UpdateScrollBars();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  viewport()->update();
  emit ZoomChanged();
}

QString MatrixPictureView::ZoomText() const {
  if (zoom_.cellsPerPixel > 1) {
    return QStringLiteral("%1 x %1 cells a pixel").arg(zoom_.cellsPerPixel);
  }
  return zoom_.pixelsPerCell == 1 ? QStringLiteral("1 pixel a cell")
                                  : QStringLiteral("%1 pixels a cell").arg(zoom_.pixelsPerCell);
}

void MatrixPictureView::SetRemovalMarks(std::vector<bool> otus, std::vector<bool> characters) {
  markedOtus_ = std::move(otus);
  markedCharacters_ = std::move(characters);
  viewport()->update();
}

std::pair<std::size_t, std::size_t> MatrixPictureView::RowOtus(std::size_t pictureRow) const {
  if (zoom_.cellsPerPixel > 1) return {pictureRow * zoom_.cellsPerPixel, zoom_.cellsPerPixel};
  return {pictureRow / zoom_.pixelsPerCell, 1};
}

std::optional<std::pair<std::size_t, std::size_t>> MatrixPictureView::CellAt(QPoint point) const {
  const QRect area = CellsArea();
  if (data_ == nullptr || !area.contains(point)) return std::nullopt;
  const std::size_t x = point.x() - area.left() + horizontalScrollBar()->value();
  const std::size_t y = point.y() - area.top() + verticalScrollBar()->value();
  const std::size_t otu = RowOtus(y).first;
  const std::size_t character = RowOtus(x).first;
  if (otu >= data_->OtuCount() || character >= data_->CharCount()) return std::nullopt;
  return std::make_pair(otu, character);
}

QString MatrixPictureView::CellDescription(QPoint point) const {
  const auto cell = CellAt(point);
  if (!cell) return {};
  const auto [otu, character] = *cell;
  if (zoom_.cellsPerPixel <= 1) {
    return QStringLiteral("OTU %1 %2, character %3: %4")
        .arg(otu + 1)
        .arg(Trimmed(data_->otuNames[otu]))
        .arg(character + 1)
        .arg(QString::fromStdString(pictures::CellText(*data_, otu, character)));
  }
  const std::size_t lastOtu = std::min(otu + zoom_.cellsPerPixel, data_->OtuCount());
  const std::size_t lastCharacter = std::min(character + zoom_.cellsPerPixel, data_->CharCount());
  std::size_t missing = 0;
  for (std::size_t i = otu; i < lastOtu; ++i) {
    for (std::size_t k = character; k < lastCharacter; ++k) missing += data_->IsMissing(i, k);
  }
  const double cells = static_cast<double>((lastOtu - otu) * (lastCharacter - character));
  return QStringLiteral("OTUs %1-%2, characters %3-%4: %5 % missing")
      .arg(otu + 1)
      .arg(lastOtu)
      .arg(character + 1)
      .arg(lastCharacter)
      .arg(QString::number(100.0 * missing / cells, 'f', 1));
}

const QImage& MatrixPictureView::Tile(std::size_t column, std::size_t row) {
  const quint64 zoomCode =
      zoom_.cellsPerPixel > 1 ? zoom_.cellsPerPixel : 0x8000 | zoom_.pixelsPerCell;
  const quint64 key = (zoomCode << 48) | (static_cast<quint64>(row) << 24) | column;
  if (const QImage* cached = tiles_.object(key)) return *cached;
  auto* tile = new QImage(
      ImageOf(painter_->Draw(zoom_, column * kTileSize, row * kTileSize, kTileSize, kTileSize)));
  ++tilesDrawn_;
  tiles_.insert(key, tile);
  return *tile;
}

void MatrixPictureView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  if (!painter_) return;
  const QRect area = CellsArea();
  painter.save();
  painter.setClipRect(area);
  PaintCells(painter, area);
  PaintValues(painter, area);
  PaintMarks(painter, area);
  painter.restore();
  PaintNames(painter, area);
  PaintRuler(painter, area);
  PaintBars(painter, area);
}

void MatrixPictureView::PaintCells(QPainter& painter, const QRect& area) {
  const std::size_t x = horizontalScrollBar()->value();
  const std::size_t y = verticalScrollBar()->value();
  const std::size_t width = std::min<std::size_t>(
      area.width(), painter_->Width(zoom_) - std::min(x, painter_->Width(zoom_)));
  const std::size_t height = std::min<std::size_t>(
      area.height(), painter_->Height(zoom_) - std::min(y, painter_->Height(zoom_)));
  if (width == 0 || height == 0) return;
  for (std::size_t row = y / kTileSize; row * kTileSize < y + height; ++row) {
    for (std::size_t column = x / kTileSize; column * kTileSize < x + width; ++column) {
      painter.drawImage(QPoint(area.left() + static_cast<int>(column * kTileSize - x),
                               area.top() + static_cast<int>(row * kTileSize - y)),
                        Tile(column, row));
    }
  }
}

void MatrixPictureView::PaintValues(QPainter& painter, const QRect& area) {
  const std::size_t pixels = zoom_.cellsPerPixel > 1 ? 0 : zoom_.pixelsPerCell;
  if (pixels < 24) return;
  QFont font = PictureFont(std::min<double>(12, pixels / 2.5));
  painter.setFont(font);
  const std::size_t x = horizontalScrollBar()->value();
  const std::size_t y = verticalScrollBar()->value();
  for (std::size_t otu = y / pixels; otu < data_->OtuCount() && otu * pixels < y + area.height();
       ++otu) {
    for (std::size_t k = x / pixels; k < data_->CharCount() && k * pixels < x + area.width(); ++k) {
      const pictures::Argb colour = painter_->CellColour(otu, k);
      const double lightness = 0.299 * pictures::Red(colour) + 0.587 * pictures::Green(colour) +
                               0.114 * pictures::Blue(colour);
      painter.setPen(lightness < 128 ? Qt::white : Qt::black);
      const QRect cell(area.left() + static_cast<int>(k * pixels - x),
                       area.top() + static_cast<int>(otu * pixels - y),
                       static_cast<int>(pixels) - 1, static_cast<int>(pixels) - 1);
      painter.drawText(cell, Qt::AlignCenter,
                       QString::fromStdString(pictures::CellText(*data_, otu, k)));
    }
  }
}

void MatrixPictureView::PaintMarks(QPainter& painter, const QRect& area) {
  if (markedOtus_.empty() && markedCharacters_.empty()) return;
  // Hatching reads as "removed" in any colour vision; the wash keeps the cells visible under it.
  const QBrush hatch(QColor(0, 0, 0, 170), Qt::BDiagPattern);
  const QColor wash(255, 255, 255, 110);
  const QColor tick = palette().color(QPalette::Text);
  const std::size_t x = horizontalScrollBar()->value();
  const std::size_t y = verticalScrollBar()->value();
  // Only over the picture, which may end before the area does.
  const int width = static_cast<int>(std::min<std::size_t>(
      area.width(), painter_->Width(zoom_) - std::min(x, painter_->Width(zoom_))));
  const int height = static_cast<int>(std::min<std::size_t>(
      area.height(), painter_->Height(zoom_) - std::min(y, painter_->Height(zoom_))));
  const auto marked = [this](const std::vector<bool>& marks, std::size_t picture) {
    const auto [first, count] = RowOtus(picture);
    for (std::size_t k = first; k < std::min(first + count, marks.size()); ++k) {
      if (marks[k]) return true;
    }
    return false;
  };
  const auto paint = [&](const QRect& band) {
    painter.fillRect(band, wash);
    painter.fillRect(band, hatch);
  };
  painter.save();
  painter.setClipping(false);
  if (!markedOtus_.empty()) {
    for (int row = 0; row < height; ++row) {
      int run = 0;
      while (row + run < height && marked(markedOtus_, y + row + run)) ++run;
      if (run > 0) {
        paint(QRect(area.left(), area.top() + row, width, run));
        // A tick beside the names, so a row one pixel tall is found too.
        painter.fillRect(QRect(area.left() - 6, area.top() + row - 1, 5, run + 2), tick);
      }
      row += run;
    }
  }
  if (!markedCharacters_.empty()) {
    for (int column = 0; column < width; ++column) {
      int run = 0;
      while (column + run < width && marked(markedCharacters_, x + column + run)) ++run;
      if (run > 0) {
        paint(QRect(area.left() + column, area.top(), run, height));
        painter.fillRect(QRect(area.left() + column - 1, area.top() - 6, run + 2, 5), tick);
      }
      column += run;
    }
  }
  painter.restore();
}

void MatrixPictureView::PaintNames(QPainter& painter, const QRect& area) {
  const QFontMetrics metrics(font());
  painter.setPen(palette().color(QPalette::Text));
  painter.save();
  painter.setClipRect(QRect(0, area.top(), namesWidth_, area.height()));
  const double rowPixels = PixelsPerCell();
  const double y = verticalScrollBar()->value();
  const bool names = rowPixels >= metrics.height();
  const std::size_t step = names ? 1 : pictures::LabelStep(rowPixels, metrics.height() + 2);
  const std::size_t first = static_cast<std::size_t>(y / rowPixels);
  const std::size_t last =
      std::min(data_->OtuCount(), static_cast<std::size_t>((y + area.height()) / rowPixels) + 1);
  for (std::size_t otu = first / step * step; otu < last; otu += step) {
    const std::size_t number = names ? otu + 1 : otu - otu % step + step;
    if (number > data_->OtuCount()) break;
    const double middle = area.top() + ((number - 1) + 0.5) * rowPixels - y;
    const QString label = names ? Trimmed(data_->otuNames[otu]) : QString::number(number);
    painter.drawText(QRectF(0, middle - metrics.height() / 2.0, namesWidth_ - 6, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, label);
  }
  painter.restore();
}

void MatrixPictureView::PaintRuler(QPainter& painter, const QRect& area) {
  const QFontMetrics metrics(font());
  painter.save();
  painter.setClipRect(QRect(area.left(), 0, area.width(), rulerHeight_));
  painter.setPen(palette().color(QPalette::Text));
  const double columnPixels = PixelsPerCell();
  const double x = horizontalScrollBar()->value();
  const int digits = metrics.horizontalAdvance(QString::number(data_->CharCount()));
  const std::size_t step = pictures::LabelStep(columnPixels, digits + 12);
  const std::size_t first = static_cast<std::size_t>(x / columnPixels) / step * step;
  const std::size_t last =
      std::min(data_->CharCount(), static_cast<std::size_t>((x + area.width()) / columnPixels) + 1);
  for (std::size_t number = std::max(first, step); number <= last; number += step) {
    const double middle = area.left() + (number - 0.5) * columnPixels - x;
    painter.drawText(QRectF(middle - digits, 2, 2 * digits, metrics.height()), Qt::AlignCenter,
                     QString::number(number));
    painter.drawLine(QPointF(middle, rulerHeight_ - 6), QPointF(middle, rulerHeight_ - 1));
  }
  painter.restore();
}

void MatrixPictureView::PaintBars(QPainter& painter, const QRect& area) {
  const QColor missing = ColourOf(pictures::kMissingColour);
  const QColor trough(0xF4, 0xF4, 0xF4);
  const QFontMetrics metrics(font());
  const int right = area.left() + std::min<int>(area.width(), painter_->Width(zoom_) -
                                                                  horizontalScrollBar()->value());
  const int bottom = area.top() + std::min<int>(area.height(), painter_->Height(zoom_) -
                                                                   verticalScrollBar()->value());
  // OTUs on the right.
  const int barsX = right + kStripGap;
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(QRect(barsX, 2, kBarLength + kStripGap, metrics.height()), Qt::AlignLeft,
                   QStringLiteral("Missing"));
  painter.fillRect(QRect(barsX, area.top(), kBarLength, bottom - area.top()), trough);
  const auto share = [](const std::vector<double>& shares, std::size_t first, std::size_t count) {
    const std::size_t end = std::min(first + count, shares.size());
    double sum = 0;
    for (std::size_t k = first; k < end; ++k) sum += shares[k];
    return end > first ? sum / static_cast<double>(end - first) : 0.0;
  };
  const int y = verticalScrollBar()->value();
  for (int row = 0; row < bottom - area.top(); ++row) {
    const auto [first, count] = RowOtus(y + row);
    const double value = share(shares_.perOtu, first, count);
    if (value > 0)
      painter.fillRect(QRectF(barsX, area.top() + row, value * kBarLength, 1), missing);
  }
  // Characters below.
  const int barsY = bottom + kStripGap;
  painter.drawText(QRect(0, barsY, namesWidth_ - 6, metrics.height()), Qt::AlignRight,
                   QStringLiteral("Missing"));
  painter.fillRect(QRect(area.left(), barsY, right - area.left(), kBarLength), trough);
  const int x = horizontalScrollBar()->value();
  for (int column = 0; column < right - area.left(); ++column) {
    const auto [first, count] = RowOtus(x + column);
    const double value = share(shares_.perCharacter, first, count);
    if (value > 0) {
      painter.fillRect(QRectF(area.left() + column, barsY, 1, value * kBarLength), missing);
    }
  }
}

void MatrixPictureView::resizeEvent(QResizeEvent*) {
  // A picture fitted to the view stays fitted: data shown while the page was hidden or small
  // fills the view when it first comes into sight.
  if (fitting_ && data_ != nullptr) {
    FitToView();
  } else {
    UpdateScrollBars();
  }
}

void MatrixPictureView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragFrom_ = event->position().toPoint();
  dragScroll_ = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  viewport()->setCursor(Qt::ClosedHandCursor);
}

void MatrixPictureView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (dragFrom_) {
    const QPoint moved = point - *dragFrom_;
    horizontalScrollBar()->setValue(dragScroll_.x() - moved.x());
    verticalScrollBar()->setValue(dragScroll_.y() - moved.y());
  }
  emit PointedAt(CellDescription(point));
}

void MatrixPictureView::mouseReleaseEvent(QMouseEvent*) {
  dragFrom_.reset();
  viewport()->unsetCursor();
}

void MatrixPictureView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const QPoint at = event->position().toPoint();
    if (event->angleDelta().y() > 0) ZoomIn(at);
    if (event->angleDelta().y() < 0) ZoomOut(at);
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void MatrixPictureView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) {
    ZoomIn();
  } else if (event->key() == Qt::Key_Minus) {
    ZoomOut();
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace marbleset::shell
