// Marbleset's desktop program: one data set, the settings' folders, the platform's services and
// the random source of the generators, shown through the main window.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "dataset/data_set.h"
#include "marbleset_version.h"
#include "resampling/uniform_source.h"
#include "shell/main_window.h"
#include "shell/qt_platform_services.h"
#include "shell/settings_store.h"
#include "shell/shell_context.h"

namespace {

constexpr char kUsage[] =
    "Usage: marbleset [--help] [--version]\n"
    "\n"
    "Marbleset's desktop program: open a binary or quantitative data file (PHYLIP, NTSYS,\n"
    "delimited table, NEXUS, VCF or BCF), see it as text and as a picture, screen and save\n"
    "it, compute distance matrices, build trees with bootstrap support and write resampled\n"
    "data sets for PHYLIP. The guide is under Help > Contents (F1); marbleset-cli does the\n"
    "same from the command line.\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n";

// --help and --version are answered before any window system is touched, so they work without
// a display. Returns the exit status, or -1 to go on and open the window.
int AnswerOptions(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("marbleset " MARBLESET_VERSION);
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const int status = AnswerOptions(argc, argv); status >= 0) return status;

  QApplication application(argc, argv);
  marbleset::shell::SetUpApplication();

  marbleset::DataSet data;
  marbleset::shell::ShellFolders folders;
  marbleset::UniformSource source;
  marbleset::shell::QtPlatformServices services(folders);
  marbleset::shell::SettingsStore settings;
  marbleset::shell::ShellContext context{data, folders, services, source};

  marbleset::shell::MainWindow window(context, settings);
  window.showMaximized();
  return application.exec();
}
