// The two remembered folders: the first-run rule, later runs, and the settings dialog's OK and
// Cancel.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>

#include "shell/settings_dialog.h"
#include "shell/settings_store.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { TestApplication(); }

  QString Ini() const { return scratch.filePath("store.ini"); }
  QString Stored(const char* key) const {
    return QSettings(Ini(), QSettings::IniFormat).value(QString("Dirs/") + key).toString();
  }
  void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QString Native(const QString& path) const {
    return QDir::toNativeSeparators(QDir::cleanPath(path));
  }

  QTemporaryDir scratch;
  QTemporaryDir home;
  ProcessState state;
};

TEST_F(SettingsTest, FirstRun_HomeStandsForTheRootAndPhylipIsUsedWhenItHoldsAFile) {
  // No phylip folder yet: both folders become the home folder.
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(Stored("WinDir"), Native(home.path()));
  EXPECT_EQ(Stored("PhylipDir"), Native(home.path()));
  EXPECT_EQ(FromStd(state.WinDir), Native(home.path()));
  EXPECT_EQ(FromStd(state.PhylipDir), Native(home.path()));

  // An empty phylip folder does not count; one holding a file does.
  QDir(home.path()).mkpath("phylip");
  QFile::remove(Ini());
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(Stored("PhylipDir"), Native(home.path()));
  Touch(home.filePath("phylip/infile"));
  QFile::remove(Ini());
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(Stored("PhylipDir"), Native(home.filePath("phylip")));
  EXPECT_EQ(FromStd(state.PhylipDir), Native(home.filePath("phylip")));
}

TEST_F(SettingsTest, LaterRuns_UseWhatIsStoredAndOnlyWinDirDecidesAboutDefaults) {
  {
    QSettings raw(Ini(), QSettings::IniFormat);
    raw.setValue("Dirs/WinDir", "/srv/win");
    raw.setValue("Dirs/PhylipDir", "/srv/phylip");
  }
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(state.WinDir, "/srv/win");
  EXPECT_EQ(state.PhylipDir, "/srv/phylip");

  // "WinDir" present, "PhylipDir" absent: no defaults are written and PhylipDir stays empty.
  {
    QSettings raw(Ini(), QSettings::IniFormat);
    raw.remove("Dirs/PhylipDir");
  }
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(state.WinDir, "/srv/win");
  EXPECT_EQ(state.PhylipDir, "");
  EXPECT_FALSE(QSettings(Ini(), QSettings::IniFormat).contains("Dirs/PhylipDir"));

  // A stored "0" counts as a first run.
  {
    QSettings raw(Ini(), QSettings::IniFormat);
    raw.setValue("Dirs/WinDir", "0");
  }
  {
    SettingsStore store(Ini());
    ReadSettings(store, state, FirstRunFolders::UnderHome(home.path()));
  }
  EXPECT_EQ(FromStd(state.WinDir), Native(home.path()));
  EXPECT_EQ(FromStd(state.PhylipDir), Native(home.path()));
}

TEST_F(SettingsTest, Dialog_OkStoresBothFoldersAndCancelChangesNothing) {
  QDir(home.path()).mkpath("win");
  QDir(home.path()).mkpath("phy");
  state.WinDir = ToStd(Native(home.path()));
  state.PhylipDir = ToStd(Native(home.path()));
  SettingsStore store(Ini());

  auto* form = new SetForm(state, store, nullptr);
  form->setAttribute(Qt::WA_DeleteOnClose);
  EXPECT_EQ(form->windowTitle(), "Settings");
  EXPECT_EQ(form->findChild<QLabel*>("Label1")->text(), "Windows directory");
  EXPECT_EQ(form->findChild<QLabel*>("Label2")->text(), "Phylip directory");
  EXPECT_TRUE(form->findChild<QLabel*>("Label1")->font().bold());
  ASSERT_NE(form->findChild<QTreeView*>("DirWin"), nullptr);
  ASSERT_NE(form->findChild<QTreeView*>("DirPhyl"), nullptr);
  // Each tree opens on its folder.
  EXPECT_EQ(form->WindowsFolder(), Native(home.path()));
  EXPECT_EQ(form->PhylipFolder(), Native(home.path()));

  form->ChooseWindowsFolder(home.filePath("win"));
  form->ChoosePhylipFolder(home.filePath("phy"));
  form->findChild<QPushButton*>("Command2")->click();  // Cancel
  EXPECT_EQ(FromStd(state.WinDir), Native(home.path()));
  EXPECT_FALSE(QSettings(Ini(), QSettings::IniFormat).contains("Dirs/WinDir"));

  form = new SetForm(state, store, nullptr);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->ChooseWindowsFolder(home.filePath("win"));
  form->ChoosePhylipFolder(home.filePath("phy"));
  form->findChild<QPushButton*>("Command1")->click();  // OK
  EXPECT_EQ(FromStd(state.WinDir), Native(home.filePath("win")));
  EXPECT_EQ(FromStd(state.PhylipDir), Native(home.filePath("phy")));
  EXPECT_EQ(Stored("WinDir"), Native(home.filePath("win")));
  EXPECT_EQ(Stored("PhylipDir"), Native(home.filePath("phy")));
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(SettingsTest, Dialog_AFolderThatIsGoneKeepsItsStoredValue) {
  state.WinDir = ToStd(home.filePath("gone"));
  state.PhylipDir = ToStd(Native(home.path()));
  SettingsStore store(Ini());
  SetForm form(state, store, nullptr);
  EXPECT_EQ(form.WindowsFolder(), "");
  form.findChild<QPushButton*>("Command1")->click();
  EXPECT_EQ(FromStd(state.WinDir), home.filePath("gone"));
  EXPECT_EQ(Stored("WinDir"), home.filePath("gone"));
}

}  // namespace
}  // namespace marbleset::shell::testing
