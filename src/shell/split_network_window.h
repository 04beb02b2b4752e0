// The split network window, opened from Calculate > Split network... for a distance file: the
// network's drawing with a zoom, OTUs coloured by the groups of a two-column file, and export
// as PNG or SVG. The method and the fit stand under the picture.
#pragma once

#include <QWidget>

#include "pictures/otu_groups.h"
#include "provenance/methods_text.h"
#include "shell/platform_services.h"
#include "trees/neighbor_net.h"

class QPushButton;
class QSpinBox;

namespace marbleset::shell {

class SceneView;
class SessionLog;

class SplitNetworkWindow : public QWidget {
  Q_OBJECT

 public:
  // title names the matrix (its file); folder is where exports and groups are looked for.
  SplitNetworkWindow(SplitNetwork network, const QString& title, const QString& folder,
                     PlatformServices& services, QWidget* parent = nullptr);

  SceneView* View() const { return view_; }
  QSpinBox* Zoom() const { return zoom_; }
  // The facts of the methods paragraph its "Methods..." button shows (the button appears with
  // them).
  void SetMethods(const marbleset::MethodsFacts& facts);

 private:
  void Redraw();
  void ChooseGroups();

  SplitNetwork network_;
  pictures::OtuGroups groups_;
  QString folder_;
  PlatformServices& services_;
  SceneView* view_ = nullptr;
  QSpinBox* zoom_ = nullptr;
  QPushButton* methodsButton_ = nullptr;
  marbleset::MethodsFacts facts_;
};

// Asks for a distance file, computes its network and opens the window beside parent; nothing
// when the user cancels, a message when the file cannot be read. A session log, where given,
// records the run.
SplitNetworkWindow* AskAndShowSplitNetwork(QWidget& parent, PlatformServices& services,
                                           const QString& folder, SessionLog* log = nullptr);

}  // namespace marbleset::shell
