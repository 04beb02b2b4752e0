// The pictures in the desktop program: the matrix picture drawn on screen with a missing cell
// at its place and the pointer's cell named, zoom and pan reusing tiles, crop marks, the
// distance picture window's heat map, names on hover and groups, and exports read back by
// Qt's own PNG reader.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include "../distances/test_data.h"
#include "dataset/errors.h"
#include "pictures/colour_scale.h"
#include "pictures/distance_pictures.h"
#include "scripted_services.h"
#include "shell/distance_picture_window.h"
#include "shell/matrix_picture_panel.h"
#include "shell/matrix_picture_view.h"
#include "shell/picture_export.h"
#include "shell/scene_view.h"
#include "test_application.h"

namespace marbleset::shell {
namespace {

using marbleset::pictures::Argb;

Argb PixelAt(QWidget* widget, QPoint point) {
  const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const double ratio = image.devicePixelRatio();
  return image.pixel(static_cast<int>(point.x() * ratio), static_cast<int>(point.y() * ratio));
}

TEST(MatrixPictureView, MissingCell_IsDrawnAtItsPlaceAndNamedUnderThePointer) {
  testing::TestApplication();
  DataSet data;
  marbleset::testing::FillBinary(data, {"alpha     ", "beta      ", "gamma     ", "delta     "},
                                 {"010101", "111000", "001?01", "000000"});
  MatrixPictureView view;
  view.resize(640, 420);
  view.show();
  view.ShowData(data);
  const auto zoom = view.Zoom();
  ASSERT_GT(zoom.pixelsPerCell, 8u);  // six characters fill the width with large cells
  const QRect area = view.CellsArea();
  const int cell = static_cast<int>(zoom.pixelsPerCell);
  // Near the cell's corner: large cells write their value in the middle.
  const QPoint missing(area.left() + 3 * cell + 3, area.top() + 2 * cell + 3);
  EXPECT_EQ(PixelAt(view.viewport(), missing), pictures::kMissingColour);
  EXPECT_EQ(PixelAt(view.viewport(), missing + QPoint(cell, 0)), pictures::kStateZeroColour);
  EXPECT_EQ(PixelAt(view.viewport(), missing - QPoint(cell, 0)), pictures::kStateOneColour);
  EXPECT_EQ(view.CellDescription(missing), "OTU 3 gamma, character 4: ?");
  EXPECT_EQ(view.CellDescription(missing + QPoint(-cell, -2 * cell)),
            "OTU 1 alpha, character 3: 0");
  EXPECT_EQ(view.CellDescription(QPoint(1, 1)), "");
  // Gamma's missing bar on the right, none for alpha.
  const int barsX = area.left() + 6 * cell + 12;  // beside the last character
  EXPECT_EQ(PixelAt(view.viewport(), QPoint(barsX + 2, missing.y())), pictures::kMissingColour);
  EXPECT_NE(PixelAt(view.viewport(), QPoint(barsX + 2, area.top() + cell / 2)),
            pictures::kMissingColour);

  // A crop mark over gamma's row hatches it; the cell beside is no longer plain.
  view.SetRemovalMarks({false, false, true, false}, {});
  bool hatched = false;
  for (int dx = 0; dx < cell / 3; ++dx) {
    hatched = hatched || PixelAt(view.viewport(), missing + QPoint(cell + dx, 0)) !=
                             pictures::kStateZeroColour;
  }
  EXPECT_TRUE(hatched);
  EXPECT_EQ(PixelAt(view.viewport(), missing + QPoint(cell, cell)), pictures::kStateZeroColour);
}

TEST(MatrixPictureView, ZoomAndPan_KeepTheCellUnderTheAnchorAndReuseTiles) {
  testing::TestApplication();
  DataSet data;
  data.Resize(DataKind::kBinary, 300, 20000, kBinaryMissingValue);
  for (std::size_t k = 0; k < 20000; k += 7) data.SetValue(150, k, kBinaryMissingValue);
  MatrixPictureView view;
  view.resize(800, 500);
  view.show();
  view.ShowData(data);
  EXPECT_GT(view.Zoom().cellsPerPixel, 1u);  // the whole matrix on one screen
  view.SetZoom({1, 1});
  const QRect area = view.CellsArea();
  const QPoint middle = area.center();
  const auto before = view.CellAt(middle);
  view.ZoomIn(middle);
  EXPECT_EQ(view.Zoom().pixelsPerCell, 2u);
  const auto after = view.CellAt(middle);
  ASSERT_TRUE(before && after);
  EXPECT_EQ(before->first, after->first);
  EXPECT_NEAR(static_cast<double>(before->second), static_cast<double>(after->second), 1);
  view.ZoomOut(middle);
  view.viewport()->grab();
  const std::size_t drawn = view.TilesDrawn();
  view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() + 600);
  view.viewport()->grab();
  EXPECT_GT(view.TilesDrawn(), drawn);
  const std::size_t panned = view.TilesDrawn();
  view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() - 600);
  view.viewport()->grab();
  EXPECT_EQ(view.TilesDrawn(), panned);  // back where it was: the tiles are kept
}

