// The split network window, opened from Calculate > Split network... for a distance file: the
// network's drawing with a zoom, OTUs coloured by the groups of a two-column file, and export
// as PNG or SVG. The method and the fit stand under the picture.
#pragma once

#include <QWidget>

#include "pictures/otu_groups.h"
#include "shell/platform_services.h"
#include "trees/neighbor_net.h"

class QSpinBox;

namespace marbleset::shell {

class SceneView;

class SplitNetworkWindow : public QWidget {
  Q_OBJECT

 public:
  // title names the matrix (its file); folder is where exports and groups are looked for.
  SplitNetworkWindow(SplitNetwork network, const QString& title, const QString& folder,
                     PlatformServices& services, QWidget* parent = nullptr);

  SceneView* View() const { return view_; }
  QSpinBox* Zoom() const { return zoom_; }

 private:
  void Redraw();
  void ChooseGroups();

  SplitNetwork network_;
  pictures::OtuGroups groups_;
  QString folder_;
  PlatformServices& services_;
  SceneView* view_ = nullptr;
  QSpinBox* zoom_ = nullptr;
};

// Asks for a distance file, computes its network and opens the window beside parent; nothing
// when the user cancels, a message when the file cannot be read.
SplitNetworkWindow* AskAndShowSplitNetwork(QWidget& parent, PlatformServices& services,
                                           const QString& folder);

}  // namespace marbleset::shell
