// Writes the guide's and the README's screenshots into a folder; run it under Xvfb.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <cstdio>

#include "scripted_services.h"
#include "shell/about_box.h"
#include "shell/crop_dialog.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/settings_dialog.h"
#include "shell/settings_store.h"

static bool Save(QWidget* widget, const QString& folder, const QString& name) {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  const QString path = QDir(folder).filePath(name + ".png");
  const bool saved = widget->grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [examples folder]\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString examples = argc > 2 ? QString::fromLocal8Bit(argv[2]) : MARBLESET_EXAMPLES_DIR;
  QDir().mkpath(out);

  using namespace marbleset;
  using namespace marbleset::shell;
  QTemporaryDir scratch;
  DataSet data;
  ProcessState state;
  UniformSource source;
  testing::ScriptedServices services;
  SettingsStore settings(scratch.filePath("settings.ini"));
  ShellContext context{data, state, services, source};

  Main window(context, settings);
  window.resize(760, 460);
  window.show();
  services.openAnswers.push_back(FileChoice{QDir(examples).filePath("markers.phy"), 0});
  window.OpenBinary();
  bool ok = Save(&window, out, "main_window");

  window.Crop();
  ok &= Save(window.findChild<CropForm*>(), out, "crop");
  window.ShowSettings();
  ok &= Save(window.findChild<SetForm*>(), out, "settings");
  window.ShowAbout();
  ok &= Save(window.findChild<AboutForm*>(), out, "about");

  HelpWindow help(nullptr);
  help.resize(720, 520);
  help.ShowContents();
  ok &= Save(&help, out, "help");
  help.Browser()->setSource(QUrl("qrc:/help/distances.html"));
  ok &= Save(&help, out, "help_distances");
  return ok ? 0 : 1;
}
