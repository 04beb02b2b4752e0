// The platform services of the running program: Qt's file dialogs and message boxes, the
// desktop's text editor, the clipboard and the bundled user guide.
#pragma once

#include <QPointer>

#include "shell/platform_services.h"

namespace marbleset::shell {

class HelpWindow;
struct ShellFolders;

// Places the help window on the right half of the screen below the main window's menu bar.
void PlaceHelpWindow(QWidget& help, const QWidget* mainWindow);

class QtPlatformServices : public PlatformServices {
 public:
  // folders give the Windows folder, from which the editor is started on Windows.
  explicit QtPlatformServices(const ShellFolders& folders);
  ~QtPlatformServices() override;

  std::optional<FileChoice> ChooseOpenFile(QWidget* parent, const FileDialogRequest&) override;
  std::optional<FileChoice> ChooseSaveFile(QWidget* parent, const FileDialogRequest&) override;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
  bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
  void StartEditor(const QString& path) override;
  void SetClipboardText(const QString& text) override;
  void ShowHelpContents(QWidget* parent) override;
  bool RunModal(QDialog& dialog) override;

 private:
  const ShellFolders& folders_;
  QPointer<HelpWindow> help_;
};

}  // namespace marbleset::shell
