// The open and save commands: their dialogs, the read findings and both answers, generic
// failures, and the layout chosen by the filter entry rather than the extension.
#include <QFile>

#include "dataset/read_status.h"
#include "shell/data_window.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

QByteArray Slurp(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return file.readAll();
}

TEST_F(ShellTest, OpenDialog_TitlesFilterAndTheRememberedEntryAndName) {
  services.openAnswers.push_back(std::nullopt);
  Action("MnuOpenBin")->trigger();
  ASSERT_EQ(services.openRequests.size(), 1u);
  EXPECT_EQ(services.openRequests[0].title, "Open BINARY data file");
  EXPECT_EQ(services.openRequests[0].filter,
            "Phylip files (*.phy);;Phylip files (*.*);;NT-SYS files (*.nts)");
  EXPECT_EQ(services.openRequests[0].filterIndex, 0);
  // Cancelling is silent.
  EXPECT_TRUE(services.messages.empty());

  const QString path = WriteFile("tab.nts", kBinaryNtsys);
  OpenBinary(path, kNtsysEntry);
  services.openAnswers.push_back(std::nullopt);
  Action("MnuOpenQuant")->trigger();
  ASSERT_EQ(services.openRequests.size(), 3u);
  EXPECT_EQ(services.openRequests[2].title, "Open QUANTITATIVE data file");
  EXPECT_EQ(services.openRequests[2].filterIndex, kNtsysEntry);
  EXPECT_EQ(services.openRequests[2].initialName, path);
  EXPECT_EQ(services.openRequests[2].initialFolder, QDir::toNativeSeparators(scratch.path()));
}

TEST_F(ShellTest, OpenLayout_FollowsTheFilterEntryNotTheExtension) {
  // NTSYS text under a .phy name, read as NTSYS because that entry was chosen.
  OpenBinary(WriteFile("looks_phylip.phy", kBinaryNtsys), kNtsysEntry);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(data.NOtu, 3);
  EXPECT_EQ(data.NChar, 4);
  EXPECT_EQ(data.OtuName[1], "A           ");

  // PHYLIP text under a .nts name through the "all files" entry.
  OpenBinary(WriteFile("looks_ntsys.nts", kBinaryPhylip), kAllFilesEntry);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(data.NOtu, 3);
  EXPECT_EQ(data.OtuName[2], "Beta        ");
  EXPECT_EQ(window->DataFileTitle(), "looks_ntsys.nts");

  // The quantitative command decides the kind.
  OpenQuantitative(WriteFile("q.phy", kQuantitativePhylip));
  EXPECT_EQ(data.Quantitative, 1);
  EXPECT_FLOAT_EQ(data.Matrix(1, 1), 1.5f);
  EXPECT_TRUE(data.IsMissing(data.Matrix(2, 2)));
}

TEST_F(ShellTest, ReadFindings_AskToOpenTheEditorAndOnlyYesStartsIt) {
  struct Case {
    const char* text;
    int entry;
    ReadStatus status;
  };
  const Case cases[] = {
      {" 3 4\n", kPhylipEntry, ReadStatus::kNoDeclarations},
      {" 3\nmore\n", kPhylipEntry, ReadStatus::kNoOtuCount},
      {" 3 \nmore\n", kPhylipEntry, ReadStatus::kNoCharCount},
      {" 3 4\nAlpha       0110\n", kPhylipEntry, ReadStatus::kDataIncomplete},
      {"2 4 3 0\nA B C\n0 1 1\n", kNtsysEntry, ReadStatus::kWrongMatrixType},
      {"1 4 3 0\nA B C\n", kNtsysEntry, ReadStatus::kLabelsIncomplete},
  };
  const QString good = WriteFile("good.phy", kBinaryPhylip);
  OpenBinary(good);
  int n = 0;
  for (const Case& c : cases) {
    for (const bool yes : {true, false}) {
      const QString path = WriteFile(QString("bad%1.txt").arg(n++), c.text);
      services.messages.clear();
      services.editorStarts.clear();
      services.yesNoAnswers.push_back(yes);
      OpenBinary(path, c.entry);
      ASSERT_EQ(services.messages.size(), 1u) << c.text;
      EXPECT_TRUE(services.messages[0].question);
      EXPECT_EQ(services.messages[0].title, "File read error");
      EXPECT_EQ(services.messages[0].text, QString::fromLatin1(ReadStatusMessage(c.status).data()))
          << c.text;
      EXPECT_EQ(services.editorStarts, yes ? QStringList({path}) : QStringList()) << c.text;
      // Whatever the answer, the loaded data set is still the good one.
      EXPECT_EQ(window->DataFileTitle(), "good.phy");
      EXPECT_EQ(data.DataFileName, ToStd(good));
    }
  }
  EXPECT_EQ(ReadStatusMessage(ReadStatus::kNoCharCount),
            "Can't find #chararcters declaration. Open in Notepad?");
}

