#include "shell/folder_tree.h"

#include <QDir>
#include <QStandardItemModel>
#include <QStyle>

namespace marbleset::shell {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kListedRole = Qt::UserRole + 2;

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent) {
  model_ = new QStandardItemModel(this);
  setModel(model_);
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const QFileInfo& drive : QDir::drives()) {
    const QString path = drive.absoluteFilePath();
    AddFolder(model_->invisibleRootItem(), QDir::toNativeSeparators(path), path);
  }
  connect(this, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { ListSubfolders(model_->itemFromIndex(index)); });
}

QStandardItem* FolderTree::AddFolder(QStandardItem* parent, const QString& name,
                                     const QString& path) {
  auto* item = new QStandardItem(style()->standardIcon(QStyle::SP_DirIcon), name);
  item->setData(path, kPathRole);
  item->setData(false, kListedRole);
  // A placeholder child gives every folder its expander until its subfolders are listed.
  item->appendRow(new QStandardItem);
  parent->appendRow(item);
  return item;
}

void FolderTree::ListSubfolders(QStandardItem* item) {
  if (item == nullptr || item->data(kListedRole).toBool()) return;
  item->setData(true, kListedRole);
  item->removeRows(0, item->rowCount());
  const QDir folder(item->data(kPathRole).toString());
  const QStringList names =
      folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : names) AddFolder(item, name, folder.filePath(name));
}

void FolderTree::ChooseFolder(const QString& folder) {
  if (folder.isEmpty() || !QDir(folder).exists()) return;
  const QString path = QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath());
  // The drive (or root) the folder is on, then one name after another below it.
  QStandardItem* item = nullptr;
  for (int row = 0; row < model_->rowCount(); ++row) {
    QStandardItem* drive = model_->item(row);
    const QString root = drive->data(kPathRole).toString();
    if (path.startsWith(root, Qt::CaseInsensitive)) item = drive;
  }
  if (item == nullptr) return;
  const QString rest = path.mid(item->data(kPathRole).toString().size());
  for (const QString& name : rest.split('/', Qt::SkipEmptyParts)) {
    ListSubfolders(item);
    QStandardItem* next = nullptr;
    for (int row = 0; row < item->rowCount() && next == nullptr; ++row) {
      if (item->child(row)->text() == name) next = item->child(row);
    }
    // Hidden folders are not listed, but a stored folder may lie in one.
    if (next == nullptr) {
      next = AddFolder(item, name, QDir(item->data(kPathRole).toString()).filePath(name));
    }
    expand(item->index());
    item = next;
  }
  setCurrentIndex(item->index());
  ShowCurrentFolder();
}

QString FolderTree::CurrentFolder() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return QString();
  return QDir::toNativeSeparators(current.data(kPathRole).toString());
}

void FolderTree::ShowCurrentFolder() {
  if (currentIndex().isValid()) scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

}  // namespace marbleset::shell
