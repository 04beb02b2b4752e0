// The settings dialog: the Windows folder and the PHYLIP folder, each chosen in a folder tree.
// OK stores both and they take effect at once; Cancel changes nothing.
#pragma once

#include <QDialog>

namespace marbleset::shell {

class FolderTree;
class SettingsStore;
struct ShellFolders;

class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(ShellFolders& folders, SettingsStore& store, QWidget* parent);

  // The folder a tree shows as current; empty when none is.
  QString WindowsFolder() const;
  QString PhylipFolder() const;
  // Makes folder the current one of a tree.
  void ChooseWindowsFolder(const QString& folder);
  void ChoosePhylipFolder(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Accept();

  ShellFolders& folders_;
  SettingsStore& store_;
  FolderTree* windowsFolderTree_;
  FolderTree* phylipFolderTree_;
};

}  // namespace marbleset::shell
