#include "shell/scene_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include "shell/scene_painter.h"

namespace marbleset::shell {

SceneView::SceneView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

void SceneView::SetScene(pictures::Scene scene) {
  scene_ = std::move(scene);
  UpdateScrollBars();
  viewport()->update();
}

QPointF SceneView::ScenePoint(QPoint viewportPoint) const {
  return QPointF(viewportPoint.x() + horizontalScrollBar()->value(),
                 viewportPoint.y() + verticalScrollBar()->value());
}

QSize SceneView::sizeHint() const {
  return QSize(std::min(static_cast<int>(scene_.width) + 4, 1000),
               std::min(static_cast<int>(scene_.height) + 4, 760));
}

void SceneView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
  PaintScene(painter, scene_);
}

void SceneView::resizeEvent(QResizeEvent*) {
  UpdateScrollBars();
}

void SceneView::mouseMoveEvent(QMouseEvent* event) {
  emit PointedAt(tip_ ? tip_(ScenePoint(event->position().toPoint())) : QString());
}

bool SceneView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && tip_) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = tip_(ScenePoint(help->pos()));
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), text, viewport());
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void SceneView::UpdateScrollBars() {
  const QSize shown = viewport()->size();
  horizontalScrollBar()->setRange(
      0, std::max(0, static_cast<int>(std::ceil(scene_.width)) - shown.width()));
  verticalScrollBar()->setRange(
      0, std::max(0, static_cast<int>(std::ceil(scene_.height)) - shown.height()));
  horizontalScrollBar()->setPageStep(shown.width());
  verticalScrollBar()->setPageStep(shown.height());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
}

}  // namespace marbleset::shell
