// The crop and settings windows, the data window's view of a file and the split network's input.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSettings>

#include "shell/crop_dialog.h"
#include "shell/data_text_view.h"
#include "shell/data_window.h"
#include "shell/folder_tree.h"
#include "shell/settings_dialog.h"
#include "shell/split_network_window.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

TEST_F(ShellTest, CropCountsRemovesInOrderAndRefusesOtherData) {
  // Characters 1 and 4 monomorphic, 2 and 5 uninformative; Beta, Gamma and Delta miss entries.
  const QByteArray screening =
      " 4 5\nAlpha       10001\nBeta        1100?\nGamma       111?0\nDelta       ?11?0\n";
  auto crop = [&](std::initializer_list<int> boxes, const char* button = "okButton") {
    Action("mnuCrop")->trigger();
    for (int i : boxes) window->OpenCropDialog()->RemovalCheck(i)->setChecked(true);
    window->OpenCropDialog()->findChild<QPushButton*>(button)->click();
    DeleteClosedWindows();
  };
  OpenBinary(WriteFile("s.phy", screening));
  Action("mnuCrop")->trigger();
  CropDialog* dialog = window->OpenCropDialog();
  EXPECT_EQ(dialog->CountsText(),
            "Number of monomorphic characters: 2\nNumber of uninformative characters: 2\n"
            "Number of characters with missing data: 3\nNumber of OTUs with missing data: 3");
  // The four lines fit without a scroll bar.
  auto* counts = dialog->findChild<QPlainTextEdit*>("countsText");
  dialog->show();
  EXPECT_FALSE(counts->verticalScrollBar()->isVisible());
  EXPECT_GE(counts->viewport()->height(),
            4 * counts->fontMetrics().lineSpacing() +
                static_cast<int>(2 * counts->document()->documentMargin()));
  // The ticked boxes say what they remove and mark it for the picture (what the marks are is
  // the core's, tests/pictures): the characters with missing entries are 1, 4 and 5.
  std::vector<pictures::CropPreview> previews;
  QObject::connect(dialog, &CropDialog::RemovalsChanged,
                   [&](const pictures::CropPreview& preview) { previews.push_back(preview); });
  EXPECT_EQ(dialog->RemovalText(), "");
  dialog->RemovalCheck(2)->setChecked(true);
  EXPECT_EQ(dialog->RemovalText(), "The ticked boxes remove 3 characters and 0 OTUs.");
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_EQ(previews.back().characters, (std::vector<bool>{true, false, false, true, true}));
  dialog->RemovalCheck(2)->setChecked(false);
  dialog->RemovalCheck(3)->setChecked(true);
  EXPECT_EQ(dialog->RemovalText(), "The ticked boxes remove 0 characters and 3 OTUs.");
  dialog->RemovalCheck(3)->setChecked(false);
  EXPECT_EQ(dialog->RemovalText(), "");
  EXPECT_TRUE(previews.back().otus.empty());
  crop({0}, "cancelButton");
  EXPECT_EQ(data.CharCount(), 5u);
  crop({0});
  ASSERT_EQ(data.CharCount(), 3u);  // 2, 3 and 5 are left in their order
  EXPECT_EQ(data.Value(1, 0), 1.0f);
  EXPECT_EQ(data.Value(0, 2), 1.0f);
  EXPECT_EQ(window->CharPanelText(), "#Char = 3");
  OpenBinary(WriteFile("s2.phy", screening));
  crop({3});  // the order of the removals is the core's (tests/editing)
  EXPECT_EQ(data.OtuCount(), 1u);

  // An OK that meets other data does nothing and says so.
  CropDialog stale(context, nullptr);
  stale.RemovalCheck(0)->setChecked(true);
  OpenBinary(WriteFile("s4.phy", screening));
  services.messages.clear();
  stale.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(data.CharCount(), 5u);
  EXPECT_EQ(services.TakeMessage(), QString("Crop: ") + kDataChangedText);
}

