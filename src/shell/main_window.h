// The main window: a multiple-document frame holding the data window, with the menus, the
// three-panel status bar and the commands the shell answers itself.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include "dataset/command_availability.h"
#include "dataset/data_loader.h"
#include "shell/shell_context.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace marbleset::shell {

class AboutForm;
class CropForm;
class DataForm;
class DisStartForm;
class ProgressWindow;
class SetForm;
class SettingsStore;
enum class RunMode;

class Main : public QMainWindow {
  Q_OBJECT

 public:
  // Starts in a fixed order: the settings are read, the windows placed, the file state
  // cleared and every data command disabled.
  Main(ShellContext& context, SettingsStore& settings, QWidget* parent = nullptr);
  ~Main() override;

  // Status-bar panel 1: the loaded data file's own name, without its folder.
  QString DataFileTitle() const;
  QString OtuPanelText() const;
  QString CharPanelText() const;

  QAction* CommandAction(marbleset::DataCommand command) const;
  ProgressWindow& Progress() const { return *progress_; }
  DataForm& DataWindow() const { return *dataForm_; }
  QMdiArea& Workspace() const { return *mdi_; }

  // The commands, as the menus run them.
  void OpenBinary();
  void OpenQuantitative();
  void SaveData();
  void Crop();
  void OpenInEditor();
  void ShowSettings();
  void ShowRunDialog(RunMode mode);
  void ShowHelp();
  void ShowAbout();

  // Closes every secondary window without saving anything: the data window, the progress
  // window, the run dialog, the settings dialog, then the others.
  void UnloadWindows();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildStatusBar();
  void PlaceWindows();
  void ApplyCommandStates(const marbleset::CommandStates& states);
  void OpenDataFile(marbleset::DataKind kind);
  void ShowLoadedData();
  void ShowCounts();
  void FitDataWindow();
  QAction* AddCommand(QMenu* menu, const char* name, const QString& caption);

  ShellContext& context_;
  SettingsStore& settings_;
  QMdiArea* mdi_ = nullptr;
  DataForm* dataForm_ = nullptr;
  QMdiSubWindow* dataSubWindow_ = nullptr;
  ProgressWindow* progress_ = nullptr;
  QLabel* panels_[3] = {nullptr, nullptr, nullptr};
  QAction* commandActions_[marbleset::kDataCommandCount] = {};
  // The data window fills the workspace until the first file is shown in it.
  bool fitDataWindow_ = true;

  // The open dialog keeps its last entry and name from one use to the next.
  int openFilterIndex_ = 0;
  QString openName_;

  QPointer<DisStartForm> runDialog_;
  QPointer<CropForm> cropForm_;
  QPointer<SetForm> setForm_;
  QPointer<AboutForm> aboutForm_;
};

}  // namespace marbleset::shell
