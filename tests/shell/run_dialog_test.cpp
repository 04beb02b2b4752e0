// The run dialog driven as a user drives it: its fields, the settings its runs on the worker
// thread take, Cancel of a generator (every one runs through one path) and of the distance
// runs, and the outputs it refuses.
#include "shell/run_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "shell/numeric_field.h"
#include "shell/progress_window.h"
#include "shell/shell_context.h"
#include "shell_fixture.h"

namespace marbleset::shell {
namespace {

using testing::Slurp;

// Five OTUs by eight binary characters, one entry missing, two sharing a name (for GenStraps).
const QByteArray kFiveOtus =
    " 5 8\r\nalpha       10110010\r\nbeta        11010?10\r\nalpha       00111001\r\n"
    "gamma       10100110\r\ndelta       01011100\r\n";

class RunDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::TestApplication(); }
  RunDialogTest() {
    folders_.phylipFolder = "/opt/phylip/";
    Load(kFiveOtus);
    QObject::connect(&progress_, &ProgressWindow::Started, [this](const QString& message) {
      started_ << message;
      if (cancelOnStart_) progress_.findChild<QPushButton*>("cancelButton")->click();
    });
  }
  void Load(const QByteArray& text, DataKind kind = DataKind::kBinary,
            const QString& name = "ab12.phy") {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    ASSERT_NO_THROW(LoadDataFile(data_, ToStd(Path(name)), kind, FileFormat::kPhylip));
  }
  void Open(RunMode mode, const QString& title = "ab12.phy") {
    dialog_ = std::make_unique<RunDialog>(context_, progress_, nullptr);
    dialog_->Configure(mode, title);
    dialog_->show();
    dialog_->activateWindow();  // leaving a field settles it only in the active window
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  }
  template <typename T = QWidget>
  T* Child(const char* name) {
    return dialog_->findChild<T*>(name);
  }
  QString Text(const char* name) { return Child<QLineEdit>(name)->text(); }
  void Type(const char* field, const QString& text) {  // and leave the field as a user does
    Child<QLineEdit>(field)->setFocus();
    Child<QLineEdit>(field)->setText(text);
    Child("browseButton")->setFocus();
  }
  void SetOutput(const QString& path) { Child<QLineEdit>("outputPathEdit")->setText(path); }
  void Click(const char* button) { Child<QPushButton>(button)->click(); }
  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  QTemporaryDir dir_;
  DataSet data_;
  ShellFolders folders_;
  testing::ScriptedServices services_;
  UniformSource source_;
  ShellContext context_{data_, folders_, services_, source_};
  ProgressWindow progress_{nullptr};
  QStringList started_;
  bool cancelOnStart_ = false;
  std::unique_ptr<RunDialog> dialog_;
};

TEST(NumericField, LeavingTheFieldClampsRoundsAndKeepsUnchangedText) {
  const struct {
    const char* text;
    int stored, lower, upper, settled;
    std::string shown;
  } cases[] = {{"60", 350, 10, 500, 500, "50"},
               {"12.36", 100, 10, 1000, 124, "12.4"},
               {" 3 5 %", 350, 10, 500, 350, " 3 5 %"},
               {"0.25", 0, 0, 100, 2, "0.2"},
               {"100.04", 1000, 100, 10000, 1000, "100.04"},  // store unchanged: text kept
               {"100.04", 1010, 100, 10000, 1000, "100"},
               {"4000", 10, 10, 50000, 40000, "4000"}};  // beyond 16 bits of tenths
  for (const auto& c : cases) {
    const auto s = SettleField(c.text, c.stored, c.lower, c.upper);
    EXPECT_EQ(s.stored, c.settled) << c.text;
    EXPECT_EQ(s.text, c.shown) << c.text;
  }
}

