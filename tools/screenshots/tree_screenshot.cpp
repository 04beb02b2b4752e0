// Writes the screenshots of "Tree with support...": the dialog and the tree window over the
// example markers.phy. Run it under an X server (xvfb-run).
//
//   tree_screenshot <output folder> [examples folder]
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QThread>
#include <cstdio>

#include "screenshot_support.h"
#include "scripted_services.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "shell/tree_dialog.h"
#include "shell/tree_window.h"

namespace {

using marbleset::screenshots::Save;
using marbleset::screenshots::Settle;

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  marbleset::shell::SetUpApplication();
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [examples folder]\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString examples = argc > 2 ? QString::fromLocal8Bit(argv[2]) : MARBLESET_EXAMPLES_DIR;
  QDir().mkpath(out);

  using namespace marbleset;
  using namespace marbleset::shell;
  DataSet data;
  ShellFolders folders;
  UniformSource source;
  testing::ScriptedServices services;
  ShellContext context{data, folders, services, source};
  SettingsStore settings(QDir(out).filePath(".tree_screenshot.ini"));
  MainWindow window(context, settings);
  window.resize(760, 520);
  window.show();
  services.openAnswers.push_back(FileChoice{QDir(examples).filePath("markers.phy"), 0});
  window.findChild<QAction*>("MnuOpenBin")->trigger();
  window.findChild<QAction*>("MnuTree")->trigger();
  TreeDialog* dialog = window.OpenTreeDialog();
  if (dialog == nullptr) return 1;
  bool ok = Save(dialog, out, "tree_dialog");
  dialog->findChild<QPushButton*>("okButton")->click();
  Settle();
  const auto trees = window.findChildren<TreeWindow*>();
  if (trees.isEmpty()) return 1;
  TreeWindow* tree = trees.back();
  tree->resize(820, 420);
  ok = Save(tree, out, "tree_window") && ok;
  QFile::remove(QDir(out).filePath(".tree_screenshot.ini"));
  return ok ? 0 : 1;
}
