// A desktop session replayed by the command-line tool: the script saved from Help gives every
// file the desktop wrote, byte for byte, in a fresh copy of the data's folder; and a result
// window's methods paragraph names what the run was given.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <map>

#include "provenance/session_commands.h"
#include "scratch_folder.h"
#include "shell/crop_dialog.h"
#include "shell/data_window.h"
#include "shell/distance_picture_window.h"
#include "shell/matrix_picture_panel.h"
#include "shell/run_dialog.h"
#include "shell/tree_dialog.h"
#include "shell/tree_window.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

namespace fs = std::filesystem;

// Every file of folder but those named, with its bytes.
std::map<std::string, std::string> FilesOf(const fs::path& folder,
                                           std::initializer_list<std::string> besides) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(besides.begin(), besides.end(), name) == besides.end())
      files[name] = FileBytes(entry.path());
  }
  return files;
}

class SessionTest : public ShellTest {
 protected:
  QString At(const std::string& name) const { return QString::fromStdString(desk / name); }
  // A run dialog for the menu command, its output and fields set, and OK.
  void Run(const char* command, const std::string& output,
           std::initializer_list<std::pair<const char*, const char*>> fields,
           const char* coefficient = nullptr) {
    Action(command)->trigger();
    RunDialog* dialog = window->OpenRunDialog();
    ASSERT_NE(dialog, nullptr) << command;
    if (coefficient != nullptr) Choose(dialog, "coefficientList", coefficient);
    dialog->findChild<QLineEdit*>("outputPathEdit")->setText(At(output));
    for (const auto& [name, text] : fields) dialog->findChild<QLineEdit*>(name)->setText(text);
    dialog->findChild<QPushButton*>("okButton")->click();
    DeleteClosedWindows();
  }

  ScratchFolder desk;
};

