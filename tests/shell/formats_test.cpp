// Delimited tables, NEXUS and VCF through the Open commands' file-type lists and the import
// dialog; NEXUS, CSV and names for PHYLIP through "Save data as..." and the run dialog. Loaded
// data is compared with values worked out from the inline files; written files with what they
// must hold.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "distances/distance_run.h"
#include "shell/data_window.h"
#include "shell/file_types.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

constexpr int kTableEntry = 3, kNexusEntry = 4, kVcfEntry = 5, kDetectedEntry = 6;

const QByteArray kBinaryCsv = "name,locus1,locus2,locus3\nAlpha,1,0,NA\nBeta,0,1,1\nGamma,1,1,0\n";
const QByteArray kNexus =
    "#NEXUS\n"
    "BEGIN TAXA;\n  DIMENSIONS NTAX=3;\n  TAXLABELS Alpha Beta 'Gamma delta';\nEND;\n"
    "BEGIN CHARACTERS;\n  DIMENSIONS NCHAR=4;\n"
    "  FORMAT DATATYPE=STANDARD SYMBOLS=\"01\" MISSING=? GAP=-;\n"
    "  MATRIX\n    Alpha 0110 [a comment]\n    Beta 1?0-\n    'Gamma delta' 0011\n  ;\nEND;\n";
// Three samples; the second variant has two alternative alleles and is skipped.
const QByteArray kVcf =
    "##fileformat=VCFv4.2\n##contig=<ID=1,length=1000>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS1\tS2\tS3\n"
    "1\t10\t.\tA\tG\t.\tPASS\t.\tGT\t0/0\t0/1\t1/1\n"
    "1\t20\t.\tC\tT,G\t.\tPASS\t.\tGT\t0/1\t0/2\t1/2\n"
    "1\t30\t.\tG\tA\t.\tPASS\t.\tGT\t./.\t1/1\t0|1\n";
// Names longer than PHYLIP's 10 characters; the first two clash in their first 10.
const QByteArray kLongNames =
    " 4 6\nFestuca_ru_A101100\nFestuca_ru_B110?01\nPoa_annua   011011\nLolium_pere 100110\n";

const QByteArray kNamesTable =
    "name in file\toriginal name\r\nFestuca_r1\tFestuca_ru_A\r\nFestuca_r2\tFestuca_ru_B\r\n"
    "Poa_annua\tPoa_annua\r\nLolium_per\tLolium_pere\r\n";

// Every cell as text ("?" for missing), one line per OTU behind its name without padding.
QString Cells(const DataSet& data) {
  QString text;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    text += FromStd(TrimmedName(data.otuNames[i])) + ":";
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      text += data.IsMissing(i, k) ? QString(" ?") : QString(" %1").arg(data.Value(i, k));
    }
    text += "\n";
  }
  return text;
}

// The entry of "Save data as..." whose text holds text.
int SaveEntry(const QString& text) {
  const QStringList entries = SaveFilter().split(";;");
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const QString& entry) { return entry.contains(text); });
  EXPECT_NE(found, entries.end()) << text.toStdString();
  return static_cast<int>(found - entries.begin());
}

// Presses OK in the import dialog as it stands.
bool AcceptAsShown(QDialog& dialog) {
  dialog.findChild<QPushButton*>("okButton")->click();
  return dialog.result() == QDialog::Accepted;
}

class FormatsTest : public ShellTest {
 protected:
  template <typename T = QWidget>
  T* RunChild(const char* name) {
    return window->OpenRunDialog()->findChild<T*>(name);
  }
  void RunTo(const QString& path) {
    RunChild<QLineEdit>("outputPathEdit")->setText(path);
    services.yesNoAnswers = {true};
    RunChild<QPushButton>("okButton")->click();
  }
};

