// Writes the screenshots of the guide and the README into a folder; run it under an X server
// with a window manager (Xvfb and twm), once as it is and once with QT_SCALE_FACTOR=2 and the
// suffix "_200".
//
//   take_screenshots <output folder> [suffix] [examples folder]
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>
#include <QUrl>
#include <cstdio>

#include "screenshot_support.h"
#include "scripted_services.h"
#include "shell/about_box.h"
#include "shell/crop_dialog.h"
#include "shell/data_text_view.h"
#include "shell/data_window.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/settings_store.h"

namespace {

using marbleset::screenshots::Save;
using marbleset::screenshots::Settle;
using marbleset::screenshots::Write;

// The part of the screen holding the given windows, frames included.
bool SaveScreenPart(std::initializer_list<QWidget*> windows, const QString& folder,
                    const QString& name) {
  Settle();
  QRect area;
  for (QWidget* window : windows) area |= window->frameGeometry();
  area.adjust(-8, -8, 8, 8);
  QScreen* screen = QGuiApplication::primaryScreen();
  const qreal scale = screen->devicePixelRatio();
  const QPixmap whole = screen->grabWindow(0);
  return Write(whole.copy(QRect(area.topLeft() * scale, area.size() * scale)), folder, name);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  marbleset::shell::SetUpApplication();
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [suffix] [examples folder]\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  const QString examples = argc > 3 ? QString::fromLocal8Bit(argv[3]) : MARBLESET_EXAMPLES_DIR;
  QDir().mkpath(out);

  using namespace marbleset;
  using namespace marbleset::shell;
  QTemporaryDir scratch;
  DataSet data;
  ShellFolders folders;
  UniformSource source;
  testing::ScriptedServices services;
  SettingsStore settings(scratch.filePath("settings.ini"));
  ShellContext context{data, folders, services, source};

  MainWindow window(context, settings);
  window.resize(760, 460);
  window.move(0, 0);
  window.show();
  services.openAnswers.push_back(FileChoice{QDir(examples).filePath("markers.phy"), 0});
  window.OpenBinary();
  bool ok = Save(&window, out, "main_window" + suffix);

  // The data window with the find bar, a name found and the selection stretched over two rows.
  DataWindow& shown = window.Data();
  shown.ShowFindBar();
  shown.findChild<QLineEdit*>("findEdit")->setText("festuca");
  shown.FindAgain(true);
  Settle();
  shown.TextView()->Select(shown.TextView()->Anchor(), {4, 24});
  shown.TextView()->setFocus();
  ok &= Save(&window, out, "data_window_selection" + suffix);
  shown.findChild<QWidget*>("findBar")->hide();

  window.ShowRunDialog(RunMode::kBootStraps);
  RunDialog* dialog = window.OpenRunDialog();
  dialog->move(40, 60);
  ok &= Save(dialog, out, "run_dialog_bootstraps" + suffix);
  // The progress window as a run shows it, beside the run dialog.
  ProgressWindow& progress = window.Progress();
  progress.BeginRun(dialog, 100);
  progress.Start("Generating BootStraps");
  progress.Advance(37);
  ok &= SaveScreenPart({dialog, &progress}, out, "progress_beside_run_dialog" + suffix);
  progress.EndRun();

  window.ShowRunDialog(RunMode::kDistances);
  ok &= Save(window.OpenRunDialog(), out, "run_dialog_distances" + suffix);
  window.OpenRunDialog()->close();

  window.Crop();
  ok &= Save(window.OpenCropDialog(), out, "crop" + suffix);
  window.OpenCropDialog()->close();
  folders.phylipFolder = examples;
  window.ShowSettings();
  ok &= Save(window.findChild<SettingsDialog*>(), out, "settings" + suffix);
  window.ShowAbout();
  ok &= Save(window.findChild<AboutBox*>(), out, "about" + suffix);

  if (suffix.isEmpty()) {
    HelpWindow help(nullptr);
    help.resize(720, 520);
    help.ShowContents();
    ok &= Save(&help, out, "help");
    help.Browser()->setSource(QUrl("qrc:/help/distances.html"));
    ok &= Save(&help, out, "help_distances");
  }
  return ok ? 0 : 1;
}
