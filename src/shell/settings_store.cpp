#include "shell/settings_store.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace marbleset::shell {

namespace {

constexpr char kGroup[] = "Dirs";
constexpr char kWinDir[] = "WinDir";
constexpr char kPhylipDir[] = "PhylipDir";
// What "WinDir" reads as when it is absent; a stored "0" means the same.
constexpr char kFirstRunMark[] = "0";

}  // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            "Marbleset", "Marbleset")) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::Read(const QString& key, const QString& fallback) const {
  return settings_->value(QString(kGroup) + "/" + key, fallback).toString();
}

void SettingsStore::Write(const QString& key, const QString& value) {
  settings_->setValue(QString(kGroup) + "/" + key, value);
  settings_->sync();
}

FirstRunFolders FirstRunFolders::ForThisPlatform() {
#ifdef Q_OS_WIN
  return {"c:\\windows\\", "c:\\phylip\\", "c:\\"};
#else
  return UnderHome(QDir::homePath());
#endif
}

FirstRunFolders FirstRunFolders::UnderHome(const QString& home) {
  const QString root = QDir::toNativeSeparators(QDir::cleanPath(home));
  return {root, QDir::toNativeSeparators(QDir::cleanPath(home + "/phylip")), root};
}

bool HoldsAFile(const QString& folder) {
  const QDir dir(folder);
  return dir.exists() && !dir.entryList(QDir::Files).isEmpty();
}

void ReadSettings(SettingsStore& store, ShellFolders& folders, const FirstRunFolders& defaults) {
  if (store.Read(kWinDir, kFirstRunMark) == kFirstRunMark) {
    store.Write(kWinDir,
                HoldsAFile(defaults.windowsFolder) ? defaults.windowsFolder : defaults.fallback);
    store.Write(kPhylipDir,
                HoldsAFile(defaults.phylipFolder) ? defaults.phylipFolder : defaults.fallback);
  }
  folders.windowsFolder = store.Read(kWinDir, QString());
  folders.phylipFolder = store.Read(kPhylipDir, QString());
}

void WriteSettings(SettingsStore& store, const ShellFolders& folders) {
  store.Write(kWinDir, folders.windowsFolder);
  store.Write(kPhylipDir, folders.phylipFolder);
}

std::string ToStd(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

QString FromStd(std::string_view text) {
  return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace marbleset::shell
