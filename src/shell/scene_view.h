// A scrolling view of one picture (a scene of the core): the distance picture window's tabs.
// A tip function names what lies under the pointer (an OTU's name on the plot).
#pragma once

#include <QAbstractScrollArea>
#include <functional>

#include "pictures/scene.h"

namespace marbleset::shell {

class SceneView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit SceneView(QWidget* parent = nullptr);

  void SetScene(pictures::Scene scene);
  const pictures::Scene& Scene() const { return scene_; }
  // text(point in the scene's units): what lies there, or empty.
  void SetTip(std::function<QString(QPointF)> tip) { tip_ = std::move(tip); }
  // The scene's point under a point of the viewport.
  QPointF ScenePoint(QPoint viewportPoint) const;
  QSize sizeHint() const override;

 signals:
  // What lies under the pointer, for the window's status line.
  void PointedAt(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void UpdateScrollBars();

  pictures::Scene scene_;
  std::function<QString(QPointF)> tip_;
};

}  // namespace marbleset::shell
