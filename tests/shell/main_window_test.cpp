// The main window as the user meets it: its menus, the start-up state, the command states after
// each kind of read and after a failed one, and the one way out.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

#include "shell/crop_dialog.h"
#include "shell/data_window.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell/settings_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

// "caption|name" for each entry of a menu; separators as "-|name".
QStringList MenuEntries(QMenu* menu) {
  QStringList entries;
  for (QAction* action : menu->actions()) {
    entries << (action->isSeparator() ? QString("-") : action->text()) + "|" + action->objectName();
  }
  return entries;
}

TEST_F(ShellTest, MenuBar_HasTheCaptionsNamesSeparatorsAndKeys) {
  EXPECT_EQ(window->windowTitle(), "Marbleset");
  QStringList menus;
  for (QAction* action : window->menuBar()->actions()) {
    menus << action->text() + "|" + action->menu()->objectName();
  }
  EXPECT_EQ(menus, QStringList({"&File|MnuFile", "&Edit|MnuEdit", "&Generate|MnuGenerate",
                                "&Calculate|MnuCalculate", "&Help|MnuHelp"}));

  auto menu = [&](const char* name) { return window->findChild<QMenu*>(name); };
  EXPECT_EQ(
      MenuEntries(menu("MnuFile")),
      QStringList({"Open binary data file...|MnuOpenBin", "Open quantitative data...|MnuOpenQuant",
                   "Save data as...|MnuSaveData", "-|s1", "Settings...|MnuSettings", "-|s2",
                   "Exit                     Alt+F4|MnuExit"}));
  EXPECT_EQ(MenuEntries(menu("MnuEdit")),
            QStringList({"Crop...|mnuCrop", "-|s3", "in Notepad|MnuNotePad"}));
  EXPECT_EQ(MenuEntries(menu("MnuGenerate")),
            QStringList({"BootStraps...|MnuBootStraps", "Permutations...|MnuPermutation",
                         "GenStraps...|MnuGenstraps", "Random resampling...|MnuRandomResampling",
                         "MissStraps...|MnuMis", "Noise...|MnuNoise"}));
  EXPECT_EQ(MenuEntries(menu("MnuCalculate")), QStringList({"Distances...|MnuDistances"}));
  EXPECT_EQ(MenuEntries(menu("MnuHelp")),
            QStringList({"Contents|MnuHelpContents", "-|s6", "About Marbleset...|MnuAbout"}));

  EXPECT_EQ(Action("MnuHelpContents")->shortcut(), QKeySequence(Qt::Key_F1));
  // "Alt+F4" is only text: the window system closes on that key, not a second shortcut.
  EXPECT_TRUE(Action("MnuExit")->shortcut().isEmpty());
}

TEST_F(ShellTest, StartUp_OnlyTheAlwaysAvailableCommandsAndEmptyPanels) {
  EXPECT_TRUE(EnabledDataCommands().isEmpty());
  for (const char* name :
       {"MnuOpenBin", "MnuOpenQuant", "MnuSettings", "MnuExit", "MnuHelpContents", "MnuAbout"}) {
    EXPECT_TRUE(Action(name)->isEnabled()) << name;
  }
  EXPECT_EQ(data.NOtu, 0);
  EXPECT_EQ(data.NChar, 0);
  EXPECT_TRUE(data.DataFileName.empty());
  EXPECT_EQ(window->DataFileTitle(), "");
  EXPECT_EQ(window->OtuPanelText(), "");
  // Start-up read the settings: the first run has written both folders.
  EXPECT_FALSE(state.WinDir.empty());
  EXPECT_FALSE(state.PhylipDir.empty());

  // Three panels, each at least one inch wide.
  const auto panels = window->statusBar()->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 3);
  for (QLabel* panel : panels) EXPECT_GE(panel->minimumWidth(), window->logicalDpiX());
}

