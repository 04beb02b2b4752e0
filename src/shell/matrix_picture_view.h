// The matrix picture in the data window: one OTU a row, one character a column, 0 light, 1
// dark, missing entries in the signal colour, quantitative values on the colour scale. It
// zooms from many cells a pixel through one pixel a cell (1000 x 5000 on one screen) to cells
// that show their values, and pans by dragging or scrolling. OTU names (or numbers) stand on
// the left, character numbers above, each OTU's and character's share of missing entries as
// bars on the right and below. The pixels are drawn from the data set's bit planes in tiles of
// 256 x 256, kept until the zoom or the data changes, so a matrix of 2000 x 100,000 opens at
// once and pans smoothly. Rows and columns a crop would remove can be marked.
#pragma once

#include <QAbstractScrollArea>
#include <QCache>
#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "dataset/data_set.h"
#include "pictures/matrix_tiles.h"
#include "pictures/missing_shares.h"

namespace marbleset::shell {

class MatrixPictureView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kTileSize = 256;
  static constexpr int kBarLength = 60;

  explicit MatrixPictureView(QWidget* parent = nullptr);

  // Shows data at the zoom that fits it into the view. data must stay unchanged while shown:
  // call ShowData again after it changes, or Clear.
  void ShowData(const marbleset::DataSet& data);
  void Clear();
  bool HasData() const { return data_ != nullptr; }

  pictures::MatrixZoom Zoom() const { return zoom_; }
  // Keeps the cell at the middle of the view (or at anchor, a point of the viewport) in place.
  void SetZoom(pictures::MatrixZoom zoom, std::optional<QPoint> anchor = std::nullopt);
  void ZoomIn(std::optional<QPoint> anchor = std::nullopt);
  void ZoomOut(std::optional<QPoint> anchor = std::nullopt);
  void FitToView();
  // "1 pixel a cell", "4 x 4 cells a pixel", "12 pixels a cell".
  QString ZoomText() const;

  // Rows and columns to show as removed (hatched); empty vectors mark none.
  void SetRemovalMarks(std::vector<bool> otus, std::vector<bool> characters);

  // Where the cells are drawn, in viewport coordinates.
  QRect CellsArea() const;
  // The OTU and character under a point of the viewport (zoomed out: the block's first).
  std::optional<std::pair<std::size_t, std::size_t>> CellAt(QPoint viewportPoint) const;
  // "OTU 3 gamma, character 17: ?" for a point of the viewport; empty outside the cells.
  QString CellDescription(QPoint viewportPoint) const;
  // Tiles drawn since the data was shown (tests check that panning reuses them).
  std::size_t TilesDrawn() const { return tilesDrawn_; }

 signals:
  void PointedAt(const QString& text);
  void ZoomChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateScrollBars();
  void MeasureStrips();
  const QImage& Tile(std::size_t column, std::size_t row);
  double PixelsPerCell() const;
  void PaintCells(QPainter& painter, const QRect& area);
  void PaintValues(QPainter& painter, const QRect& area);
  void PaintMarks(QPainter& painter, const QRect& area);
  void PaintNames(QPainter& painter, const QRect& area);
  void PaintRuler(QPainter& painter, const QRect& area);
  void PaintBars(QPainter& painter, const QRect& area);
  // The first OTU (character) and how many a picture row (column) stands for.
  std::pair<std::size_t, std::size_t> RowOtus(std::size_t pictureRow) const;

  const marbleset::DataSet* data_ = nullptr;
  std::unique_ptr<pictures::MatrixPainter> painter_;
  pictures::MissingShares shares_;
  pictures::MatrixZoom zoom_;
  QCache<quint64, QImage> tiles_;
  std::size_t tilesDrawn_ = 0;
  std::vector<bool> markedOtus_, markedCharacters_;
  std::optional<QPoint> dragFrom_;
  QPoint dragScroll_;
  // Fitting the whole matrix until the user zooms: a resize (or the first showing) fits anew.
  bool fitting_ = true;
  int namesWidth_ = 0;
  int rulerHeight_ = 0;
};

}  // namespace marbleset::shell