TEST_F(ShellTest, GenericReadFailure_ShowsTheReasonWithOkOnly) {
  const QString good = WriteFile("good.phy", kBinaryPhylip);
  OpenBinary(good);
  // The last OTU is cut short: the file ends while it still lacks values.
  OpenBinary(WriteFile("short.phy", " 2 4\nAlpha       0110\nBeta        01\n"));
  OpenBinary(scratch.filePath("nowhere.phy"));
  ASSERT_EQ(services.messages.size(), 2u);
  for (const RecordedMessage& message : services.messages) {
    EXPECT_FALSE(message.question);
    EXPECT_EQ(message.title, "File read error");
    EXPECT_FALSE(message.text.isEmpty());
  }
  EXPECT_TRUE(services.messages[1].text.contains("nowhere.phy"));
  EXPECT_TRUE(services.editorStarts.isEmpty());
  EXPECT_EQ(data.DataFileName, ToStd(good));
  EXPECT_EQ(data.NOtu, 3);
  // The busy pointer is gone again.
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ShellTest, SaveData_WritesTheLayoutOfTheChosenEntry) {
  const QString source = WriteFile("ab12.phy", kBinaryPhylip);
  OpenBinary(source);

  const QString phylip = scratch.filePath("out.nts");  // the extension plays no part
  const QString ntsys = scratch.filePath("out.phy");
  services.saveAnswers.push_back(FileChoice{phylip, 0});
  services.saveAnswers.push_back(FileChoice{ntsys, 1});
  Action("MnuSaveData")->trigger();
  Action("MnuSaveData")->trigger();

  ASSERT_EQ(services.saveRequests.size(), 2u);
  const FileDialogRequest& request = services.saveRequests[0];
  EXPECT_EQ(request.title, "Save data as");
  EXPECT_TRUE(request.askOverwrite);
  EXPECT_EQ(request.filter.split(";;").size(), 2);
  EXPECT_TRUE(request.filter.startsWith("Phylip files(.phy)"));
  EXPECT_TRUE(request.filter.split(";;")[1].startsWith("NTsys files(.nts)"));
  EXPECT_EQ(request.initialName, QDir::toNativeSeparators(scratch.filePath("ab12")));
  EXPECT_TRUE(services.messages.empty());

  EXPECT_EQ(Slurp(phylip),
            " 3 4\r\nAlpha        0 1 1 0\r\nBeta         1 ? 0 1\r\nGamma        0 0 1 1\r\n");
  EXPECT_EQ(Slurp(ntsys),
            "1 4 3L 1 2\r\nAlpha Beta Gamma \r\n 0 1 0\r\n 1 2 0\r\n 1 0 1\r\n"
            " 0 1 1\r\n");
  // Saving changes nothing of what is loaded.
  EXPECT_EQ(window->DataFileTitle(), "ab12.phy");
  EXPECT_EQ(data.DataFileName, ToStd(source));
}

TEST_F(ShellTest, SaveData_ShortNamesAreProposedWholeAndFailuresReported) {
  OpenBinary(WriteFile("ab", kBinaryPhylip));
  services.saveAnswers.push_back(std::nullopt);
  Action("MnuSaveData")->trigger();
  ASSERT_EQ(services.saveRequests.size(), 1u);
  EXPECT_EQ(services.saveRequests[0].initialName, QDir::toNativeSeparators(scratch.filePath("ab")));
  EXPECT_TRUE(services.messages.empty());  // cancelling is silent

  services.saveAnswers.push_back(FileChoice{scratch.filePath("no/such/folder/x.phy"), 0});
  Action("MnuSaveData")->trigger();
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].title, "File write error");
  EXPECT_FALSE(services.messages[0].question);
  EXPECT_TRUE(services.messages[0].text.contains("x.phy"));
}

}  // namespace
}  // namespace marbleset::shell::testing