TEST_F(ShellTest, SettingsFirstRunLaterRunsAndTheDialogShowingItsFoldersAtOnce) {
  QTemporaryDir home;
  const QString ini = scratch.filePath("store.ini");
  auto native = [](const QString& p) { return QDir::toNativeSeparators(QDir::cleanPath(p)); };
  auto stored = [&](const char* key) { return QSettings(ini, QSettings::IniFormat).value(key); };
  auto read = [&] {
    SettingsStore store(ini);
    ReadSettings(store, folders, FirstRunFolders::UnderHome(home.path()));
  };
  // First run (or a stored "0"): an empty phylip folder does not count, one holding a file does.
  QDir(home.path()).mkpath("phylip");
  read();
  EXPECT_EQ(stored("Dirs/PhylipDir").toString(), native(home.path()));
  QFile infile(home.filePath("phylip/infile"));
  ASSERT_TRUE(infile.open(QIODevice::WriteOnly));
  QSettings(ini, QSettings::IniFormat).setValue("Dirs/WinDir", "0");  // a first run again
  read();
  EXPECT_EQ(folders.phylipFolder, native(home.filePath("phylip")));

  // The stored folders are current and in sight as soon as the dialog shows, among many
  // sibling folders and below a hidden one.
  for (int i = 0; i < 80; ++i)
    QDir(home.path()).mkpath(QString("many/f%1").arg(i, 2, 10, QChar('0')));
  QDir(home.path()).mkpath(".hidden/deep");
  folders.windowsFolder = native(home.filePath("many/f77"));
  folders.phylipFolder = native(home.filePath(".hidden/deep"));
  SettingsStore store(ini);
  {
    SettingsDialog dialog(folders, store, nullptr);
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.WindowsFolder(), folders.windowsFolder);
    EXPECT_EQ(dialog.PhylipFolder(), folders.phylipFolder);
    for (const char* name : {"windowsFolderTree", "phylipFolderTree"}) {
      auto* tree = dialog.findChild<FolderTree*>(name);
      EXPECT_TRUE(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())))
          << name;
    }
  }

  // Cancel changes nothing; OK stores; a folder that is gone keeps its stored value.
  QDir(home.path()).mkpath("win");
  const QString before = folders.windowsFolder;
  for (const char* button : {"cancelButton", "okButton"}) {
    EXPECT_EQ(folders.windowsFolder, before);
    SettingsDialog dialog(folders, store, nullptr);
    dialog.ChooseWindowsFolder(home.filePath("win"));
    dialog.findChild<QPushButton*>(button)->click();
  }
  EXPECT_EQ(stored("Dirs/WinDir").toString(), native(home.filePath("win")));
  folders.windowsFolder = home.filePath("gone");
  SettingsDialog dialog(folders, store, nullptr);
  EXPECT_EQ(dialog.WindowsFolder(), "");
  dialog.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(stored("Dirs/WinDir").toString(), home.filePath("gone"));
}

TEST(DataTextView, LinesFoundInPiecesMatchAPlainReadingOfTheWholeText) {
  QRandomGenerator random(7);
  const char alphabet[] = {'0', '1', '?', ' ', '\t', '\r', '\n', 'a', char(0xe9)};
  for (int round = 0; round < 200; ++round) {
    QByteArray text;
    const int length = random.bounded(0, 120);
    for (int i = 0; i < length; ++i) text += alphabet[random.bounded(int(sizeof alphabet))];
    // Pieces cut anywhere, between a CR and its LF too.
    std::vector<DataTextView::LineSpan> spans;
    LineScanner scanner;
    for (qsizetype at = 0; at < text.size();) {
      const qsizetype piece = std::min<qsizetype>(random.bounded(1, 9), text.size() - at);
      scanner.Scan(text.constData() + at, static_cast<std::size_t>(piece), spans);
      at += piece;
    }
    scanner.Finish(spans);
    const QStringList expected = ReferenceLines(text);
    ASSERT_EQ(spans.size(), static_cast<std::size_t>(expected.size())) << text.toStdString();
    std::size_t widest = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
      const QByteArray raw = text.mid(static_cast<qsizetype>(spans[i].start), spans[i].bytes);
      EXPECT_FALSE(raw.contains('\r') || raw.contains('\n'));
      EXPECT_EQ(spans[i].columns, static_cast<std::uint32_t>(expected[qsizetype(i)].size()));
      widest = std::max<std::size_t>(widest, spans[i].columns);
    }
    EXPECT_EQ(scanner.Columns(), widest);
  }
}

// A row of 5000 characters stays one line, shown from where it is scrolled to (files indexed
// in the background are LargeFile_IsSearchedOnAWorkerAndCopiedAsTheFileHoldsIt's).
TEST_F(ShellTest, DataWindowShowsAWideRowUnwrapped) {
  window->show();
  OpenBinary(WriteFile("wide.phy", " 1 5000\nAlpha       " + QByteArray(4999, '1') + "0\n"));
  DataTextView* shown = window->Data().TextView();
  EXPECT_EQ(shown->LineCount(), 2u);
  EXPECT_EQ(shown->Columns(), 12u + 5000u);
  EXPECT_EQ(shown->LineSlice(1, 5009, 10), "110");
  EXPECT_GT(shown->horizontalScrollBar()->maximum(), 0);
  EXPECT_THROW(shown->ShowFile(scratch.filePath("nowhere.phy")), ReadFailure);
}

// A distance file of several matrices is refused, not cut to its first, by the split network
// and the distance picture alike; one matrix opens the network.
TEST_F(ShellTest, SplitNetworkAndDistancePictureTakeAFileOfOneMatrix) {
  const QByteArray matrix =
      " 4\nA           0 1 2 2\nB           1 0 2 2\nC           2 2 0 1\n"
      "D           2 2 1 0\n";
  services.openAnswers.push_back(FileChoice{WriteFile("two.txt", matrix + matrix), 0});
  EXPECT_EQ(AskAndShowSplitNetwork(*window, services, scratch.path()), nullptr);
  const QString message = services.TakeMessage();
  EXPECT_TRUE(message.startsWith("Split network: ") && message.contains("holds 2 matrices"))
      << message.toStdString();
  services.openAnswers.push_back(FileChoice{scratch.filePath("two.txt"), 0});
  Action("MnuDistancePicture")->trigger();
  EXPECT_TRUE(services.TakeMessage().startsWith("Distance picture: "));
  services.openAnswers.push_back(FileChoice{WriteFile("one.txt", matrix), 0});
  EXPECT_NE(AskAndShowSplitNetwork(*window, services, scratch.path()), nullptr);
  EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace marbleset::shell::testing
