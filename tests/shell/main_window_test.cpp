// The main window: command states after each kind of read and after failed ones, the open and
// save commands, the data and progress windows, the run dialog's reuse and the way out.
#include <QApplication>
#include <QPlainTextEdit>

#include "dataset/read_status.h"
#include "shell/data_window.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

TEST_F(ShellTest, CommandStatesFollowEachKindOfReadAndSurviveFailedOnes) {
  OpenBinary(scratch.filePath("missing.phy"));  // before any success: all stays disabled
  EXPECT_TRUE(EnabledDataCommands().isEmpty());
  const QString binary = WriteFile("b.phy", kBinaryPhylip);
  OpenBinary(binary);
  const QStringList all = EnabledDataCommands();  // all ten
  OpenBinary(WriteFile("q.phy", kQuantitativePhylip), kPhylipEntry, "MnuOpenQuant");
  EXPECT_EQ(EnabledDataCommands(),
            QStringList({"MnuSaveData", "MnuNotePad", "MnuBootStraps", "MnuPermutation",
                         "MnuGenstraps", "MnuRandomResampling", "MnuDistances"}));
  OpenBinary(WriteFile("m.phy", kBinaryPhylip + "\n" + kBinaryPhylip));
  EXPECT_EQ(EnabledDataCommands(), QStringList({"MnuNotePad", "MnuDistances"}));
  EXPECT_EQ(window->DataWindow().Text(),
            "Multiple datasets\n\nAlpha       \nBeta        \nGamma       \n");

  // Failed reads (a finding answered Yes or No, a file cut short, a missing file) leave
  // everything as it was; only Yes starts the editor.
  OpenBinary(binary);
  const QString shown = window->DataWindow().Text();
  const QString bad = WriteFile("bad.txt", " 3 4\nAlpha       0110\n");
  services.messages.clear();
  services.yesNoAnswers = {true, false};
  OpenBinary(bad);
  OpenBinary(bad);
  EXPECT_EQ(services.editorStarts, QStringList({bad}));
  OpenBinary(WriteFile("short.phy", " 2 4\nAlpha       0110\nBeta        01\n"));
  OpenBinary(scratch.filePath("nowhere.phy"));
  ASSERT_EQ(services.messages.size(), 4u);
  EXPECT_TRUE(services.messages[1].question);
  EXPECT_EQ(services.messages[1].text,
            QString::fromLatin1(ReadStatusMessage(ReadStatus::kDataIncomplete).data()));
  EXPECT_FALSE(services.messages[2].question || services.messages[3].question);
  EXPECT_TRUE(services.messages[3].text.contains("nowhere.phy"));
  EXPECT_EQ(EnabledDataCommands(), all);
  EXPECT_EQ(window->DataFileTitle(), "b.phy");
  EXPECT_EQ(data.DataFileName, ToStd(binary));
  EXPECT_EQ(window->DataWindow().Text(), shown);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ShellTest, TheFilterEntryNotTheExtensionPicksTheLayoutAndIsRemembered) {
  const QString path = WriteFile("looks_phylip.phy", kBinaryNtsys);
  OpenBinary(path, kNtsysEntry);
  EXPECT_EQ(data.OtuName[1], "A           ");
  OpenBinary(scratch.filePath("gone.phy"), kAllFilesEntry, "MnuOpenQuant");  // a failed read
  EXPECT_EQ(services.openRequests.at(1).filterIndex, kNtsysEntry);
  EXPECT_EQ(services.openRequests[1].initialName, path);
  services.messages.clear();
  OpenBinary(WriteFile("looks_ntsys.nts", kBinaryPhylip), kAllFilesEntry);
  EXPECT_EQ(data.OtuName[2], "Beta        ");
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(ShellTest, SaveDataWritesTheLayoutOfTheChosenEntryAndReportsFailures) {
  OpenBinary(WriteFile("ab12.phy", kBinaryPhylip));
  const QString phylip = scratch.filePath("out.nts"), ntsys = scratch.filePath("out.phy");
  services.saveAnswers = {FileChoice{phylip, 0}, FileChoice{ntsys, 1},
                          FileChoice{scratch.filePath("no/such/x.phy"), 0}};
  for (int i = 0; i < 3; ++i) Action("MnuSaveData")->trigger();
  EXPECT_EQ(services.saveRequests[0].initialName,
            QDir::toNativeSeparators(scratch.filePath("ab12")));
  auto slurp = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "";
  };
  EXPECT_EQ(slurp(phylip),
            " 3 4\r\nAlpha        0 1 1 0\r\nBeta         1 ? 0 1\r\nGamma        0 0 1 1\r\n");
  EXPECT_EQ(slurp(ntsys),
            "1 4 3L 1 2\r\nAlpha Beta Gamma \r\n 0 1 0\r\n 1 2 0\r\n 1 0 1\r\n 0 1 1\r\n");
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].title, "File write error");
  EXPECT_TRUE(services.messages[0].text.contains("x.phy"));
}

TEST_F(ShellTest, DataWindowWrapsVeryWideRows) {
  window->show();
  OpenBinary(WriteFile("wide.phy", " 1 5000\nAlpha       " + QByteArray(5000, '1') + "\n"));
  EXPECT_EQ(window->DataWindow().TextBox()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(window->DataWindow().Text().size(), 8 + 12 + 5000 + 1);
}

TEST_F(ShellTest, OneRunDialogAndExitClosingEverythingSilently) {
  window->show();
  OpenBinary(WriteFile("ab12.phy", kBinaryPhylip));
  for (const char* name : {"MnuBootStraps", "MnuDistances", "mnuCrop", "MnuSettings", "MnuAbout"})
    Action(name)->trigger();
  ASSERT_EQ(window->findChildren<DisStartForm*>().size(), 1);
  EXPECT_EQ(window->findChild<DisStartForm*>()->windowTitle(), "Calculate distances");
  window->Progress().Start("Calculating distances");
  Action("MnuExit")->trigger();
  QApplication::processEvents();
  for (QWidget* child : window->findChildren<QWidget*>())
    EXPECT_FALSE(child->isWindow() && child->isVisible()) << child->objectName().toStdString();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace marbleset::shell::testing
