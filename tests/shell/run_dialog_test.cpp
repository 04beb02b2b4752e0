// The run dialog driven as a user drives it, its runs compared with the core's own.
#include "shell/run_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>

#include "distances/distance_run.h"
#include "resampling/generators.h"
#include "scripted_services.h"
#include "shell/numeric_field.h"
#include "shell/progress_window.h"
#include "shell/shell_context.h"
#include "test_application.h"

namespace marbleset::shell {
namespace {

std::string Slurp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
}

// The message of the progress window each time it appears.
class ShowRecorder : public QObject {
 public:
  QStringList shown;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) shown << watched->findChild<QLabel*>("Label1")->text();
    return false;
  }
};

class RunDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::TestApplication(); }
  // Five OTUs by eight binary characters, one entry missing, two sharing a name (for GenStraps).
  RunDialogTest() {
    const char* rows[] = {"10110010", "11010?10", "00111001", "10100110", "01011100"};
    const char* names[] = {"alpha", "beta", "alpha", "gamma", "delta"};
    data_.NOtu = 5, data_.NChar = 8, data_.MissingValue = 2;
    for (int i = 1; i <= 5; ++i) {
      data_.OtuName[i] = QString(names[i - 1]).leftJustified(12).toStdString();
      for (int j = 1; j <= 8; ++j)
        data_.Matrix(i, j) = rows[i - 1][j - 1] == '?' ? 2.0f : float(rows[i - 1][j - 1] - '0');
    }
    data_.DataDir = dir_.path().toStdString();
    data_.DataFileName = data_.DataDir + "/ab12.phy";
    state_.PhylipDir = "/opt/phylip/";
    progress_.installEventFilter(&recorder_);
  }
  void Open(RunMode mode, const QString& title = "ab12.phy") {
    form_ = std::make_unique<DisStartForm>(context_, progress_, nullptr);
    form_->Configure(mode, title);
    form_->show();
    form_->activateWindow();  // leaving a field settles it only in the active window
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  template <typename T = QWidget>
  T* Child(const char* name) {
    return form_->findChild<T*>(name);
  }
  std::string Text(const char* name) { return Child<QLineEdit>(name)->text().toStdString(); }
  void Type(const char* field, const QString& text) {  // and leave the field as a user does
    Child<QLineEdit>(field)->setFocus();
    Child<QLineEdit>(field)->setText(text);
    Child("Command3")->setFocus();
  }
  void Click(const char* button) { Child<QPushButton>(button)->click(); }
  QString Path(const QString& name) const { return dir_.path() + "/" + name; }
  std::string Out(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }

  QTemporaryDir dir_;
  DataSet data_;
  ProcessState state_;
  testing::ScriptedServices services_;
  UniformSource source_;
  ShellContext context_{data_, state_, services_, source_};
  ProgressWindow progress_{nullptr};
  ShowRecorder recorder_;
  std::unique_ptr<DisStartForm> form_;
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
               {"100.04", 1010, 100, 10000, 1000, "100"}};
  for (const auto& c : cases) {
    const auto s = SettleField(c.text, int16_t(c.stored), int16_t(c.lower), int16_t(c.upper));
    EXPECT_EQ(s.stored, c.settled) << c.text;
    EXPECT_EQ(s.text, c.shown) << c.text;
  }
}

TEST_F(RunDialogTest, FieldsProposedFilesArrowsAndOutputButtons) {
  data_.Quantitative = data_.MultiSet = 1;
  Open(RunMode::kDistances, "q.nts");
  EXPECT_EQ(Text("TextFile"), Out("q.txt"));
  Click("Command4");
  EXPECT_EQ(Text("TextFile"), "/opt/phylip/infile");
  services_.saveAnswers.push_back(FileChoice{"/data/chosen.txt", 0});
  Click("Command3");
  Click("Command3");  // cancelled: nothing changes, nothing is said
  EXPECT_EQ(Text("TextFile"), "/data/chosen.txt");
  EXPECT_TRUE(services_.messages.empty());

  // A short name is kept whole; the upper arrow raises toward the bound and stops there.
  Open(RunMode::kNoise, "abc");
  EXPECT_EQ(Text("TextFile"), Out("abc_n.phy"));
  Type("Text1", "995");
  for (int i = 0; i < 2; ++i)
    Child<QScrollBar>("VScroll1")->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(Text("Text1"), "1000");
  form_->Configure(RunMode::kDistances, "ab");
  EXPECT_EQ(Text("TextFile"), Out("abtxt"));
  EXPECT_TRUE(Child("Text1")->isHidden() && Child("Text2")->isHidden());
  data_.NOtu = 37;  // the resampling bound is the OTU count
  Open(RunMode::kRandomResampling);
  Type("Text2", "50");
  EXPECT_EQ(Text("Text2"), "37");
}

