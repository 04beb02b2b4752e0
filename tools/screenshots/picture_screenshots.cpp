// Writes the screenshots of the pictures for the guide and the README; run it under an X
// server (xvfb-run), once as it is and once with QT_SCALE_FACTOR=2 and the suffix "_200".
//
//   picture_screenshots <output folder> [suffix] [examples folder]
#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <cstdio>
#include <random>

#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "screenshot_support.h"
#include "shell/distance_picture_window.h"
#include "shell/matrix_picture_panel.h"
#include "shell/matrix_picture_view.h"

namespace {

using namespace marbleset;

using marbleset::screenshots::Save;

// Markers of three populations, each with its own band pattern; one lane that mostly failed,
// one primer that failed in part of the samples, and a little missing data everywhere.
DataSet Populations() {
  std::mt19937 random(11);
  const std::vector<std::string> populations = {"North", "South", "East"};
  DataSet data;
  data.Resize(DataKind::kBinary, 240, 1200, kBinaryMissingValue);
  std::vector<std::vector<double>> bandRate(3, std::vector<double>(1200));
  for (auto& rates : bandRate) {
    for (double& rate : rates) rate = std::uniform_real_distribution<double>(0.05, 0.95)(random);
  }
  for (std::size_t i = 0; i < 240; ++i) {
    const std::size_t population = i * 3 / 240;
    char name[16];
    std::snprintf(name, sizeof name, "%s_%02zu", populations[population].c_str(), i % 80 + 1);
    data.otuNames[i] = name;
    for (std::size_t k = 0; k < 1200; ++k) {
      const double draw = std::uniform_real_distribution<double>(0, 1)(random);
      float value = draw < bandRate[population][k] ? 1.0f : 0.0f;
      if (std::uniform_real_distribution<double>(0, 1)(random) < 0.02) value = kBinaryMissingValue;
      if (i == 37 && std::uniform_real_distribution<double>(0, 1)(random) < 0.6) {
        value = kBinaryMissingValue;
      }
      if (k >= 700 && k < 760 && i % 5 < 2) value = kBinaryMissingValue;
      data.SetValue(i, k, value);
    }
  }
  data.fileName = "populations.phy";
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: picture_screenshots <output folder> [suffix] [examples folder]\n");
    return 2;
  }
  const QString folder = argv[1];
  const QString suffix = argc > 2 ? argv[2] : "";
  const std::string examples = argc > 3 ? argv[3] : MARBLESET_EXAMPLES_DIR;
  bool ok = true;

  const DataSet populations = Populations();
  marbleset::shell::MatrixPicturePanel overview;
  overview.resize(980, 560);
  overview.show();
  overview.ShowData(populations);
  ok &= Save(&overview, folder, "matrix_picture" + suffix);

  DataSet traits;
  try {
    LoadDataFile(traits, examples + "/traits.phy", DataKind::kQuantitative, FileFormat::kPhylip);
  } catch (const Failure&) {
    std::fprintf(stderr, "cannot read traits.phy\n");
    return 1;
  }
  marbleset::shell::MatrixPicturePanel cells;
  cells.resize(620, 420);
  cells.show();
  cells.ShowData(traits);
  ok &= Save(&cells, folder, "matrix_picture_values" + suffix);

  // The crop dialog's marks: the failed lane and the characters of the failed primer.
  std::vector<bool> otus(240, false), characters(1200, false);
  otus[37] = true;
  for (std::size_t k = 700; k < 760; ++k) characters[k] = true;
  overview.View()->SetRemovalMarks(otus, characters);
  overview.View()->SetZoom({4, 1});
  overview.View()->horizontalScrollBar()->setValue(4 * 620);
  overview.View()->verticalScrollBar()->setValue(0);
  ok &= Save(&overview, folder, "matrix_picture_crop_marks" + suffix);

  NoProgress none;
  DistanceSettings settings = DefaultDistanceSettings(DataKind::kBinary);
  settings.coefficient = Coefficient::kJaccard;
  const DistanceMatrix matrix = ComputeDistanceMatrix(populations, settings, none);
  marbleset::shell::DistancePictureWindow* window = nullptr;
  struct NoServices : marbleset::shell::PlatformServices {
    std::optional<marbleset::shell::FileChoice> ChooseOpenFile(
        QWidget*, const marbleset::shell::FileDialogRequest&) override {
      return {};
    }
    std::optional<marbleset::shell::FileChoice> ChooseSaveFile(
        QWidget*, const marbleset::shell::FileDialogRequest&) override {
      return {};
    }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void StartEditor(const QString&) override {}
    void SetClipboardText(const QString&) override {}
    void ShowHelpContents(QWidget*) override {}
    bool RunModal(QDialog&) override { return false; }
  } services;
  window = new marbleset::shell::DistancePictureWindow(
      matrix, "Jaccard distance", "populations.phy", QDir::tempPath(), services);
  window->show();
  ok &= Save(window, folder, "distance_heatmap" + suffix);
  window->Tabs()->setCurrentIndex(1);
  window->GroupByPrefix(5);
  window->resize(820, 640);
  ok &= Save(window, folder, "distance_pcoa" + suffix);
  delete window;
  return ok ? 0 : 1;
}
