// Marbleset's desktop program: one data set, the settings' folders, the platform's services and
// the random source of the generators, shown through the main window.
#include <QApplication>

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"
#include "shell/main_window.h"
#include "shell/qt_platform_services.h"
#include "shell/settings_store.h"
#include "shell/shell_context.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Marbleset");
  QApplication::setApplicationDisplayName("Marbleset");
  // Lets the desktop match the window to the launcher entry and its icon.
  QGuiApplication::setDesktopFileName("marbleset");

  // The one data set of the program: its fixed capacity is allocated once, here.
  marbleset::DataSet data;
  marbleset::ProcessState state;
  marbleset::UniformSource source;
  marbleset::shell::QtPlatformServices services(state);
  marbleset::shell::SettingsStore settings;
  marbleset::shell::ShellContext context{data, state, services, source};

  marbleset::shell::Main window(context, settings);
  window.showMaximized();
  return application.exec();
}