TEST_F(FormatsTest, OpenEachFormatThroughItsEntry_LoadsItsCells) {
  window->show();
  // A table: OK in the import dialog reads with its guesses (what the dialog shows of them is
  // ImportDialogChoicesReachTheReader's).
  const QString csv = WriteFile("bands.csv", kBinaryCsv);
  services.dialogScripts.push_back(AcceptAsShown);
  OpenBinary(csv, kTableEntry);
  EXPECT_EQ(services.modalDialogs, std::vector<QString>{"importTableDialog"});
  EXPECT_EQ(Cells(data), "Alpha: 1 0 ?\nBeta: 0 1 1\nGamma: 1 1 0\n");
  EXPECT_EQ(data.fileName, ToStd(csv));
  EXPECT_EQ(window->DataFileTitle(), "bands.csv");

  // NEXUS: the gap reads as missing, a quoted name keeps its blank.
  const QString nexus = WriteRaw("grasses.nex", kNexus);
  OpenBinary(nexus, kNexusEntry);
  EXPECT_TRUE(data.IsBinary());
  EXPECT_EQ(Cells(data), "Alpha: 0 1 1 0\nBeta: 1 ? 0 ?\nGamma delta: 0 0 1 1\n");

  // VCF: carriers of the alternative allele as binary, allele counts as quantitative; the
  // variant with two alternative alleles is skipped and reported.
  const QString vcf = WriteRaw("calls.vcf", kVcf);
  services.messages.clear();
  OpenBinary(vcf, kVcfEntry);
  EXPECT_EQ(Cells(data), "S1: 0 ?\nS2: 1 1\nS3: 1 1\n");
  EXPECT_EQ(services.TakeMessage(),
            "VCF read: calls.vcf: 2 variants read; 1 skipped because they do not have two "
            "alleles, 0 skipped because they have no genotypes.");
  OpenQuantitative(vcf, kVcfEntry);
  EXPECT_EQ(Cells(data), "S1: 0 ?\nS2: 1 2\nS3: 2 1\n");
  services.messages.clear();

  // The entry for any file looks into it (how is the core's, tests/formats): a table named .txt
  // goes through the import dialog, a PHYLIP file is read whatever its name.
  services.dialogScripts.push_back(AcceptAsShown);
  OpenBinary(WriteFile("bands.txt", kBinaryCsv), kDetectedEntry);
  EXPECT_EQ(services.modalDialogs.size(), 2u);
  EXPECT_EQ(Cells(data), "Alpha: 1 0 ?\nBeta: 0 1 1\nGamma: 1 1 0\n");
  OpenBinary(WriteFile("plain.dat", kBinaryPhylip), kDetectedEntry);
  EXPECT_EQ(Cells(data), "Alpha: 0 1 1 0\nBeta: 1 ? 0 1\nGamma: 0 0 1 1\n");
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(FormatsTest, FailedOrCancelledReadsOfEveryFormatKeepTheLoadedData) {
  window->show();
  const QString loaded = WriteFile("b.phy", kBinaryPhylip);
  OpenBinary(loaded);
  const QString shown = window->Data().Text();
  const QString cells = Cells(data);
  auto unchanged = [&] {
    EXPECT_EQ(data.fileName, ToStd(loaded));
    EXPECT_EQ(Cells(data), cells);
    EXPECT_EQ(window->Data().Text(), shown);
    EXPECT_EQ(window->DataFileTitle(), "b.phy");
    EXPECT_EQ(window->CharPanelText(), "#Char = 4");
    EXPECT_EQ(EnabledDataCommands(), kAllDataCommands);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  };

  // Read failures, each in the "File read error" box with the core's message (whose reasons
  // the readers' tests hold).
  const QString detectedUnknown = WriteRaw("mystery.bin", QByteArray("\x01\x02\x03 not data", 12));
  const std::pair<QString, int> failing[] = {
      {WriteRaw("broken.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\n1\tx\n"), kVcfEntry},
      {WriteRaw("broken.nex", "#NEXUS\nBEGIN CHARACTERS;\n"), kNexusEntry},
      {scratch.filePath("absent.csv"), kTableEntry},
      {detectedUnknown, kDetectedEntry}};
  for (const auto& [path, entry] : failing) {
    SCOPED_TRACE(path.toStdString());
    OpenBinary(path, entry);
    const QString message = services.TakeMessage();
    EXPECT_TRUE(message.startsWith("File read error: ") &&
                message.contains(QFileInfo(path).fileName()))
        << message.toStdString();
    EXPECT_EQ(path == detectedUnknown,
              message.endsWith("choose its entry in the list of file types."));
    unchanged();
  }

  // Quantitative values opened as binary: the dialog shows why and OK does not read; Cancel
  // leaves everything as it was, silently.
  const QString quantitative = WriteFile("q.csv", "name,a,b\nAlpha,1.5,0\nBeta,1,0\n");
  services.dialogScripts.push_back([](QDialog& dialog) {
    dialog.findChild<QPushButton*>("okButton")->click();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.findChild<QLabel*>("summaryLabel")->text().contains("1.5"));
    dialog.findChild<QPushButton*>("cancelButton")->click();
    return dialog.result() == QDialog::Accepted;
  });
  OpenBinary(quantitative, kTableEntry);
  EXPECT_TRUE(services.messages.empty());
  unchanged();

  // A VCF read shows the progress window; stopped with its Cancel: silently, nothing changed.
  QByteArray longVcf = kVcf;
  for (int position = 100; position < 2200; ++position) {
    longVcf += "1\t" + QByteArray::number(position) + "\t.\tA\tG\t.\tPASS\t.\tGT\t0/0\t0/1\t1/1\n";
  }
  const QString vcf = WriteRaw("long.vcf", longVcf);
  {
    const QMetaObject::Connection cancel = QObject::connect(
        &window->Progress(), &ProgressWindow::Started, [&] { window->Progress().RequestCancel(); });
    OpenBinary(vcf, kVcfEntry);
    QObject::disconnect(cancel);
  }
  EXPECT_TRUE(services.messages.empty());
  EXPECT_FALSE(window->Progress().isVisible());
  unchanged();
  OpenBinary(vcf, kVcfEntry);  // and read in full without the Cancel
  EXPECT_EQ(data.CharCount(), 2u + 2100u);
}

