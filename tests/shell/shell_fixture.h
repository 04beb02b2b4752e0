// A main window over scripted services and a settings store in a scratch folder.
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

inline constexpr int kPhylipEntry = 0, kAllFilesEntry = 1, kNtsysEntry = 2;

class ShellTest : public ::testing::Test {
 protected:
  QString WriteFile(const QString& name, QByteArray text) {
    const QString path = QDir::toNativeSeparators(scratch.filePath(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.replace("\n", "\r\n"));
    return path;
  }
  QAction* Action(const char* name) const { return window->findChild<QAction*>(name); }
  void OpenBinary(const QString& path, int entry = kPhylipEntry, const char* menu = "MnuOpenBin") {
    services.openAnswers.push_back(FileChoice{path, entry});
    Action(menu)->trigger();
  }
  QStringList EnabledDataCommands() const {
    QStringList names;
    for (const char* name :
         {"MnuSaveData", "mnuCrop", "MnuNotePad", "MnuBootStraps", "MnuPermutation", "MnuGenstraps",
          "MnuRandomResampling", "MnuMis", "MnuNoise", "MnuDistances"})
      if (Action(name)->isEnabled()) names << name;
    return names;
  }

  QApplication& application = TestApplication();
  QTemporaryDir scratch;
  ScriptedServices services;
  DataSet data;
  ProcessState state;
  UniformSource source;
  ShellContext context{data, state, services, source};
  SettingsStore settings{scratch.filePath("settings.ini")};
  std::unique_ptr<Main> window = std::make_unique<Main>(context, settings);
};

inline const QByteArray kBinaryPhylip =
    " 3 4\nAlpha       0110\nBeta        1?01\nGamma       0011\n";
inline const QByteArray kQuantitativePhylip = " 2 3\nAlpha        1.5 2 3\nBeta         -1 ? 4\n";
inline const QByteArray kBinaryNtsys = "1 4 3 0\nA B C\n0 1 1\n1 0 1\n1 1 0\n0 0 1\n";

}  // namespace marbleset::shell::testing
