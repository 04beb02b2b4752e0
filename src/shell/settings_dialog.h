// The settings dialog: the Windows folder and the PHYLIP folder, each chosen in a folder tree.
// OK stores both and they take effect at once; Cancel changes nothing.
#pragma once

#include <QDialog>

#include "dataset/data_set.h"

class QFileSystemModel;
class QTreeView;

namespace marbleset::shell {

class SettingsStore;

class SetForm : public QDialog {
  Q_OBJECT

 public:
  SetForm(marbleset::ProcessState& state, SettingsStore& store, QWidget* parent);

  // The folder a tree shows as current; empty when none is.
  QString WindowsFolder() const;
  QString PhylipFolder() const;
  // Makes folder the current one of a tree (tests, and the first showing).
  void ChooseWindowsFolder(const QString& folder);
  void ChoosePhylipFolder(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Accept();
  void ShowCurrentFolders();
  QString CurrentFolder(const QTreeView& tree) const;
  void ChooseFolder(QTreeView& tree, const QString& folder);

  marbleset::ProcessState& state_;
  SettingsStore& store_;
  QFileSystemModel* model_;
  QTreeView* winTree_;
  QTreeView* phylipTree_;
};

}  // namespace marbleset::shell
