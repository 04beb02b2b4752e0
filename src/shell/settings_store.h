// The two folders the program remembers between runs, in the per-user settings store
// (application "Marbleset", group "Dirs", keys "WinDir" and "PhylipDir").
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <string_view>

class QSettings;

namespace marbleset::shell {

// The folders of the desktop program. The core knows nothing of them.
struct ShellFolders {
  // "WinDir": on Windows, the folder the text editor (notepad.exe) is started from.
  QString windowsFolder;
  // "PhylipDir": where "Phylip infile" proposes the run dialog's output, for PHYLIP's programs.
  QString phylipFolder;
};

class SettingsStore {
 public:
  // The user's own store of this platform.
  SettingsStore();
  // A store kept in the given INI file; tests use one in a scratch folder.
  explicit SettingsStore(const QString& iniPath);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The stored text of key in group "Dirs", or fallback when the key is absent.
  QString Read(const QString& key, const QString& fallback) const;
  void Write(const QString& key, const QString& value);

 private:
  std::unique_ptr<QSettings> settings_;
};

// Where the first-run defaults come from. On Windows: "c:\windows\" and "c:\phylip\" with the
// fallback "c:\". Elsewhere the user's home folder plays the part of "c:\": the PHYLIP folder
// is "phylip" in it and the Windows folder, kept for users who share the store with Windows,
// is the home folder itself.
struct FirstRunFolders {
  QString windowsFolder;  // used when it holds a file
  QString phylipFolder;   // used when it holds a file
  QString fallback;       // used otherwise

  static FirstRunFolders ForThisPlatform();
  // The layout used off Windows, rooted at home.
  static FirstRunFolders UnderHome(const QString& home);
};

// True when folder exists and holds at least one ordinary file.
bool HoldsAFile(const QString& folder);

// Reads both folders. On the first run (no "WinDir", or a stored "0") the defaults are written
// first. Only "WinDir" decides: a store with "WinDir" but without "PhylipDir" leaves the PHYLIP
// folder empty.
void ReadSettings(SettingsStore& store, ShellFolders& folders,
                  const FirstRunFolders& defaults = FirstRunFolders::ForThisPlatform());

// Stores both folders, as the settings dialog's OK does.
void WriteSettings(SettingsStore& store, const ShellFolders& folders);

// Text conversions between the core's file-system strings and Qt's.
std::string ToStd(const QString& text);
QString FromStd(std::string_view text);

}  // namespace marbleset::shell
