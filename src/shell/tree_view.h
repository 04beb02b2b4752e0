// The scrolling view of a tree picture in the tree window. It paints only the shapes that meet
// the part being repainted, so a tree of a thousand OTUs scrolls as fast as a small one. Ctrl
// and the wheel ask the window to zoom about the pointer; a right click on a name offers to root
// the tree on that OTU.
#pragma once

#include <QAbstractScrollArea>
#include <QRectF>
#include <vector>

#include "shell/tree_picture.h"

namespace marbleset::shell {

class TreeView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TreeView(QWidget* parent = nullptr);

  // Shows picture; a picture drawn at another zoom keeps the scene point under anchor (a point
  // of the viewport) where it was, scaled by ratio, the new zoom over the old.
  void SetPicture(TreePicture picture, double ratio = 1, QPoint anchor = {});
  const TreePicture& Picture() const { return picture_; }
  QPointF ScenePoint(QPoint viewportPoint) const;
  // The leaf whose name or branch end is at a point of the viewport, or kNoNode.
  std::size_t LeafAtViewport(QPoint viewportPoint) const;
  QSize sizeHint() const override;

 signals:
  // Ctrl and the wheel: zoom in (factor above 1) or out about anchor.
  void ZoomRequested(double factor, QPoint anchor);
  void RootOnLeafRequested(std::size_t leaf);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void UpdateScrollBars();

  TreePicture picture_;
  std::vector<QRectF> bounds_;  // of each shape of the scene, to skip those not repainted
};

}  // namespace marbleset::shell
