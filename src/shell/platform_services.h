// What the desktop program asks of the platform: file dialogs, message boxes, the text editor,
// the clipboard and the help window. The program uses QtPlatformServices; tests script answers.
#pragma once

#include <QString>
#include <optional>

class QDialog;
class QWidget;

namespace marbleset::shell {

struct FileDialogRequest {
  QString title;
  QString filter;  // Qt filter list, entries separated by ";;"
  QString initialFolder;
  QString initialName;  // proposed file name (may be a full path)
  int filterIndex = 0;  // 0-based entry chosen at first
  bool askOverwrite = false;
};

struct FileChoice {
  QString path;         // full path of the chosen file
  int filterIndex = 0;  // 0-based entry the user chose; it decides the layout, not the extension
};

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  // std::nullopt when the user cancels.
  virtual std::optional<FileChoice> ChooseOpenFile(QWidget* parent, const FileDialogRequest&) = 0;
  virtual std::optional<FileChoice> ChooseSaveFile(QWidget* parent, const FileDialogRequest&) = 0;
  // A message with an OK button only.
  virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // Opens the file in the desktop's text editor without waiting; a failure to start is silent.
  virtual void StartEditor(const QString& path) = 0;
  virtual void SetClipboardText(const QString& text) = 0;
  virtual void ShowHelpContents(QWidget* parent) = 0;
  // Runs one of the program's own modal dialogs (the import dialog) until it closes; true when
  // it was accepted.
  virtual bool RunModal(QDialog& dialog) = 0;
};

}  // namespace marbleset::shell
