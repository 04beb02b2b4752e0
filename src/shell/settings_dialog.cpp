#include "shell/settings_dialog.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

QLabel* BoldLabel(const QString& text, const QString& name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QTreeView* FolderTree(QFileSystemModel* model, const QString& name, QWidget* parent) {
  auto* tree = new QTreeView(parent);
  tree->setObjectName(name);
  tree->setModel(model);
  tree->setHeaderHidden(true);
  for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  return tree;
}

}  // namespace

SetForm::SetForm(marbleset::ProcessState& state, SettingsStore& store, QWidget* parent)
    : QDialog(parent), state_(state), store_(store) {
  setObjectName("SetForm");
  setWindowTitle("Settings");

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QDir::rootPath());

  winTree_ = FolderTree(model_, "DirWin", this);
  phylipTree_ = FolderTree(model_, "DirPhyl", this);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Command2");
  connect(ok, &QPushButton::clicked, this, &SetForm::Accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BoldLabel("Windows directory", "Label1", this));
  layout->addWidget(winTree_);
  layout->addWidget(BoldLabel("Phylip directory", "Label2", this));
  layout->addWidget(phylipTree_);
  layout->addLayout(buttons);

  const QFontMetrics metrics(font());
  resize(metrics.averageCharWidth() * 60, metrics.height() * 32);

  ChooseWindowsFolder(FromStd(state_.WinDir));
  ChoosePhylipFolder(FromStd(state_.PhylipDir));
  // The folder lists fill in the background; keep each tree's folder in view as they do.
  connect(model_, &QFileSystemModel::directoryLoaded, this, &SetForm::ShowCurrentFolders);
}

void SetForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ShowCurrentFolders();
}

void SetForm::ShowCurrentFolders() {
  for (QTreeView* tree : {winTree_, phylipTree_}) {
    if (tree->currentIndex().isValid()) {
      tree->scrollTo(tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    }
  }
}

QString SetForm::WindowsFolder() const {
  return CurrentFolder(*winTree_);
}

QString SetForm::PhylipFolder() const {
  return CurrentFolder(*phylipTree_);
}

void SetForm::ChooseWindowsFolder(const QString& folder) {
  ChooseFolder(*winTree_, folder);
}

void SetForm::ChoosePhylipFolder(const QString& folder) {
  ChooseFolder(*phylipTree_, folder);
}

QString SetForm::CurrentFolder(const QTreeView& tree) const {
  const QModelIndex current = tree.currentIndex();
  if (!current.isValid()) return QString();
  return QDir::toNativeSeparators(model_->filePath(current));
}

void SetForm::ChooseFolder(QTreeView& tree, const QString& folder) {
  // A stored folder that no longer exists has no place in the tree; the tree then has no
  // current folder and OK keeps the stored value.
  if (folder.isEmpty() || !QDir(folder).exists()) return;
  const QModelIndex index = model_->index(QDir::cleanPath(QDir::fromNativeSeparators(folder)));
  if (!index.isValid()) return;
  tree.setCurrentIndex(index);
  tree.scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void SetForm::Accept() {
  const QString windows = WindowsFolder();
  const QString phylip = PhylipFolder();
  if (!windows.isEmpty()) state_.WinDir = ToStd(windows);
  if (!phylip.isEmpty()) state_.PhylipDir = ToStd(phylip);
  WriteSettings(store_, state_);
  close();
}

}  // namespace marbleset::shell
