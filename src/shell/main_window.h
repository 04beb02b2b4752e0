// The main window: a multiple-document frame holding the data window, with the menus, the
// three-panel status bar and the commands the shell answers itself. One function,
// UpdateCommands(), sets every data command's enabled state from the loaded data; every change
// of the data goes through DataChanged(), which also closes the dialogs opened on the old data.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "dataset/command_availability.h"
#include "dataset/distance_matrix.h"
#include "distances/distance_settings.h"
#include "formats/data_io.h"
#include "formats/file_format.h"
#include "provenance/methods_text.h"
#include "provenance/session_commands.h"
#include "shell/shell_context.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;

namespace marbleset::shell {

class AboutBox;
class CropDialog;
class DataWindow;
class ProgressWindow;
class RunDialog;
class SettingsDialog;
class SessionLog;
class SettingsStore;
class TreeDialog;
enum class RunMode;

// What the program sets on the application before its first window: its name and the desktop
// entry. No display name is set, so the window system shows every title exactly as given.
void SetUpApplication();

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Built in a fixed order: menus, status bar, the stored folders, the windows, then the
  // commands' states for the data (none at start).
  MainWindow(ShellContext& context, SettingsStore& settings, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Status-bar panel 1: the loaded data file's own name, without its folder.
  QString DataFileTitle() const;
  QString OtuPanelText() const;
  QString CharPanelText() const;

  ProgressWindow& Progress() const { return *progress_; }
  DataWindow& Data() const { return *dataWindow_; }
  QMdiArea& Workspace() const { return *workspace_; }
  // The dialogs now open, or null.
  RunDialog* OpenRunDialog() const;
  CropDialog* OpenCropDialog() const;
  TreeDialog* OpenTreeDialog() const;

  // The commands, as the menus run them.
  void OpenBinary();
  void OpenQuantitative();
  void SaveData();
  void Crop();
  void OpenInEditor();
  void ShowSettings();
  void ShowRunDialog(RunMode mode);
  void ShowTreeDialog();
  // The heat map and principal coordinates of a distance file the user chooses.
  void ShowDistanceFilePictures();
  // The same for the matrix of the loaded data set under settings (after a distance run).
  void ShowDistancePictures(const marbleset::DistanceSettings& settings);
  // After a single-set distance run the status bar offers its pictures ("Show picture") until
  // the data changes; no window opens unasked.
  void OfferPicture(const marbleset::DistanceSettings& settings, const QString& path);
  void ShowHelp();
  void ShowAbout();
  // Help > "Session as commands" and "Save as script...".
  void ShowSession();
  void SaveSessionScript();
  SessionLog& Session() const { return *session_; }

  // Enables each data command exactly when the core offers it for the loaded data.
  void UpdateCommands();

  // Closes every secondary window without saving anything.
  void CloseWindows();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct MenuCommand {
    const char* name;
    const char* caption;
    std::function<void()> run;
  };
  void BuildMenus();
  void AddCommands(QMenu* menu, std::initializer_list<MenuCommand> commands);
  void BuildStatusBar();
  void PlaceWindows();
  void OpenDataFile(marbleset::DataKind kind);
  void ReadInFormat(const QString& path, marbleset::FileFormat format, marbleset::DataKind kind);
  void DataChanged();
  void ShowLoadedData();
  void ShowCounts();
  void FitDataWindow();
  void CloseDataDialogs();
  void WithdrawPictureOffer();
  // source: what the session's line of an export reads; facts: the window's methods paragraph.
  void OpenDistancePictureWindow(marbleset::DistanceMatrix matrix, const QString& valueName,
                                 const QString& title, const QString& folder,
                                 const marbleset::PictureMatrix& source,
                                 const marbleset::MethodsFacts& facts);
  template <typename Window, typename... Args>
  Window* OpenOnce(QPointer<Window>& window, Args&&... args);

  ShellContext& context_;
  SettingsStore& settings_;
  QMdiArea* workspace_ = nullptr;
  DataWindow* dataWindow_ = nullptr;
  QMdiSubWindow* dataSubWindow_ = nullptr;
  ProgressWindow* progress_ = nullptr;
  QLabel* fileNamePanel_ = nullptr;
  QLabel* otuCountPanel_ = nullptr;
  QLabel* charCountPanel_ = nullptr;
  QLabel* pictureOfferPanel_ = nullptr;
  QPushButton* showPictureButton_ = nullptr;
  marbleset::DistanceSettings offeredSettings_;
  QAction* commandActions_[marbleset::kDataCommandCount] = {};
  // The data window fills the workspace until the first file is shown in it.
  bool fitDataWindow_ = true;

  // The open dialog keeps its last entry and name from one use to the next.
  int openFilterIndex_ = 0;
  QString openName_;

  QPointer<RunDialog> runDialog_;
  QPointer<CropDialog> cropDialog_;
  QPointer<TreeDialog> treeDialog_;
  QPointer<SettingsDialog> settingsDialog_;
  QPointer<AboutBox> aboutBox_;
  std::unique_ptr<SessionLog> session_;
};

}  // namespace marbleset::shell