TEST_F(RunDialogTest, ProposedFilesArrowsBoundsAndOutputButtons) {
  Open(RunMode::kDistances, "q.nts");
  EXPECT_EQ(Text("outputPathEdit"), Path("q.txt"));
  EXPECT_TRUE(Child("averagingCheck")->isHidden());  // one data set
  Click("phylipInfileButton");
  EXPECT_EQ(Text("outputPathEdit"), "/opt/phylip/infile");
  services_.saveAnswers.push_back(FileChoice{"/data/chosen.txt", 0});
  Click("browseButton");
  Click("browseButton");  // cancelled: nothing changes, nothing is said
  EXPECT_EQ(Text("outputPathEdit"), "/data/chosen.txt");
  EXPECT_TRUE(services_.messages.empty());

  // A VCF or pan-genome table loses its whole ending; a short name is kept whole.
  for (const auto& [mode, title, proposed] :
       {std::tuple{RunMode::kBootStraps, "calls.vcf.gz", "calls_bs.phy"},
        {RunMode::kDistances, "genes.Rtab", "genes.txt"},
        {RunMode::kNoise, "abc", "abc_n.phy"}}) {
    Open(mode, title);
    EXPECT_EQ(Text("outputPathEdit"), Path(proposed));
  }
  // The upper arrow raises toward the bound and stops there (how a field settles is
  // NumericField's); typed sizes stop at their mode's bound: 50 % for the bootstrap, the OTU
  // count for random resamplings.
  Type("dataSetCountEdit", "995");
  for (int i = 0; i < 2; ++i)
    Child<QScrollBar>("dataSetCountArrows")->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(Text("dataSetCountEdit"), "1000");
  Open(RunMode::kBootStraps);
  Type("drawSizeEdit", "60");
  EXPECT_EQ(Text("drawSizeEdit"), "50");
  Open(RunMode::kRandomResampling);
  Type("drawSizeEdit", "50");
  EXPECT_EQ(Text("drawSizeEdit"), "5");
  Open(RunMode::kPermutations);
  EXPECT_TRUE(Child("drawSizeEdit")->isHidden() && Child("coefficientList")->isHidden());
  Load(kFiveOtus + kFiveOtus);
  Open(RunMode::kDistances);
  EXPECT_FALSE(Child("averagingCheck")->isHidden());
}

// The data sets of a generated file: the header line of each.
QStringList Headers(const QByteArray& file) {
  QStringList headers;
  for (const QByteArray& line : file.split('\n'))
    if (!line.isEmpty() && line[0] == ' ') headers << QString::fromLatin1(line.trimmed());
  return headers;
}