DistanceMatrix ClusteredMatrix() {
  // Two groups (a and b) far apart; a1 and a2 the closest pair.
  DistanceMatrix matrix;
  matrix.names = {"a1", "b1", "a2", "b2", "a3", "b3"};
  matrix.n = 6;
  const std::vector<double> x = {0, 10, 0.3, 10.5, 1.2, 11.5};
  const std::vector<double> y = {0, 0, 0.1, 1, 0.9, -0.4};
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j)
      matrix.values.push_back(std::hypot(x[i] - x[j], y[i] - y[j]));
  }
  return matrix;
}

TEST(DistancePictureWindow, HeatMapHoverAndGroups_ShowWhatTheMatrixHolds) {
  testing::TestApplication();
  testing::ScriptedServices services;
  DistancePictureWindow window(ClusteredMatrix(), "Euclidean distance", "infile", QDir::tempPath(),
                               services);
  window.show();
  // The painted heat map shows the closest pair's cell at the bottom of the scale (the order
  // and the coordinates are the core's, tests/pictures).
  pictures::HeatMapLayout layout;
  pictures::HeatMapPicture(ClusteredMatrix(), "Euclidean distance", 1, &layout);
  std::vector<std::size_t> position(6);
  for (std::size_t row = 0; row < 6; ++row) position[layout.order[row]] = row;
  SceneView* heatMap = window.HeatMapView();
  const QPoint pair(static_cast<int>(layout.cellsX + (position[2] + 0.5) * layout.cellSize),
                    static_cast<int>(layout.cellsY + (position[0] + 0.5) * layout.cellSize));
  EXPECT_EQ(PixelAt(heatMap->viewport(), pair), pictures::ScaleColour(0));

  // Principal coordinates grouped by the names' first letter, then from a file: the legend names
  // the groups (which OTU is in which group is the core's, tests/pictures).
  window.Tabs()->setCurrentIndex(1);
  const auto legendHas = [&window](const std::string& name) {
    const auto& items = window.PcoaView()->Scene().items;
    return std::any_of(items.begin(), items.end(), [&](const pictures::SceneItem& item) {
      const auto* text = std::get_if<pictures::SceneText>(&item);
      return text != nullptr && text->text == name;
    });
  };
  window.GroupByPrefix(1);
  EXPECT_TRUE(legendHas("b"));
  QTemporaryDir dir;
  QFile groups(dir.filePath("groups.txt"));
  ASSERT_TRUE(groups.open(QIODevice::WriteOnly));
  groups.write("a1\tleft\nb1\tright\n");
  groups.close();
  window.GroupFromFile(groups.fileName());
  EXPECT_TRUE(legendHas("right") && !legendHas("b"));

  // A cell that is not a number cannot be clustered: the window refuses to open, saying why.
  DistanceMatrix broken = ClusteredMatrix();
  broken.values[1] = broken.values[6] = std::nan("");
  EXPECT_THROW(DistancePictureWindow(broken, "Distance", "broken", QDir::tempPath(), services),
               Failure);
}

TEST(PictureExport, PngAndSvg_WriteThePictureAsPaintedAndAsText) {
  testing::TestApplication();
  QTemporaryDir dir;
  testing::ScriptedServices services;
  pictures::HeatMapLayout layout;
  const pictures::Scene scene =
      pictures::HeatMapPicture(ClusteredMatrix(), "Euclidean distance", 1, &layout);
  services.saveAnswers.push_back(FileChoice{dir.filePath("heat"), 0});
  const QString png = AskAndExportPicture(nullptr, services, scene, dir.path(), "heatmap");
  EXPECT_EQ(png, dir.filePath("heat.png"));
  QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(scene.width * 2)));
  // The diagonal's cells (distance 0) at their place, at twice the size; the PNG bytes are the
  // writer's (tests/pictures).
  for (std::size_t row = 0; row < 6; ++row) {
    const auto at = static_cast<int>(2 * (layout.cellsX + (row + 0.5) * layout.cellSize));
    EXPECT_EQ(
        image.pixel(at, static_cast<int>(2 * (layout.cellsY + (row + 0.5) * layout.cellSize))),
        pictures::ScaleColour(0));
  }
  services.saveAnswers.push_back(FileChoice{dir.filePath("heat.svg"), 1});
  const QString svg = AskAndExportPicture(nullptr, services, scene, dir.path(), "heatmap");
  QFile file(svg);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.startsWith("<?xml"));
  EXPECT_TRUE(text.contains(">Euclidean distance</text>"));
  // A folder that does not exist: the user is told, nothing is claimed written.
  services.saveAnswers.push_back(FileChoice{dir.filePath("missing/heat.png"), 0});
  EXPECT_EQ(AskAndExportPicture(nullptr, services, scene, dir.path(), "heatmap"), "");
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.contains("missing/heat.png"));
}

}  // namespace
}  // namespace marbleset::shell
