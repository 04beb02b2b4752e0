// The tree window: the result of a supported-tree run. It shows the data's tree with the
// support of each branch, or the majority-rule consensus of the replicate trees, as a
// rectangular tree with branch lengths to scale or as a cladogram, rooted as built, at the
// midpoint or on a chosen OTU; it zooms and scrolls so that every name of a thousand OTUs can be
// read, and exports the tree as shown as Newick, PNG or SVG.
#pragma once

#include <QWidget>
#include <functional>
#include <limits>
#include <string>

#include "provenance/methods_text.h"
#include "provenance/session_commands.h"
#include "shell/platform_services.h"
#include "trees/support_run.h"
#include "trees/tree_layout.h"
#include "trees/tree_settings.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace marbleset::shell {

class TreeView;

enum class TreeChoice { kSupported, kConsensus };
enum class Rooting { kAsBuilt, kMidpoint, kOnOtu };

// Told of each export: the tree as shown, whether drawn (else Newick) and the path written.
using TreeExportRecorder =
    std::function<void(const marbleset::ShownTree& shown, bool picture, const std::string& path)>;

class TreeWindow : public QWidget {
  Q_OBJECT

 public:
  // dataFile is the data file the run read (never an export's target); exports are proposed in
  // its folder under its name.
  TreeWindow(SupportResult result, const TreeSettings& settings, const std::string& dataFile,
             PlatformServices& services, QWidget* parent);
  ~TreeWindow() override;

  // The tree as shown now, rooted as chosen: what the Newick export writes.
  const Tree& ShownTree() const { return shown_; }
  const SupportResult& Result() const { return result_; }
  TreeView* View() const { return view_; }
  QString SummaryText() const;
  // How well the data's tree keeps its distances; the summary names it (NaN: not known).
  void SetCopheneticCorrelation(double r);

  void ShowTree(TreeChoice choice);
  void SetStyle(LayoutStyle style);
  // otu is used by Rooting::kOnOtu: the OTU's row in the data.
  void SetRooting(Rooting rooting, std::size_t otu = 0);
  double Zoom() const { return zoom_; }
  // Clamped to the zoom the window offers; anchor is the viewport point that stays in place.
  void SetZoom(double zoom, QPoint anchor = {});
  void FitToWindow();

  // Ask for a file and write it; failures are shown, never thrown.
  void ExportNewick();
  void ExportPicture();
  // The session's record of exports, and the facts of the methods paragraph its "Methods..."
  // button shows (the button appears with them).
  void SetSession(TreeExportRecorder recorder, const MethodsFacts& facts);

 private:
  void BuildControls();
  void FillOtuChoice();
  void ControlsChanged();
  void Reroot();
  void Redraw(double ratio = 1, QPoint anchor = {});
  TreeChoice ChosenTree() const;
  LayoutStyle ChosenStyle() const;
  Rooting ChosenRooting() const;
  QString ProposedName(const QString& extension) const;
  QString ChooseTarget(const QString& title, const QString& filter, const QString& extension,
                       int* filterIndex);

  SupportResult result_;
  TreeSettings settings_;
  std::string dataFile_;
  PlatformServices& services_;
  Tree shown_;
  double zoom_ = 1;
  double cophenetic_ = std::numeric_limits<double>::quiet_NaN();

  QComboBox* treeChoice_ = nullptr;
  QComboBox* styleChoice_ = nullptr;
  QComboBox* rootChoice_ = nullptr;
  QComboBox* otuChoice_ = nullptr;
  QPushButton* zoomOutButton_ = nullptr;
  QPushButton* zoomInButton_ = nullptr;
  QPushButton* fitButton_ = nullptr;
  QPushButton* exportNewickButton_ = nullptr;
  QPushButton* exportPictureButton_ = nullptr;
  QPushButton* methodsButton_ = nullptr;
  // The tree as shown, in the session's terms.
  marbleset::ShownTree Shown() const;
  TreeExportRecorder recorder_;
  // The methods of the tree as it is now shown: rooted as the window's choice says.
  MethodsFacts FactsAsShown() const;
  MethodsFacts facts_;
  TreeView* view_ = nullptr;
  QLabel* summary_ = nullptr;
};

}  // namespace marbleset::shell