TEST_F(ShellTest, CommandStates_FollowEachKindOfReadAndSurviveAFailedOne) {
  const QString binary = WriteFile("b.phy", kBinaryPhylip);
  const QString quantitative = WriteFile("q.phy", kQuantitativePhylip);
  const QString multi = WriteFile("m.phy", kBinaryPhylip + "\n" + kBinaryPhylip);
  const QStringList all = {"MnuSaveData",    "mnuCrop",      "MnuNotePad",          "MnuBootStraps",
                           "MnuPermutation", "MnuGenstraps", "MnuRandomResampling", "MnuMis",
                           "MnuNoise",       "MnuDistances"};

  OpenBinary(binary);
  EXPECT_EQ(EnabledDataCommands(), all);
  EXPECT_EQ(window->DataFileTitle(), "b.phy");
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 3");
  EXPECT_EQ(window->CharPanelText(), "#Char = 4");

  OpenQuantitative(quantitative);
  EXPECT_EQ(EnabledDataCommands(),
            QStringList({"MnuSaveData", "MnuNotePad", "MnuBootStraps", "MnuPermutation",
                         "MnuGenstraps", "MnuRandomResampling", "MnuDistances"}));
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 2");
  EXPECT_EQ(window->CharPanelText(), "#Char = 3");

  OpenBinary(multi);
  EXPECT_EQ(EnabledDataCommands(), QStringList({"MnuNotePad", "MnuDistances"}));
  EXPECT_EQ(window->DataWindow().Text(),
            "Multiple datasets\n\nAlpha       \nBeta        \n"
            "Gamma       \n");

  OpenBinary(binary);
  EXPECT_EQ(EnabledDataCommands(), all);
  const QString shown = window->DataWindow().Text();

  // A read that fails leaves the commands, the panels, the data and the window as they were.
  services.yesNoAnswers.push_back(false);
  OpenBinary(WriteFile("broken.phy", " 3 4\nAlpha       0110\n"));
  EXPECT_EQ(EnabledDataCommands(), all);
  EXPECT_EQ(window->DataFileTitle(), "b.phy");
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 3");
  EXPECT_EQ(data.NOtu, 3);
  EXPECT_EQ(data.DataFileName, ToStd(binary));
  EXPECT_EQ(window->DataWindow().Text(), shown);
}

TEST_F(ShellTest, FailedReadBeforeAnySuccess_LeavesEverythingDisabled) {
  OpenBinary(scratch.filePath("missing.phy"));
  EXPECT_TRUE(EnabledDataCommands().isEmpty());
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_FALSE(services.messages[0].question);
  EXPECT_EQ(window->DataFileTitle(), "");
}

TEST_F(ShellTest, DataWindow_ShowsTheFileAndFillsTheWorkspace) {
  window->resize(800, 600);
  window->show();
  QApplication::processEvents();
  QMdiSubWindow* sub = window->Workspace().subWindowList().value(0);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->windowTitle(), "Binary data");
  EXPECT_EQ(sub->geometry().size(), window->Workspace().viewport()->size());

  OpenBinary(WriteFile("b.phy", kBinaryPhylip));
  // The file's text, exactly, line for line.
  EXPECT_EQ(window->DataWindow().Text(),
            " 3 4\nAlpha       0110\nBeta        1?01\nGamma       0011\n");
  EXPECT_TRUE(window->DataWindow().TextBox()->isReadOnly());
  EXPECT_TRUE(window->DataWindow().TextBox()->font().fixedPitch() ||
              QFontInfo(window->DataWindow().TextBox()->font()).fixedPitch());

  // The text box follows every resize of its window.
  sub->resize(300, 200);
  QApplication::processEvents();
  EXPECT_EQ(window->DataWindow().TextBox()->size(), window->DataWindow().size());
  sub->resize(500, 400);
  QApplication::processEvents();
  EXPECT_EQ(window->DataWindow().TextBox()->size(), window->DataWindow().size());

  EXPECT_EQ(window->DataWindow().TextBox()->lineWrapMode(), QPlainTextEdit::NoWrap);

  // A row of 5000 values is shown wrapped, so that showing it does not freeze the program.
  OpenBinary(WriteFile("wide.phy", " 1 5000\nAlpha       " + QByteArray(5000, '1') + "\n"));
  EXPECT_EQ(data.NChar, 5000);
  EXPECT_EQ(window->DataWindow().TextBox()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(window->DataWindow().Text().size(), 8 + 12 + 5000 + 1);

  // Closing the data window hides it; the next file brings it back.
  sub->close();
  OpenBinary(WriteFile("c.phy", kBinaryPhylip));
  EXPECT_TRUE(sub->isVisible());
  window->close();
}