TEST_F(FormatsTest, ImportDialogChoicesReachTheReader) {
  window->show();
  // Genes as rows with an annotation column, samples as columns, decimal commas and "N" for
  // missing entries: nothing the guesses would get right by themselves.
  const QString path = WriteFile("genes.csv",
                                 "locus;annotation;S1;S2;S3\n"
                                 "g1;kinase;1,5;N;2\n"
                                 "g2;-;0;3;N\n");
  services.dialogScripts.push_back([](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QComboBox*>("delimiterList")->currentText(), "Semicolon");
    dialog.findChild<QRadioButton*>("otusAsColumnsOption")->click();
    dialog.findChild<QSpinBox*>("firstDataColumnBox")->setValue(3);
    auto* codes = dialog.findChild<QLineEdit*>("missingCodesEdit");
    codes->setText("N");
    emit codes->editingFinished();
    EXPECT_EQ(dialog.findChild<QLabel*>("summaryLabel")->text(),
              "3 OTUs by 2 characters, quantitative data, decimal commas.");
    return AcceptAsShown(dialog);
  });
  OpenQuantitative(path, kTableEntry);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(Cells(data), "S1: 1.5 0\nS2: ? 3\nS3: 2 ?\n");
}

// Each entry of "Save data as..." writes its layout, also over the data file itself (the data
// is in memory); failures are reported and leave nothing behind.
TEST_F(FormatsTest, SaveData_WritesTheChosenLayoutEvenOverTheDataFileAndReportsFailures) {
  const QString loaded = WriteFile("grasses.phy", kLongNames);
  OpenBinary(loaded);
  const std::vector<std::string> names = data.otuNames;
  const QByteArray ntsys =
      "1 6 4L 1 2\r\nFestuca_ru_A Festuca_ru_B Poa_annua Lolium_pere \r\n 1 1 0 1\r\n"
      " 0 1 1 0\r\n 1 0 1 0\r\n 1 2 0 1\r\n 0 0 1 1\r\n 0 1 1 0\r\n";
  const struct {
    const char *entry, *file;
    QByteArray start;
  } cases[] = {
      {"(*.phy)", "out.nts", " 4 6\r\nFestuca_ru_A 1 0 1 1 0 0\r\nFestuca_ru_B 1 1 0 ? 0 1\r\n"},
      {"(*.nex)", "out.nex", "#NEXUS"},
      {"(*.csv)", "out.csv", "OTU,1,2,3,4,5,6\r\nFestuca_ru_A,1,0,1,1,0,0\r\n"},
      // The clashing names numbered, the others cut or kept; the table gives the originals.
      {"names for PHYLIP", "safe.phy", " 4 6\r\nFestuca_r1   1 0 1 1 0 0\r\n"},
      {"(*.nts)", "grasses.phy", ntsys}};
  for (const auto& c : cases) {
    services.saveAnswers = {FileChoice{scratch.filePath(c.file), SaveEntry(c.entry)}};
    Action("MnuSaveData")->trigger();
    EXPECT_TRUE(Slurp(scratch.filePath(c.file)).startsWith(c.start)) << c.file;
  }
  EXPECT_EQ(services.saveRequests[0].initialName,
            QDir::toNativeSeparators(scratch.filePath("grasses")));
  EXPECT_TRUE(Slurp(scratch.filePath("out.nex")).contains("NTAX=4"));
  EXPECT_EQ(Slurp(scratch.filePath("safe_names.tsv")), kNamesTable);
  EXPECT_EQ(data.otuNames, names);
  EXPECT_TRUE(services.messages.empty());

  // A missing folder; a table that would replace the data file, which it never does.
  const QString clash = scratch.filePath("grasses_names.tsv");
  QFile::copy(loaded, clash);
  OpenBinary(clash, kNtsysEntry);
  services.saveAnswers = {
      FileChoice{scratch.filePath("no/such/x.phy"), 0},
      FileChoice{scratch.filePath("grasses.out"), SaveEntry("names for PHYLIP")}};
  for (const char* named : {"x.phy", "grasses_names.tsv"}) {
    Action("MnuSaveData")->trigger();
    const QString message = services.TakeMessage();
    EXPECT_TRUE(message.startsWith("File write error: ") && message.contains(named))
        << message.toStdString();
  }
  EXPECT_EQ(Slurp(clash), Slurp(loaded));
  // The data file, five written (a table among them), the copy and the settings: no temporary.
  EXPECT_EQ(QDir(scratch.path()).entryList(QDir::Files | QDir::Hidden).size(), 8);
}

