// A tree of the file system's folders for choosing one. A folder's subfolders are listed when it
// is opened, at once and on this thread, so a folder chosen in advance is in sight as soon as the
// tree is shown.
#pragma once

#include <QTreeView>

class QStandardItem;
class QStandardItemModel;

namespace marbleset::shell {

class FolderTree : public QTreeView {
  Q_OBJECT

 public:
  explicit FolderTree(QWidget* parent = nullptr);

  // Opens the folders down to folder and makes it the current one. A folder that does not exist
  // is not shown; the tree then has no current folder.
  void ChooseFolder(const QString& folder);
  // The current folder in the platform's spelling; empty when there is none.
  QString CurrentFolder() const;
  // Brings the current folder into the middle of the view.
  void ShowCurrentFolder();

 private:
  void ListSubfolders(QStandardItem* item);
  QStandardItem* AddFolder(QStandardItem* parent, const QString& name, const QString& path);

  QStandardItemModel* model_;
};

}  // namespace marbleset::shell
