// The crop, about and settings windows.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QSettings>

#include "shell/about_box.h"
#include "shell/crop_dialog.h"
#include "shell/qt_platform_services.h"
#include "shell/settings_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

TEST_F(ShellTest, CropCountsAndRemovesInOrder) {
  // Characters 1 and 4 monomorphic, 2 and 5 uninformative; Beta, Gamma and Delta miss entries.
  const QByteArray screening =
      " 4 5\nAlpha       10001\nBeta        1100?\nGamma       111?0\nDelta       ?11?0\n";
  auto crop = [&](std::initializer_list<int> boxes, const char* button = "Command1") {
    Action("mnuCrop")->trigger();
    for (int i : boxes) window->findChild<CropForm*>()->Check(i)->setChecked(true);
    window->findChild<CropForm*>()->findChild<QPushButton*>(button)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };
  OpenBinary(WriteFile("s.phy", screening));
  Action("mnuCrop")->trigger();
  EXPECT_EQ(window->findChild<CropForm*>()->CountsText(),
            "Number of monomorphic characters: 2\nNumber of uninformative characters: 2\n"
            "Number of characters with missing data: 3\nNumber of OTUs with missing data: 3\n");
  crop({0}, "Command2");
  EXPECT_EQ(data.NChar, 5);
  crop({0});
  ASSERT_EQ(data.NChar, 3);  // 2, 3 and 5 are left in their order
  EXPECT_EQ(window->CharPanelText(), "#Char = 3");
  crop({2, 3});  // the characters with missing entries go first, so no OTU is left to go
  EXPECT_EQ(data.NOtu, 4);
  EXPECT_EQ(data.NChar, 2);
  OpenBinary(WriteFile("s2.phy", screening));
  crop({3});
  EXPECT_EQ(data.NOtu, 1);
}

TEST_F(ShellTest, AboutCopiesOneReferenceLineEvenTwice) {
  QtPlatformServices platform(state);
  for (int i = 0; i < 2; ++i) platform.SetClipboardText(AboutForm::ReferenceLine());
  EXPECT_EQ(QApplication::clipboard()->text(), AboutForm::ReferenceLine());
  EXPECT_FALSE(AboutForm::ReferenceLine().contains('\n'));
}

TEST_F(ShellTest, SettingsFirstRunLaterRunsAndTheDialog) {
  QTemporaryDir home;
  const QString ini = scratch.filePath("store.ini");
  auto native = [](const QString& p) { return QDir::toNativeSeparators(QDir::cleanPath(p)); };
  auto stored = [&](const char* key) { return QSettings(ini, QSettings::IniFormat).value(key); };
  auto read = [&] {
    SettingsStore store(ini);
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  };
  // First run (or a stored "0"): an empty phylip folder does not count, one holding a file does.
  QDir(home.path()).mkpath("phylip");
  read();
  EXPECT_EQ(stored("Dirs/PhylipDir").toString(), native(home.path()));
  QFile infile(home.filePath("phylip/infile"));
  ASSERT_TRUE(infile.open(QIODevice::WriteOnly));
  QSettings(ini, QSettings::IniFormat).setValue("Dirs/WinDir", "0");  // a first run again
  read();
  EXPECT_EQ(FromStd(state.PhylipDir), native(home.filePath("phylip")));

  // Cancel changes nothing; OK stores; a folder that is gone keeps its stored value.
  QDir(home.path()).mkpath("win");
  SettingsStore store(ini);
  for (const char* button : {"Command2", "Command1"}) {
    EXPECT_EQ(FromStd(state.WinDir), native(home.path()));
    SetForm form(state, store, nullptr);
    form.ChooseWindowsFolder(home.filePath("win"));
    form.findChild<QPushButton*>(button)->click();
  }
  EXPECT_EQ(stored("Dirs/WinDir").toString(), native(home.filePath("win")));
  state.WinDir = ToStd(home.filePath("gone"));
  SetForm form(state, store, nullptr);
  EXPECT_EQ(form.WindowsFolder(), "");
  form.findChild<QPushButton*>("Command1")->click();
  EXPECT_EQ(stored("Dirs/WinDir").toString(), home.filePath("gone"));
}

}  // namespace
}  // namespace marbleset::shell::testing