TEST_F(FormatsTest, RunDialogDistanceFormatsAndNamesForPhylip) {
  window->show();
  OpenBinary(WriteFile("grasses.phy", kLongNames));
  const std::vector<std::string> names = data.otuNames;

  // CSV: the proposed name follows and names for PHYLIP go (the NEXUS writer is the core's,
  // tests/formats).
  Action("MnuDistances")->trigger();
  auto* formats = RunChild<QComboBox>("distanceFormatList");
  EXPECT_FALSE(RunChild("phylipNamesCheck")->isHidden());
  formats->setCurrentIndex(formats->findText("CSV", Qt::MatchStartsWith));
  EXPECT_TRUE(RunChild("phylipNamesCheck")->isHidden());
  EXPECT_EQ(RunChild<QLineEdit>("outputPathEdit")->text(),
            QDir::toNativeSeparators(scratch.filePath("grasses.csv")));
  RunTo(scratch.filePath("d.csv"));
  // Simple matching (the default) over six characters: Festuca_ru_A and Poa_annua share one
  // state, 5/6 apart; Festuca_ru_B's missing cell counts half a difference, 3.5/6 from each.
  EXPECT_EQ(Slurp(scratch.filePath("d.csv")),
            ",Festuca_ru_A,Festuca_ru_B,Poa_annua,Lolium_pere\r\n"
            "Festuca_ru_A,0.000000,0.583333,0.833333,0.333333\r\n"
            "Festuca_ru_B,0.583333,0.000000,0.583333,0.583333\r\n"
            "Poa_annua,0.833333,0.583333,0.000000,0.833333\r\n"
            "Lolium_pere,0.333333,0.583333,0.833333,0.000000\r\n");

  // PHYLIP's square (the default) with names for PHYLIP, and the table beside; the default
  // writes no table.
  Action("MnuDistances")->trigger();
  RunChild<QCheckBox>("phylipNamesCheck")->setChecked(true);
  RunTo(scratch.filePath("d.txt"));
  EXPECT_TRUE(Slurp(scratch.filePath("d.txt")).contains("\r\nFestuca_r2  "));
  EXPECT_TRUE(Slurp(scratch.filePath("d.txt")).contains("\r\nPoa_annua   "));
  EXPECT_EQ(Slurp(scratch.filePath("d_names.tsv")), kNamesTable);
  EXPECT_EQ(data.otuNames, names);
  Action("MnuDistances")->trigger();
  RunTo(scratch.filePath("plain.txt"));
  EXPECT_FALSE(QFile::exists(scratch.filePath("plain_names.tsv")));
}

TEST_F(FormatsTest, GenStrapsWithNamesForPhylipKeepTheGroupsOfEqualNames) {
  window->show();
  // Two OTUs share a long name: GenStraps draws one of them, and both carry one written name.
  OpenBinary(WriteFile("pairs.phy",
                       " 4 5\nFestuca_ru_A10110\nFestuca_ru_A01101\n"
                       "Festuca_ru_B11100\nPoa         00011\n"));
  ASSERT_EQ(data.otuNames[0], data.otuNames[1]);
  // Generators write data: names for PHYLIP, no distance formats.
  Action("MnuGenstraps")->trigger();
  EXPECT_TRUE(RunChild("distanceFormatList")->isHidden());
  RunChild<QCheckBox>("phylipNamesCheck")->setChecked(true);
  RunTo(scratch.filePath("g_gs.phy"));
  const QByteArray written = Slurp(scratch.filePath("g_gs.phy"));
  EXPECT_TRUE(written.startsWith(" 3 5\r\n"));  // one row per group of equal names
  EXPECT_EQ(written.count("\r\nFestuca_r1   "), 100);
  EXPECT_EQ(Slurp(scratch.filePath("g_gs_names.tsv")),
            "name in file\toriginal name\r\nFestuca_r1\tFestuca_ru_A\r\n"
            "Festuca_r2\tFestuca_ru_B\r\nPoa\tPoa\r\n");

  // A file of several data sets is read anew by the run: PHYLIP's square only, no names.
  OpenBinary(WriteFile("multi.phy", kBinaryPhylip + kBinaryPhylip));
  Action("MnuDistances")->trigger();
  EXPECT_TRUE(RunChild("distanceFormatList")->isHidden());
  EXPECT_TRUE(RunChild("phylipNamesCheck")->isHidden());
}

}  // namespace
}  // namespace marbleset::shell::testing
