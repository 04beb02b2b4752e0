#include "shell/qt_platform_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "shell/help_window.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

// The folder a dialog starts in: the one asked for, else the name's own folder, else the
// process's current folder (the examples folder under `make run`).
QString StartFolder(const FileDialogRequest& request) {
  if (!request.initialFolder.isEmpty()) return request.initialFolder;
  const QFileInfo name(request.initialName);
  if (name.isAbsolute()) return name.absolutePath();
  return QDir::currentPath();
}

std::optional<FileChoice> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                        QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, request.title, StartFolder(request));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  if (!request.askOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = request.filter.split(";;", Qt::SkipEmptyParts);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 0 && request.filterIndex < filters.size()) {
    dialog.selectNameFilter(filters[request.filterIndex]);
  }
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  if (path.isEmpty()) return std::nullopt;
  const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  return FileChoice{QDir::toNativeSeparators(path), index < 0 ? 0 : index};
}

}  // namespace

void PlaceHelpWindow(QWidget& help, const QWidget* mainWindow) {
  const QScreen* screen = mainWindow != nullptr ? mainWindow->screen() : help.screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  // The right half of the screen, below the main window's menu bar, so the menus and the
  // start of the data rows stay in sight.
  int top = room.top();
  if (mainWindow != nullptr) {
    const auto* main = qobject_cast<const QMainWindow*>(mainWindow);
    const QWidget* below =
        main != nullptr && main->centralWidget() != nullptr ? main->centralWidget() : mainWindow;
    top = std::max(top, below->mapToGlobal(QPoint(0, 0)).y());
  }
  const int width = std::min(help.width(), room.width() / 2);
  const int height = std::min(help.height(), room.bottom() - top - 40);
  help.resize(width, std::max(height, room.height() / 3));
  help.move(room.left() + room.width() - help.width(), top);
}

QtPlatformServices::QtPlatformServices(const ShellFolders& folders) : folders_(folders) {}

QtPlatformServices::~QtPlatformServices() = default;

std::optional<FileChoice> QtPlatformServices::ChooseOpenFile(QWidget* parent,
                                                             const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<FileChoice> QtPlatformServices::ChooseSaveFile(QWidget* parent,
                                                             const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

void QtPlatformServices::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool QtPlatformServices::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void QtPlatformServices::StartEditor(const QString& path) {
  // The program never waits for the editor, and an editor that cannot be started is not an
  // error worth interrupting the user for.
#ifdef Q_OS_WIN
  QString folder = folders_.windowsFolder;
  if (!folder.endsWith('\\')) folder += '\\';
  QProcess::startDetached(folder + "notepad.exe", {path});
#else
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

void QtPlatformServices::SetClipboardText(const QString& text) {
  QApplication::clipboard()->setText(text);
}

void QtPlatformServices::ShowHelpContents(QWidget* parent) {
  if (!help_) {
    help_ = new HelpWindow(parent ? parent->window() : nullptr);
    PlaceHelpWindow(*help_, parent ? parent->window() : nullptr);
  }
  help_->ShowContents();
}

bool QtPlatformServices::RunModal(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace marbleset::shell