TEST_F(RunDialogTest, WriteFailuresAreReportedAndNothingIsWritten) {
  // A missing folder (also once a multi-set run's progress is up), a name the file system cannot
  // examine (not asked about) and one with a NUL (refused, not cut).
  const QString missing = Path("no such folder/out.phy");
  for (const auto& [mode, multi, name] :
       {std::tuple{RunMode::kGenStraps, 0, missing},
        {RunMode::kDistances, 0, missing},
        {RunMode::kDistances, 1, missing},
        {RunMode::kPermutations, 0, Path(QString(300, 'x'))},
        {RunMode::kPermutations, 0, Path("cut") + QChar(0) + "rest.phy"}}) {
    data_.MultiSet = multi;
    Open(mode);
    Child<QLineEdit>("TextFile")->setText(name);
    Click("Command1");
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, "File write error");
    EXPECT_FALSE(services_.messages[0].question || progress_.isVisible() || form_->isVisible());
    services_.messages.clear();
  }
  EXPECT_FALSE(QFile::exists(missing) || QFile::exists(Path("cut")));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RunDialogTest, EachGeneratorWritesWhatTheCoreWritesAfterAskingToOverwrite) {
  const std::string ref = Out("expected.phy");
  UniformSource fresh;  // the dialog's source goes on from run to run, as this one does
  NoProgress quiet;
  const struct {
    RunMode mode;
    const char *first, *second, *message;
    std::function<void(UniformSource&, int16_t, int16_t)> run;
  } cases[] = {
      {RunMode::kBootStraps, "12", "7", "Generating BootStraps",
       [&](auto& s, int16_t n, int16_t p) { GenerateBootStraps(data_, s, n, p, ref, quiet); }},
      {RunMode::kPermutations, "11", nullptr, "Generating permutations",
       [&](auto& s, int16_t n, int16_t) { GeneratePermutations(data_, s, n, ref, quiet); }},
      {RunMode::kGenStraps, "10", nullptr, "Generating GenStraps",
       [&](auto& s, int16_t n, int16_t) { GenerateGenStraps(data_, s, n, ref, quiet); }},
      {RunMode::kRandomResampling, "13", "3", "Generating resamplings",
       [&](auto& s, int16_t n, int16_t p) { GenerateResamplings(data_, s, n, p, ref, quiet); }},
      {RunMode::kMissStraps, "10", nullptr, "Generating MissStraps",
       [&](auto& s, int16_t n, int16_t) { GenerateMissStraps(data_, s, n, ref, quiet); }},
      {RunMode::kNoise, "11", "12.36", "Generating Noise",
       [&](auto& s, int16_t n, int16_t p) { GenerateNoise(data_, s, n, p, ref, quiet); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    recorder_.shown.clear();
    Open(c.mode);
    Type("Text1", c.first);
    if (c.second) Type("Text2", c.second);
    const QString target = Child<QLineEdit>("TextFile")->text();
    std::ofstream(QFile::encodeName(target).toStdString()) << "keep me";
    services_.yesNoAnswers = {c.mode != RunMode::kBootStraps, true};
    Click("Command1");  // No once: nothing is written and the dialog stays
    if (c.mode == RunMode::kBootStraps) {
      EXPECT_TRUE(Slurp(target) == "keep me" && form_->isVisible() && recorder_.shown.isEmpty());
      Click("Command1");
    }
    EXPECT_EQ(services_.messages.back().text, target + " already exists. Overwrite?");
    EXPECT_FALSE(form_->isVisible() || progress_.isVisible());
    EXPECT_EQ(recorder_.shown, QStringList{c.message});
    c.run(fresh, int16_t(10 * std::stoi(c.first)),
          int16_t(c.second ? std::lround(10 * std::stod(c.second)) : 0));
    EXPECT_EQ(Slurp(target), Slurp(Path("expected.phy")));
  }
}

TEST_F(RunDialogTest, DistanceRunsWriteWhatTheCoreWrites) {
  Open(RunMode::kDistances);  // one set: no progress window
  Child<QComboBox>("Combo1")->setCurrentIndex(1);
  Child<QComboBox>("Combo2")->setCurrentIndex(5);
  Child<QRadioButton>("OptionSim")->setChecked(true);
  Click("Command1");
  DistanceRunSingle(data_, DistanceSettings{1, 5, false, false}, Out("single.txt"));
  EXPECT_EQ(Slurp(Path("ab12.txt")), Slurp(Path("single.txt")));

  // Three data sets with matrix averaging: one mean per data set.
  NoProgress quiet;
  UniformSource fresh;
  GenerateBootStraps(data_, fresh, 30, 350, Out("multi.phy"), quiet);
  data_.DataFileName = Out("multi.phy"), data_.MultiSet = 1;
  Open(RunMode::kDistances, "multi.phy");
  Child<QCheckBox>("CheckAverage")->setChecked(true);
  Click("Command1");
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_EQ(recorder_.shown, QStringList{"Calculating distances"});
  DistanceRunMulti(data_, DistanceSettings{0, 1, true, true}, Out("means.txt"), quiet);
  const std::string means = Slurp(Path("multi.txt"));
  EXPECT_EQ(means, Slurp(Path("means.txt")));
  EXPECT_EQ(std::count(means.begin(), means.end(), '\n'), 3);
}

}  // namespace
}  // namespace marbleset::shell
