// The platform services of the running program: Qt's file dialogs and message boxes, the
// desktop's text editor, the clipboard and the bundled user guide.
#pragma once

#include <QPointer>

#include "dataset/data_set.h"
#include "shell/platform_services.h"

namespace marbleset::shell {

class HelpWindow;

class QtPlatformServices : public PlatformServices {
 public:
  // state gives the Windows folder, from which the editor is started on Windows.
  explicit QtPlatformServices(const marbleset::ProcessState& state);
  ~QtPlatformServices() override;

  std::optional<FileChoice> ChooseOpenFile(QWidget* parent, const FileDialogRequest&) override;
  std::optional<FileChoice> ChooseSaveFile(QWidget* parent, const FileDialogRequest&) override;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
  bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
  void StartEditor(const QString& path) override;
  void SetClipboardText(const QString& text) override;
  void ShowHelpContents(QWidget* parent) override;

  // The help window if it is open, for closing it at exit.
  HelpWindow* OpenHelpWindow() const;

 private:
  const marbleset::ProcessState& state_;
  QPointer<HelpWindow> help_;
};

}  // namespace marbleset::shell