TEST_F(ShellTest, ProgressWindow_CentredOverTheMainWindowFromItsMiddle) {
  window->setGeometry(100, 100, 1000, 800);
  ProgressWindow& progress = window->Progress();
  EXPECT_EQ(progress.objectName(), "progForm");
  EXPECT_EQ(progress.windowTitle(), "");

  progress.Start("Generating BootStraps");
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.Message(), "Generating BootStraps");
  EXPECT_EQ(progress.Percent(), 0);
  EXPECT_EQ(progress.pos().y(), window->geometry().top() + 400);
  EXPECT_NEAR(progress.pos().x() + progress.width() / 2.0, window->geometry().center().x(), 1.0);

  progress.Advance(42.4);
  EXPECT_EQ(progress.Percent(), 42);
  progress.Advance(250);
  EXPECT_EQ(progress.Percent(), 100);
  progress.Unload();
  EXPECT_FALSE(progress.isVisible());

  // Shown again, it starts from its designed state.
  progress.Start("Calculating distances");
  EXPECT_EQ(progress.Percent(), 0);
  EXPECT_EQ(progress.Message(), "Calculating distances");
  progress.Unload();
}

TEST_F(ShellTest, RunCommands_ConfigureOneRunDialog) {
  OpenBinary(WriteFile("ab12.phy", kBinaryPhylip));
  Action("MnuBootStraps")->trigger();
  auto dialogs = window->findChildren<DisStartForm*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_TRUE(dialogs[0]->isVisible());
  EXPECT_EQ(dialogs[0]->windowTitle(), "Generate Bootstraps");

  // A second command reconfigures the open dialog rather than opening another.
  Action("MnuDistances")->trigger();
  dialogs = window->findChildren<DisStartForm*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_EQ(dialogs[0]->windowTitle(), "Calculate distances");

  // Closed, it is discarded; the next command loads a fresh one.
  dialogs[0]->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window->findChildren<DisStartForm*>().isEmpty());
  Action("MnuNoise")->trigger();
  dialogs = window->findChildren<DisStartForm*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_EQ(dialogs[0]->windowTitle(), "Generate Noise");
}

TEST_F(ShellTest, Exit_ClosesEveryWindowWithoutAQuestion) {
  window->show();
  OpenBinary(WriteFile("b.phy", kBinaryPhylip));
  Action("mnuCrop")->trigger();
  Action("MnuSettings")->trigger();
  Action("MnuAbout")->trigger();
  Action("MnuDistances")->trigger();
  window->Progress().Start("Calculating distances");
  const auto messagesBefore = services.messages.size();

  Action("MnuExit")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (child->isWindow()) {
      EXPECT_FALSE(child->isVisible()) << child->objectName().toStdString();
    }
  }
  EXPECT_EQ(services.messages.size(), messagesBefore);
}

TEST_F(ShellTest, EditorHelpAndF1_GoThroughThePlatform) {
  const QString path = WriteFile("b.phy", kBinaryPhylip);
  OpenBinary(path);
  Action("MnuNotePad")->trigger();
  EXPECT_EQ(services.editorStarts, QStringList({path}));

  Action("MnuHelpContents")->trigger();
  EXPECT_EQ(services.helpShown, 1);

  // F1 anywhere in the window, here with the data window's text box focused.
  window->show();
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  window->DataWindow().TextBox()->setFocus();
  QTest::keyClick(window->DataWindow().TextBox(), Qt::Key_F1);
  EXPECT_EQ(services.helpShown, 2);
  window->close();
}

}  // namespace
}  // namespace marbleset::shell::testing
