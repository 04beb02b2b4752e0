#include "shell/tree_view.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "shell/scene_painter.h"

namespace marbleset::shell {

namespace {

QRectF BoundsOf(const pictures::SceneItem& item) {
  struct Bounds {
    QRectF operator()(const pictures::SceneLine& line) const {
      const double half = line.width;
      return QRectF(QPointF(std::min(line.x1, line.x2), std::min(line.y1, line.y2)),
                    QPointF(std::max(line.x1, line.x2), std::max(line.y1, line.y2)))
          .adjusted(-half, -half, half, half);
    }
    QRectF operator()(const pictures::SceneText& text) const {
      // The painter's glyphs may be a little wider than the pictures' measure: a margin of
      // half the size on each side.
      const double width = pictures::TextWidth(text.text, text.size);
      double left = text.x;
      if (text.anchor == pictures::TextAnchor::kMiddle) left -= width / 2;
      if (text.anchor == pictures::TextAnchor::kEnd) left -= width;
      return QRectF(left - text.size / 2, text.y - text.size * 1.2, width + text.size,
                    text.size * 1.6);
    }
    QRectF operator()(const pictures::SceneRect& rect) const {
      return QRectF(rect.x, rect.y, rect.width, rect.height);
    }
    QRectF operator()(const pictures::SceneCircle& circle) const {
      return QRectF(circle.x - circle.radius, circle.y - circle.radius, 2 * circle.radius,
                    2 * circle.radius);
    }
    QRectF operator()(const pictures::SceneImage& image) const {
      return QRectF(image.x, image.y, image.width, image.height);
    }
  };
  return std::visit(Bounds{}, item);
}

}  // namespace

TreeView::TreeView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

void TreeView::SetPicture(TreePicture picture, double ratio, QPoint anchor) {
  const QPointF kept = ScenePoint(anchor) * ratio;
  picture_ = std::move(picture);
  bounds_.clear();
  bounds_.reserve(picture_.scene.items.size());
  for (const pictures::SceneItem& item : picture_.scene.items) bounds_.push_back(BoundsOf(item));
  UpdateScrollBars();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(kept.x() - anchor.x())));
  verticalScrollBar()->setValue(static_cast<int>(std::lround(kept.y() - anchor.y())));
  viewport()->update();
}

QPointF TreeView::ScenePoint(QPoint viewportPoint) const {
  return QPointF(viewportPoint.x() + horizontalScrollBar()->value(),
                 viewportPoint.y() + verticalScrollBar()->value());
}

std::size_t TreeView::LeafAtViewport(QPoint viewportPoint) const {
  const QPointF point = ScenePoint(viewportPoint);
  const std::size_t leaf = LeafAt(picture_, point.y());
  // The end of the leaf's branch, its name or the space after it.
  if (leaf == kNoNode) return kNoNode;
  return point.x() >= picture_.nodeX[leaf] - picture_.rowHeight ? leaf : kNoNode;
}

QSize TreeView::sizeHint() const {
  return QSize(std::min(static_cast<int>(picture_.scene.width) + 4, 900),
               std::min(static_cast<int>(picture_.scene.height) + 4, 700));
}

void TreeView::paintEvent(QPaintEvent* event) {
  const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const QRectF shown = QRectF(event->rect()).translated(offset);
  pictures::Scene visible;
  visible.width = picture_.scene.width;
  visible.height = picture_.scene.height;
  visible.background = picture_.scene.background;
  for (std::size_t i = 0; i < bounds_.size(); ++i) {
    if (bounds_[i].intersects(shown)) visible.items.push_back(picture_.scene.items[i]);
  }
  QPainter painter(viewport());
  painter.translate(-offset);
  PaintScene(painter, visible);
}

void TreeView::resizeEvent(QResizeEvent*) {
  UpdateScrollBars();
}

void TreeView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  const int steps = event->angleDelta().y();
  if (steps != 0) emit ZoomRequested(std::pow(1.25, steps / 120.0), event->position().toPoint());
  event->accept();
}

void TreeView::contextMenuEvent(QContextMenuEvent* event) {
  const std::size_t leaf = LeafAtViewport(event->pos());
  if (leaf == kNoNode) return;
  QMenu menu(this);
  QAction* root = menu.addAction(QStringLiteral("Root on this OTU"));
  if (menu.exec(event->globalPos()) == root) emit RootOnLeafRequested(leaf);
}

void TreeView::UpdateScrollBars() {
  const QSize shown = viewport()->size();
  const auto extent = [](double size) { return static_cast<int>(std::ceil(size)); };
  horizontalScrollBar()->setRange(0, std::max(0, extent(picture_.scene.width) - shown.width()));
  verticalScrollBar()->setRange(0, std::max(0, extent(picture_.scene.height) - shown.height()));
  horizontalScrollBar()->setPageStep(shown.width());
  verticalScrollBar()->setPageStep(shown.height());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(std::max(1, extent(picture_.rowHeight)));
}

}  // namespace marbleset::shell
