// The main window: command states in each state of the data, dialogs that follow the data, the
// open command's file types, the way out, and the program's own options (saving is formats_test's).
#include <QCheckBox>
#include <QProcess>
#include <QPushButton>

#include "formats/read_status.h"
#include "marbleset_version.h"
#include "shell/crop_dialog.h"
#include "shell/data_window.h"
#include "shell/run_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

TEST_F(ShellTest, UpdateCommandsInEachStateOfTheDataAndAfterFailedReads) {
  EXPECT_TRUE(EnabledDataCommands().isEmpty());  // at start-up nothing is loaded
  OpenBinary(scratch.filePath("missing.phy"));   // a failed first read changes nothing
  EXPECT_TRUE(EnabledDataCommands().isEmpty());
  const QString binary = WriteFile("b.phy", kBinaryPhylip);
  OpenBinary(binary);
  EXPECT_EQ(EnabledDataCommands(), kAllDataCommands);
  OpenBinary(WriteFile("m.phy", kBinaryPhylip + "\n" + kBinaryPhylip));
  EXPECT_EQ(EnabledDataCommands(), QStringList({"MnuNotePad", "MnuDistances"}));
  EXPECT_EQ(window->Data().Text(),
            "Multiple datasets\n\nAlpha       \nBeta        \nGamma       \n");

  // A file cut short, its finding answered Yes or No, leaves everything as it was; only Yes
  // starts the editor (failed reads of the other kinds are FormatsTest's).
  OpenBinary(binary);
  const QString shown = window->Data().Text();
  const QString bad = WriteFile("bad.txt", " 3 4\nAlpha       0110\n");
  services.yesNoAnswers = {true, false};
  OpenBinary(bad);
  OpenBinary(bad);
  EXPECT_EQ(services.editorStarts, QStringList({bad}));
  ASSERT_EQ(services.messages.size(), 3u);  // the missing file's, then the two questions
  EXPECT_TRUE(services.messages[2].question);
  EXPECT_EQ(services.messages[2].title, "File read error");
  EXPECT_EQ(EnabledDataCommands(), kAllDataCommands);
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 3");
  EXPECT_EQ(data.fileName, ToStd(binary));
  EXPECT_EQ(window->Data().Text(), shown);
}

TEST_F(ShellTest, CropAndRunDialogsCloseWhenANewLoadOrAFailedReadChangesTheData) {
  window->show();
  auto openBoth = [&] {
    Action("mnuCrop")->trigger();
    Action("MnuNoise")->trigger();
    ASSERT_NE(window->OpenCropDialog(), nullptr);
    ASSERT_NE(window->OpenRunDialog(), nullptr);
  };
  auto bothClosed = [&] {
    DeleteClosedWindows();
    return window->OpenCropDialog() == nullptr && window->OpenRunDialog() == nullptr;
  };
  const QString binary = WriteFile("b.phy", kBinaryPhylip);
  OpenBinary(binary);
  openBoth();
  OpenBinary(binary);  // a new load, even of the same file
  EXPECT_TRUE(bothClosed());

  // A failed read that leaves the data as it was leaves the dialogs open.
  openBoth();
  OpenBinary(scratch.filePath("nowhere.phy"));
  EXPECT_FALSE(bothClosed());

  // A read that fails after changing what is loaded: the dialogs close and every window
  // follows the data now loaded (here: none).
  context.readDataFile = [](DataSet& loaded, const std::string& path, DataKind, FileFormat) {
    loaded = DataSet();
    throw ReadFailure(ReadProblem::kEndsEarly, InputPlace{path}, "Error reading data.");
  };
  OpenBinary(binary);
  EXPECT_TRUE(bothClosed());
  EXPECT_TRUE(EnabledDataCommands().isEmpty());
  EXPECT_EQ(window->DataFileTitle(), "");
  EXPECT_EQ(window->Data().Text(), "");

  // A crop changes the data too: an open run dialog goes.
  context.readDataFile = ShellContext{data, folders, services, source}.readDataFile;
  OpenBinary(binary);
  openBoth();
  window->OpenCropDialog()->RemovalCheck(2)->setChecked(true);  // Beta's "?" goes
  window->OpenCropDialog()->findChild<QPushButton*>("okButton")->click();
  EXPECT_TRUE(bothClosed());
  EXPECT_EQ(window->CharPanelText(), "#Char = 3");
}

TEST_F(ShellTest, TheFilterEntryNotTheExtensionPicksTheLayoutAndIsRemembered) {
  const QString path = WriteFile("looks_phylip.phy", kBinaryNtsys);
  OpenBinary(path, kNtsysEntry);
  EXPECT_EQ(data.otuNames.at(0), "A           ");
  OpenQuantitative(scratch.filePath("gone.phy"), kAllFilesEntry);  // a failed read
  EXPECT_EQ(services.openRequests.at(1).filterIndex, kNtsysEntry);
  EXPECT_EQ(services.openRequests[1].initialName, path);
  services.messages.clear();
  OpenBinary(WriteFile("looks_ntsys.nts", kBinaryPhylip), kAllFilesEntry);
  EXPECT_EQ(data.otuNames.at(1), "Beta        ");
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(ShellTest, OneRunDialogAndExitClosingEverythingSilently) {
  window->show();
  OpenBinary(WriteFile("ab12.phy", kBinaryPhylip));
  for (const char* name : {"MnuBootStraps", "MnuDistances", "mnuCrop", "MnuSettings", "MnuAbout"})
    Action(name)->trigger();
  ASSERT_EQ(window->findChildren<RunDialog*>().size(), 1);
  EXPECT_EQ(window->OpenRunDialog()->Mode(), RunMode::kDistances);
  Action("MnuExit")->trigger();
  QApplication::processEvents();
  for (QWidget* child : window->findChildren<QWidget*>())
    EXPECT_FALSE(child->isWindow() && child->isVisible()) << child->objectName().toStdString();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(services.messages.empty());
}

TEST(DesktopProgram, VersionAndHelpPrintAndExitWithoutADisplay) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  environment.insert("QT_QPA_PLATFORM", "xcb");  // would abort without a display
  for (const auto& [option, start] : {std::pair{"--version", "marbleset " MARBLESET_VERSION "\n"},
                                      {"--help", "Usage: marbleset"}}) {
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(MARBLESET_DESKTOP_PROGRAM, {option});
    ASSERT_TRUE(program.waitForFinished(-1));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
    EXPECT_EQ(program.exitCode(), 0) << option;
    const QByteArray out = program.readAllStandardOutput();
    EXPECT_TRUE(out.startsWith(start)) << out.toStdString();
    EXPECT_EQ(program.readAllStandardError(), "") << option;
  }
}

}  // namespace
}  // namespace marbleset::shell::testing
