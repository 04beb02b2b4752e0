// A main window over its own data set, scripted services and a settings store in a scratch
// folder, with helpers to write data files there and open them as the user would.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
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

// Filter entries of the open dialog.
inline constexpr int kPhylipEntry = 0;
inline constexpr int kAllFilesEntry = 1;
inline constexpr int kNtsysEntry = 2;

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() {
    TestApplication();
    settings = std::make_unique<SettingsStore>(scratch.filePath("settings.ini"));
    window = std::make_unique<Main>(context, *settings);
  }

  // Writes text (with \n turned into CR LF) to name in the scratch folder; returns the path.
  QString WriteFile(const QString& name, const QByteArray& text) {
    QByteArray bytes = text;
    bytes.replace("\n", "\r\n");
    const QString path = QDir::toNativeSeparators(scratch.filePath(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QAction* Action(const char* name) const { return window->findChild<QAction*>(name); }

  // Scripts the open dialog's answer and runs the command through its menu item.
  void Open(const char* command, const QString& path, int entry) {
    services.openAnswers.push_back(FileChoice{path, entry});
    Action(command)->trigger();
  }
  void OpenBinary(const QString& path, int entry = kPhylipEntry) {
    Open("MnuOpenBin", path, entry);
  }
  void OpenQuantitative(const QString& path, int entry = kPhylipEntry) {
    Open("MnuOpenQuant", path, entry);
  }

  // The names of the data commands that are enabled, in menu order.
  QStringList EnabledDataCommands() const {
    QStringList names;
    for (const char* name :
         {"MnuSaveData", "mnuCrop", "MnuNotePad", "MnuBootStraps", "MnuPermutation", "MnuGenstraps",
          "MnuRandomResampling", "MnuMis", "MnuNoise", "MnuDistances"}) {
      if (Action(name)->isEnabled()) names << name;
    }
    return names;
  }

  QTemporaryDir scratch;
  ScriptedServices services;
  DataSet data;
  ProcessState state;
  UniformSource source;
  ShellContext context{data, state, services, source};
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<Main> window;
};

// Three OTUs of four binary characters, names padded to the 12-character field.
inline const QByteArray kBinaryPhylip =
    " 3 4\n"
    "Alpha       0110\n"
    "Beta        1?01\n"
    "Gamma       0011\n";

inline const QByteArray kQuantitativePhylip =
    " 2 3\n"
    "Alpha        1.5 2 3\n"
    "Beta         -1 ? 4\n";

inline const QByteArray kBinaryNtsys =
    "1 4 3 0\n"
    "A B C\n"
    "0 1 1\n"
    "1 0 1\n"
    "1 1 0\n"
    "0 0 1\n";

}  // namespace marbleset::shell::testing