TEST_F(SessionTest, SavedScriptReplaysEveryOutputAndMethodsNameTheRun) {
  fs::copy_file(MARBLESET_EXAMPLES_DIR "/markers.phy", desk / "markers.phy");
  QProcess digest;
  digest.start("sha256sum", {At("markers.phy")});
  ASSERT_TRUE(digest.waitForFinished(30000));
  const std::string sha = digest.readAllStandardOutput().left(64).toStdString();
  OpenBinary(At("markers.phy"));
  // The script is never written over the data file.
  services.saveAnswers.push_back(FileChoice{At("markers.phy"), 0});
  window->SaveSessionScript();
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(FileBytes(desk / "markers.phy"), FileBytes(MARBLESET_EXAMPLES_DIR "/markers.phy"));
  // Four characters hold a '?' (Festuca, Poa, Phleum, Agrostis): 20 of 24 stay.
  Action("mnuCrop")->trigger();
  window->OpenCropDialog()->RemovalCheck(2)->setChecked(true);
  window->OpenCropDialog()->findChild<QPushButton*>("okButton")->click();
  DeleteClosedWindows();
  ASSERT_EQ(data.CharCount(), 20u);
  services.saveAnswers.push_back(FileChoice{At("matrix.svg"), 1});
  window->Data().Picture()->Export();
  services.saveAnswers.push_back(FileChoice{At("matrix.png"), 0});
  window->Data().Picture()->Export();

  Run("MnuDistances", "dist.txt", {}, "Jaccard");
  // Two generator runs: the second starts where the first left the one random source.
  Run("MnuBootStraps", "boot1.phy", {{"dataSetCountEdit", "10"}, {"drawSizeEdit", "20"}});
  Run("MnuBootStraps", "boot2.phy", {{"dataSetCountEdit", "20"}});
  Run("MnuPermutation", "perm.phy", {{"dataSetCountEdit", "10"}});
  services.saveAnswers.push_back(FileChoice{At("saved.nts"), kNtsysEntry});
  Action("MnuSaveData")->trigger();

  window->findChild<QPushButton*>("showPictureButton")->click();
  auto* pictures = window->findChild<DistancePictureWindow*>();
  ASSERT_NE(pictures, nullptr);
  services.saveAnswers.push_back(FileChoice{At("heat.svg"), 1});
  pictures->ExportCurrent();
  pictures->Tabs()->setCurrentIndex(1);
  pictures->GroupByPrefix(2);
  services.saveAnswers.push_back(FileChoice{At("pcoa.svg"), 1});
  pictures->ExportCurrent();

  Action("MnuTree")->trigger();
  TreeDialog* treeDialog = window->OpenTreeDialog();
  treeDialog->findChild<QLineEdit*>("replicatesEdit")->setText("20");
  treeDialog->findChild<QLineEdit*>("seedEdit")->setText("4711");
  Choose(treeDialog, "coefficientList", "Nei");
  treeDialog->findChild<QPushButton*>("okButton")->click();
  DeleteClosedWindows();
  auto* tree = window->findChild<TreeWindow*>();
  ASSERT_NE(tree, nullptr);
  tree->SetRooting(Rooting::kMidpoint);
  services.saveAnswers.push_back(FileChoice{At("midpoint.nwk"), 0});
  tree->ExportNewick();
  tree->SetStyle(LayoutStyle::kCladogram);
  services.saveAnswers.push_back(FileChoice{At("tree.svg"), 1});
  tree->ExportPicture();
  // PNG pictures too: the same pixels, at the scale the desktop exports at.
  services.saveAnswers.push_back(FileChoice{At("tree.png"), 0});
  tree->ExportPicture();
  tree->ShowTree(TreeChoice::kConsensus);
  tree->SetRooting(Rooting::kOnOtu, 3);
  services.saveAnswers.push_back(FileChoice{At("consensus.nwk"), 0});
  tree->ExportNewick();

  // The cropped data saved over the data file, then a run on it.
  services.saveAnswers.push_back(FileChoice{At("markers.phy"), kPhylipEntry});
  Action("MnuSaveData")->trigger();
  Run("MnuDistances", "after.txt", {});
  services.saveAnswers.push_back(FileChoice{At("session.sh"), 0});
  window->SaveSessionScript();
  // Help > Session as commands shows and copies what the script holds.
  Action("MnuSessionCommands")->trigger();
  auto* listed = window->findChild<QDialog*>("sessionWindow");
  ASSERT_NE(listed, nullptr);
  listed->findChild<QPushButton*>("copyButton")->click();
  EXPECT_EQ(services.clipboard.toStdString(), FileBytes(desk / "session.sh"));

  const auto written = FilesOf(desk.path, {"session.sh"});
  ASSERT_EQ(written.size(), 15u) << "the desktop wrote every file asked for";

  ScratchFolder replay;
  fs::copy_file(MARBLESET_EXAMPLES_DIR "/markers.phy", replay / "markers.phy");
  QProcess shell;
  shell.setWorkingDirectory(QString::fromStdString(replay.path.string()));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("MARBLESET_CLI", MARBLESET_CLI_PROGRAM);
  shell.setProcessEnvironment(environment);
  shell.start("sh", {At("session.sh")});
  ASSERT_TRUE(shell.waitForFinished(120000));
  ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString()
                                 << FileBytes(desk / "session.sh");
  const auto replayed = FilesOf(replay.path, {});
  for (const auto& [name, bytes] : written) {
    const auto again = replayed.find(name);
    ASSERT_NE(again, replayed.end()) << name;
    EXPECT_TRUE(again->second == bytes) << name << " differs from the desktop's";
  }
  EXPECT_EQ(replayed.size(), written.size()) << "no file besides the desktop's";

  // The tree window's paragraph: the file as read (its header says 8 24) with its digest (from
  // sha256sum), the crop, the coefficient, the replicates and the seed given.
  tree->findChild<QPushButton*>("methodsButton")->click();
  auto* methods = tree->findChild<QDialog*>("methodsWindow");
  ASSERT_NE(methods, nullptr);
  const std::string text =
      methods->findChild<QPlainTextEdit*>("textView")->toPlainText().toStdString();
  for (const std::string& part :
       {"markers.phy (SHA-256 " + sha + ")", std::string("holds 8 OTUs and 24 binary characters"),
        std::string("characters with missing entries"), std::string("Nei"),
        std::string("20 bootstrap replicates"), std::string("the seed 4711")})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

// The shell itself reads each quoted word back: blanks, quotes, $, backslashes, line ends, a
// leading dash, the empty word and UTF-8 come through as they were.
TEST(ShellQuoted, TheShellReadsBackEveryWord) {
  const std::string words[] = {"plain.txt", "two words", "it's", "\"$HOME\"",  "a\\b",
                               "line\nend", "-dash",     "",     "Grüße*?[x]", "`id`"};
  std::string command = "printf '%s\\n'";
  std::string expected;
  for (const std::string& word : words) {
    command += ' ' + ShellQuoted(word);
    expected += word + '\n';
  }
  QProcess shell;
  shell.start("sh", {"-c", QString::fromStdString(command)});
  ASSERT_TRUE(shell.waitForFinished(30000));
  EXPECT_EQ(shell.readAllStandardOutput().toStdString(), expected);
}

}  // namespace
}  // namespace marbleset::shell::testing
