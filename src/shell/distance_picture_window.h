// The distance picture window: after a single-set distance run, or for a distance file opened
// under Calculate. One tab shows the heat map of the matrix with the average-linkage tree
// beside it, the other the principal-coordinates plot, OTUs coloured by the group their name
// starts with or a file names; each picture can be exported as PNG or SVG, and a button shows
// the methods paragraph of the matrix.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "dataset/distance_matrix.h"
#include "pictures/otu_groups.h"
#include "pictures/principal_coordinates.h"
#include "provenance/methods_text.h"
#include "provenance/session_commands.h"
#include "shell/platform_services.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace marbleset::shell {

class SceneView;

// Told of each picture exported: which, the grouping of the OTUs (a prefix length or a file),
// whether as SVG, and the path written.
using PictureExportRecorder =
    std::function<void(marbleset::PictureKind kind, std::size_t groupPrefix,
                       const std::string& groupFile, bool svg, const std::string& path)>;

class DistancePictureWindow : public QWidget {
  Q_OBJECT

 public:
  // valueName names the values in the legend ("Jaccard distance"); folder is where exports
  // are proposed; title names the matrix (its file) in the window's title.
  DistancePictureWindow(marbleset::DistanceMatrix matrix, const QString& valueName,
                        const QString& title, const QString& folder, PlatformServices& services,
                        QWidget* parent = nullptr);

  SceneView* HeatMapView() const { return heatMapView_; }
  SceneView* PcoaView() const { return pcoaView_; }
  QTabWidget* Tabs() const { return tabs_; }
  const pictures::PrincipalCoordinates& Coordinates() const { return coordinates_; }
  // Groups by the first length characters of each name (0: no groups).
  void GroupByPrefix(std::size_t length);
  // Groups from a two-column file; throws ReadFailure.
  void GroupFromFile(const QString& path);
  void ExportCurrent();
  // The session's record of exports, and the facts of the methods paragraph its "Methods..."
  // button shows (the button appears with them).
  void SetSession(PictureExportRecorder recorder, const marbleset::MethodsFacts& facts);
  // The text of the status line (tests).
  QString StatusText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPcoa();
  void GroupChoiceChanged();
  QString PointName(QPointF point) const;

  marbleset::DistanceMatrix matrix_;
  QString valueName_;
  QString folder_;
  PlatformServices& services_;
  pictures::PrincipalCoordinates coordinates_;
  pictures::OtuGroups groups_;
  std::size_t groupPrefix_ = 0;
  QString groupFile_;
  PictureExportRecorder recorder_;
  marbleset::MethodsFacts facts_;
  std::vector<double> pointX_, pointY_;
  double radius_ = 0;
  QTabWidget* tabs_;
  SceneView* heatMapView_;
  SceneView* pcoaView_;
  QComboBox* groupChoice_;
  QSpinBox* prefixLength_;
  QPushButton* exportButton_;
  QPushButton* methodsButton_;
  QLabel* status_;
  bool fitted_ = false;
};

}  // namespace marbleset::shell
