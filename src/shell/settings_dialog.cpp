#include "shell/settings_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/folder_tree.h"
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

}  // namespace

SettingsDialog::SettingsDialog(ShellFolders& folders, SettingsStore& store, QWidget* parent)
    : QDialog(parent), folders_(folders), store_(store) {
  setObjectName("settingsDialog");
  setWindowTitle("Settings");

  windowsFolderTree_ = new FolderTree(this);
  windowsFolderTree_->setObjectName("windowsFolderTree");
  phylipFolderTree_ = new FolderTree(this);
  phylipFolderTree_->setObjectName("phylipFolderTree");

  auto* okButton = new QPushButton("OK", this);
  okButton->setObjectName("okButton");
  okButton->setDefault(true);
  auto* cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("cancelButton");
  connect(okButton, &QPushButton::clicked, this, &SettingsDialog::Accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BoldLabel("Windows directory", "windowsFolderLabel", this));
  layout->addWidget(windowsFolderTree_);
  layout->addWidget(BoldLabel("Phylip directory", "phylipFolderLabel", this));
  layout->addWidget(phylipFolderTree_);
  layout->addLayout(buttons);

  const QFontMetrics metrics(font());
  resize(metrics.averageCharWidth() * 60, metrics.height() * 32);

  ChooseWindowsFolder(folders_.windowsFolder);
  ChoosePhylipFolder(folders_.phylipFolder);
}

void SettingsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The trees know their height only once laid out: centre their folders then.
  windowsFolderTree_->ShowCurrentFolder();
  phylipFolderTree_->ShowCurrentFolder();
  QTimer::singleShot(0, this, [this] {
    windowsFolderTree_->ShowCurrentFolder();
    phylipFolderTree_->ShowCurrentFolder();
  });
}

QString SettingsDialog::WindowsFolder() const {
  return windowsFolderTree_->CurrentFolder();
}

QString SettingsDialog::PhylipFolder() const {
  return phylipFolderTree_->CurrentFolder();
}

void SettingsDialog::ChooseWindowsFolder(const QString& folder) {
  windowsFolderTree_->ChooseFolder(folder);
}

void SettingsDialog::ChoosePhylipFolder(const QString& folder) {
  phylipFolderTree_->ChooseFolder(folder);
}

void SettingsDialog::Accept() {
  // A stored folder that no longer exists has no place in its tree; it is kept as stored.
  const QString windows = WindowsFolder();
  const QString phylip = PhylipFolder();
  if (!windows.isEmpty()) folders_.windowsFolder = windows;
  if (!phylip.isEmpty()) folders_.phylipFolder = phylip;
  WriteSettings(store_, folders_);
  close();
}

}  // namespace marbleset::shell
