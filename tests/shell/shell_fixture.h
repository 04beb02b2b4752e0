// A main window over scripted services, a settings store in a scratch folder and files written
// as a user would have them.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"
#include "scripted_services.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "shell/shell_context.h"
#include "test_application.h"

namespace marbleset::shell::testing {

inline constexpr int kPhylipEntry = 0, kAllFilesEntry = 1, kNtsysEntry = 2;

inline QByteArray Slurp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Removes the dialogs closed since the last call, as the event loop would.
inline void DeleteClosedWindows() {
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The lines of a text as a plain reading gives them: split at CR LF, CR or LF, no line after a
// final line end; tabs expanded to every eighth column, as the data window shows them, or kept.
inline QStringList ReferenceLines(const QByteArray& bytes, bool expandTabs = true) {
  QStringList lines;
  QString line;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines << line;
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (c == '\t' && expandTabs) {
      do line += ' ';
      while (line.size() % 8 != 0);
    } else {
      line += QChar(static_cast<unsigned char>(c));
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

// Chooses the entry of the list named list in dialog; a test failure if the list lacks it.
inline void Choose(QWidget* dialog, const char* list, const QString& entry) {
  auto* combo = dialog->findChild<QComboBox*>(list);
  ASSERT_GE(combo->findText(entry), 0) << list << ": " << entry.toStdString();
  combo->setCurrentIndex(combo->findText(entry));
}

// The commands offered for one binary data set: all ten.
inline const QStringList kAllDataCommands = {
    "MnuSaveData",    "mnuCrop",      "MnuNotePad",          "MnuBootStraps",
    "MnuPermutation", "MnuGenstraps", "MnuRandomResampling", "MnuMis",
    "MnuNoise",       "MnuDistances"};

class ShellTest : public ::testing::Test {
 protected:
  // Written with CR LF line ends, as data files usually come.
  QString WriteFile(const QString& name, QByteArray text) {
    return WriteRaw(name, text.replace("\n", "\r\n"));
  }
  // The bytes as they are (a VCF or NEXUS file, a file of mixed line ends).
  QString WriteRaw(const QString& name, const QByteArray& bytes) {
    const QString path = QDir::toNativeSeparators(scratch.filePath(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QAction* Action(const char* name) const { return window->findChild<QAction*>(name); }
  void OpenBinary(const QString& path, int entry = kPhylipEntry, const char* menu = "MnuOpenBin") {
    services.openAnswers.push_back(FileChoice{path, entry});
    Action(menu)->trigger();
  }
  void OpenQuantitative(const QString& path, int entry = kPhylipEntry) {
    OpenBinary(path, entry, "MnuOpenQuant");
  }
  QStringList EnabledDataCommands() const {
    QStringList names;  // those of the ten that are enabled, in the same order
    for (const QString& name : kAllDataCommands)
      if (Action(qPrintable(name))->isEnabled()) names << name;
    return names;
  }

  QApplication& application = TestApplication();
  QTemporaryDir scratch;
  ScriptedServices services;
  DataSet data;
  ShellFolders folders;
  UniformSource source;
  ShellContext context{data, folders, services, source};
  SettingsStore settings{scratch.filePath("settings.ini")};
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(context, settings);
};

inline const QByteArray kBinaryPhylip =
    " 3 4\nAlpha       0110\nBeta        1?01\nGamma       0011\n";
inline const QByteArray kQuantitativePhylip = " 2 3\nAlpha        1.5 2 3\nBeta         -1 ? 4\n";
inline const QByteArray kBinaryNtsys = "1 4 3 0\nA B C\n0 1 1\n1 0 1\n1 1 0\n0 0 1\n";

}  // namespace marbleset::shell::testing