TEST_F(RunDialogTest, EachRunTakesTheTypedSettingsAfterAskingToOverwrite) {
  const struct {
    RunMode mode;
    const char *count, *size;
    int dataSets;
    const char* header;  // OTUs and characters of each data set written
  } cases[] = {
      {RunMode::kBootStraps, "12", "7", 12, "5 8"},
      {RunMode::kPermutations, "11", nullptr, 11, "5 8"},
      {RunMode::kGenStraps, "10", nullptr, 10, "4 8"},  // one OTU a name
      {RunMode::kRandomResampling, "13.9", "3.5", 13, "4 8"},
      {RunMode::kMissStraps, "10", nullptr, 10, "5 8"},
      {RunMode::kNoise, "11", "12.36", 11, "5 8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    started_.clear();
    Open(c.mode);
    Type("dataSetCountEdit", c.count);
    if (c.size) Type("drawSizeEdit", c.size);
    const QString target = Text("outputPathEdit");
    QFile(target).remove();
    ASSERT_TRUE(QFile(target).open(QIODevice::WriteOnly));  // there already: asked about
    services_.yesNoAnswers = {c.mode != RunMode::kBootStraps, true};
    Click("okButton");  // No once: nothing is written and the dialog stays
    if (c.mode == RunMode::kBootStraps) {
      EXPECT_TRUE(Slurp(target).isEmpty() && dialog_->isVisible() && started_.isEmpty());
      Click("okButton");
    }
    EXPECT_EQ(services_.messages.back().text, target + " already exists. Overwrite?");
    EXPECT_FALSE(dialog_->isVisible() || progress_.isVisible());
    EXPECT_EQ(started_.size(), 1);
    EXPECT_EQ(Headers(Slurp(target)), QStringList(c.dataSets, c.header));
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RunDialogTest, DistanceRuns_TakeTheChosenSettingsAndSayWhereAFileStopsEarly) {
  Open(RunMode::kDistances);
  testing::Choose(dialog_.get(), "coefficientList", "Jaccard");
  testing::Choose(dialog_.get(), "missingPolicyList", "Ignore");
  Child<QRadioButton>("similaritiesOption")->setChecked(true);
  SetOutput(Path("single.txt"));
  Click("okButton");
  EXPECT_EQ(started_, QStringList{"Calculating distances"});
  // Jaccard similarities: alpha to itself 1; to gamma 3 shared ones of 5 present.
  const QList<QByteArray> lines = Slurp(Path("single.txt")).split('\n');
  ASSERT_EQ(lines.size(), 7);
  const QList<QByteArray> alpha = lines[1].simplified().split(' ');
  ASSERT_EQ(alpha.size(), 6);
  EXPECT_EQ(alpha[1], "1.000000");
  EXPECT_EQ(alpha[4], "0.600000");

  // A file of two data sets with averaging: one mean line each, read by the run itself.
  Load(kFiveOtus + kFiveOtus, DataKind::kBinary, "multi.phy");
  const std::string before = data_.fileName;
  Open(RunMode::kDistances);
  Child<QCheckBox>("averagingCheck")->setChecked(true);
  SetOutput(Path("means.txt"));
  Click("okButton");
  EXPECT_TRUE(services_.messages.empty());
  const QList<QByteArray> means = Slurp(Path("means.txt")).split('\n');
  ASSERT_EQ(means.size(), 3);  // the two data sets are one: so are their means
  EXPECT_EQ(means[0], means[1]);
  // While such a run works, the progress window names the data set it has read, whichever
  // thread says so.
  progress_.BeginRun(nullptr, 0);
  std::thread([this] { progress_.ReadingDataSet(3); }).join();
  QCoreApplication::processEvents();
  EXPECT_EQ(progress_.DataSetLine(), "Data set 3");
  progress_.EndRun();
  EXPECT_EQ(progress_.DataSetLine(), "");
  EXPECT_EQ(data_.fileName, before);  // the loaded data set is as it was
  EXPECT_EQ(data_.OtuCount(), 5u);

  // Two good data sets, then one whose header is damaged: the run says where and keeps the
  // matrices before.
  Load(kFiveOtus + kFiveOtus + " 5 x\r\nalpha       1\r\n", DataKind::kBinary, "three.phy");
  Open(RunMode::kDistances);
  SetOutput(Path("early.txt"));
  Click("okButton");
  const QString text = services_.TakeMessage();
  EXPECT_TRUE(text.startsWith("File read error: ") && text.contains("three.phy") &&
              text.contains("3") && text.contains("2"))
      << text.toStdString();
  EXPECT_EQ(Slurp(Path("early.txt")).count('\n'), 2 * 6);
}

TEST_F(RunDialogTest, CancelLeavesTheOldFileAndTheProgramUsable) {
  const QByteArray multi = kFiveOtus + kFiveOtus + kFiveOtus;
  const struct {
    RunMode mode;
    bool multiSet;
  } cases[] = {
      {RunMode::kBootStraps, false}, {RunMode::kDistances, false}, {RunMode::kDistances, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode) * 10 + c.multiSet);
    Load(c.multiSet ? multi : kFiveOtus);
    const QString target = Path("target.out");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep me");
    old.close();
    const QStringList filesBefore = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
    Open(c.mode);
    SetOutput(target);
    services_.yesNoAnswers = {true};
    cancelOnStart_ = true;
    services_.messages.clear();
    Click("okButton");
    cancelOnStart_ = false;
    EXPECT_EQ(Slurp(target), "keep me");
    // No temporary is left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
    ASSERT_EQ(services_.messages.size(), 1u);  // the overwrite question only
    EXPECT_FALSE(progress_.isVisible() || dialog_->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Usable at once: the same run again goes through.
    Open(c.mode);
    SetOutput(target);
    services_.yesNoAnswers = {true};
    Click("okButton");
    EXPECT_NE(Slurp(target), "keep me");
    EXPECT_FALSE(Slurp(target).isEmpty());
  }
}

TEST_F(RunDialogTest, RefusedOutputsAndFailuresAreReportedAndNothingIsWritten) {
  // A missing folder, and a name with a NUL (refused, not cut); why each fails is the output
  // file's (tests/editing).
  const QString missing = Path("no such folder/out.phy");
  for (const auto& [mode, name] : {std::pair{RunMode::kDistances, missing},
                                   {RunMode::kGenStraps, Path("cut") + QChar(0) + "rest.phy"}}) {
    Open(mode);
    SetOutput(name);
    Click("okButton");
    EXPECT_TRUE(services_.TakeMessage().startsWith("File write error: "));
    EXPECT_FALSE(progress_.isVisible() || dialog_->isVisible());
  }
  EXPECT_FALSE(QFile::exists(missing) || QFile::exists(Path("cut")));

  // The data file itself, under another spelling, is refused before the overwrite question;
  // the dialog stays for another choice.
  const QByteArray dataBytes = Slurp(Path("ab12.phy"));
  Open(RunMode::kBootStraps);
  SetOutput(dir_.path() + "/./ab12.phy");
  Click("okButton");
  const QString refusal = services_.TakeMessage();
  EXPECT_TRUE(refusal.startsWith("File write error: ") && refusal.contains("data file"));
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(Slurp(Path("ab12.phy")), dataBytes);

  // An OK that meets other data than the dialog was opened on does nothing and says so, even
  // where the command is still offered (distance lists differ by kind).
  started_.clear();
  Open(RunMode::kDistances);
  SetOutput(Path("stale.out"));
  Load(" 2 3\r\nA            1.5 2 3\r\nB            -1 ? 4\r\n", DataKind::kQuantitative);
  Click("okButton");
  EXPECT_EQ(services_.TakeMessage(), dialog_->windowTitle() + ": " + kDataChangedText);
  EXPECT_FALSE(QFile::exists(Path("stale.out")) || dialog_->isVisible());
  EXPECT_TRUE(started_.isEmpty());
}

}  // namespace
}  // namespace marbleset::shell
