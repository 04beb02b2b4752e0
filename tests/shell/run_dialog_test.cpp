// The run dialog driven as a user drives it: every mode's fields, the numeric fields, the output
// file buttons, the overwrite question and the runs "OK" starts, compared with the core's own.
#include "shell/run_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "distances/distance_run.h"
#include "resampling/generators.h"
#include "scripted_services.h"
#include "shell/numeric_field.h"
#include "shell/progress_window.h"
#include "shell/shell_context.h"
#include "test_application.h"

QT_BEGIN_NAMESPACE
// Readable failures for texts of the dialog.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace marbleset::shell {
namespace {

using testing::ScriptedServices;
using testing::TestApplication;

std::string Slurp(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const QString& path, const std::string& text) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
  out << text;
}

std::string NameField(const std::string& name) {
  return name + std::string(12 - name.size(), ' ');
}

// Five OTUs by eight binary characters, one entry missing; two OTUs share a name so GenStraps
// has a group to draw from.
void FillBinary(DataSet& data, const std::string& folder) {
  static const char* rows[] = {"10110010", "11010?10", "00111001", "10100110", "01011100"};
  static const char* names[] = {"alpha", "beta", "alpha", "gamma", "delta"};
  data.NOtu = 5;
  data.NChar = 8;
  data.MissingValue = 2;
  data.Quantitative = 0;
  data.MultiSet = 0;
  for (int i = 1; i <= data.NOtu; ++i) {
    data.OtuName[i] = NameField(names[i - 1]);
    for (int j = 1; j <= data.NChar; ++j) {
      const char c = rows[i - 1][j - 1];
      data.Matrix(i, j) = c == '?' ? data.MissingValue : static_cast<float>(c - '0');
    }
  }
  data.DataDir = folder;
  data.DataFileName = folder + "/ab12.phy";
}

void FillQuantitative(DataSet& data, const std::string& folder) {
  FillBinary(data, folder);
  data.Quantitative = 1;
  data.MissingValue = -9999;
  for (int i = 1; i <= data.NOtu; ++i) {
    for (int j = 1; j <= data.NChar; ++j) data.Matrix(i, j) = 0.5f * i + 1.25f * j - (i * j) % 3;
  }
}

// Records the message the progress window shows each time it appears.
class ShowRecorder : public QObject {
 public:
  QStringList shown;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      shown << watched->findChild<QLabel*>("Label1")->text();
    }
    return false;
  }
};

class RunDialogTest : public ::testing::Test {
 protected:
  // The windows below are members, so the application must exist before the fixture does.
  static void SetUpTestSuite() { TestApplication(); }

  RunDialogTest() {
    folder_ = dir_.path();
    FillBinary(data_, folder_.toStdString());
    state_.PhylipDir = "/opt/phylip";
    progress_.installEventFilter(&recorder_);
  }

  DisStartForm& Open(RunMode mode, const QString& title = "ab12.phy") {
    form_ = std::make_unique<DisStartForm>(context_, progress_, nullptr);
    form_->Configure(mode, title);
    form_->show();
    // Focus moves, and leaving a field settles it, only in the active window.
    form_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    return *form_;
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = form_->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QLineEdit* Text(const char* name) { return Child<QLineEdit>(name); }
  QString Caption(const char* name) { return Child<QLabel>(name)->text(); }
  bool Shown(const char* name) { return !Child<QWidget>(name)->isHidden(); }
  QStringList Entries(const char* name) {
    QStringList entries;
    auto* list = Child<QComboBox>(name);
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
  }
  // Types text into a numeric field and moves the focus on, as a user leaving the field does.
  void Type(const char* field, const QString& text) {
    QLineEdit* edit = Text(field);
    edit->setFocus();
    edit->setText(text);
    Child<QPushButton>("Command3")->setFocus();
    QApplication::processEvents();
  }
  void ClickOk() { Child<QPushButton>("Command1")->click(); }
  QString Path(const QString& name) const { return folder_ + "/" + name; }

  QTemporaryDir dir_;
  QString folder_;
  DataSet data_;
  ProcessState state_;
  ScriptedServices services_;
  UniformSource source_;
  ShellContext context_{data_, state_, services_, source_};
  ProgressWindow progress_{nullptr};
  ShowRecorder recorder_;
  std::unique_ptr<DisStartForm> form_;
};

TEST(NumericFieldRules, TextOfTenthsAndLeavingTheField) {
  EXPECT_EQ(TenthsText(1000), "100");
  EXPECT_EQ(TenthsText(350), "35");
  EXPECT_EQ(TenthsText(5), "0.5");
  EXPECT_EQ(TenthsText(124), "12.4");
  EXPECT_EQ(TenthsText(0), "0");
  EXPECT_EQ(TenthsText(-5), "-0.5");

  auto settle = [](const char* text, int stored, int lower, int upper) {
    const SettledField s = SettleField(text, static_cast<int16_t>(stored),
                                       static_cast<int16_t>(lower), static_cast<int16_t>(upper));
    return std::make_pair(static_cast<int>(s.stored), s.text);
  };
  using R = std::pair<int, std::string>;
  EXPECT_EQ(settle("7", 350, 10, 500), (R{70, "7"}));                  // bootstrap %
  EXPECT_EQ(settle("60", 350, 10, 500), (R{500, "50"}));               // above the bound
  EXPECT_EQ(settle("many", 1000, 100, 10000), (R{100, "10"}));         // no number reads as 0
  EXPECT_EQ(settle("12.36", 100, 10, 1000), (R{124, "12.4"}));         // one decimal kept
  EXPECT_EQ(settle("100.04", 1000, 100, 10000), (R{1000, "100.04"}));  // unchanged store
  EXPECT_EQ(settle("100.04", 1010, 100, 10000), (R{1000, "100"}));     // changed store
  EXPECT_EQ(settle("5000", 10000, 100, 10000), (R{10000, "1000"}));    // bound, same store
  EXPECT_EQ(settle(" 3 5 %", 350, 10, 500), (R{350, " 3 5 %"}));       // blanks ignored
  EXPECT_EQ(settle("0.25", 0, 0, 100), (R{2, "0.2"}));                 // ties go to the even tenth
  EXPECT_EQ(settle("0.75", 0, 0, 100), (R{8, "0.8"}));
  EXPECT_EQ(settle("-3", 100, 10, 370), (R{10, "1"}));
  EXPECT_EQ(settle("1e999", 100, 10, 370), (R{370, "37"}));
}

TEST_F(RunDialogTest, DistancesModeForBinaryQuantitativeAndMultiSetData) {
  Open(RunMode::kDistances);
  EXPECT_EQ(form_->windowTitle(), "Calculate distances");
  EXPECT_EQ(Text("TextFile")->text(), folder_ + "/ab12.txt");
  EXPECT_EQ(Caption("Label1"), "Coefficient");
  EXPECT_EQ(Caption("Label2"), "Output file");
  EXPECT_EQ(Caption("Label3"), "Missing data value");
  EXPECT_EQ(Entries("Combo1"), (QStringList{"Matching", "Jaccard", "Nei"}));
  EXPECT_EQ(Entries("Combo2"),
            (QStringList{"0", "0.5", "1", "Marker mean", "Marker mode", "Ignore"}));
  EXPECT_EQ(Child<QComboBox>("Combo1")->currentIndex(), 0);
  EXPECT_EQ(Child<QComboBox>("Combo2")->currentText(), "0.5");
  EXPECT_FALSE(Child<QComboBox>("Combo1")->isEditable());
  EXPECT_TRUE(Child<QRadioButton>("OptionDis")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>("OptionSim")->isChecked());
  for (const char* shown :
       {"Label1", "Label2", "Label3", "Combo1", "Combo2", "OptionDis", "OptionSim", "TextFile",
        "Command1", "Command2", "Command3", "Command4"}) {
    EXPECT_TRUE(Shown(shown)) << shown;
  }
  for (const char* hidden : {"Text1", "VScroll1", "Text2", "VScroll2", "Label4", "CheckAverage"}) {
    EXPECT_FALSE(Shown(hidden)) << hidden;
  }
  EXPECT_EQ(Child<QPushButton>("Command3")->toolTip(), "Change output file");

  FillQuantitative(data_, folder_.toStdString());
  Open(RunMode::kDistances, "q.nts");
  EXPECT_EQ(Text("TextFile")->text(), folder_ + "/q.txt");
  EXPECT_EQ(Entries("Combo1"),
            (QStringList{"Matching", "Euclidean", "Tax. distance", "Correlation"}));
  EXPECT_EQ(Entries("Combo2"), (QStringList{"0", "Marker mean", "Marker mode", "Ignore"}));
  EXPECT_EQ(Child<QComboBox>("Combo2")->currentText(), "Marker mean");
  EXPECT_FALSE(Shown("CheckAverage"));

  data_.MultiSet = 1;
  Open(RunMode::kDistances);
  EXPECT_TRUE(Shown("CheckAverage"));
  EXPECT_FALSE(Child<QCheckBox>("CheckAverage")->isChecked());
  EXPECT_EQ(Child<QCheckBox>("CheckAverage")->text(), "Matrix averaging");
}

TEST_F(RunDialogTest, GeneratorModesTitlesFieldsAndProposedFiles) {
  struct Mode {
    RunMode mode;
    const char* title;
    const char* saveTitle;
    const char* file;
    const char* secondCaption;  // nullptr: no second field
    const char* secondStart;
    const char* secondLow;
    const char* secondHigh;
  };
  data_.NOtu = 5;
  const Mode modes[] = {
      {RunMode::kBootStraps, "Generate Bootstraps", "Save bootstraps as", "ab12_bs.phy",
       "Bootstrap %", "35", "1", "50"},
      {RunMode::kPermutations, "Permutations", "Save permutations as", "ab12_pm.phy", nullptr,
       nullptr, nullptr, nullptr},
      {RunMode::kGenStraps, "Generate Genstraps", "Save GenStraps as", "ab12_gs.phy", nullptr,
       nullptr, nullptr, nullptr},
      {RunMode::kRandomResampling, "Generate random resampled sets", "Save data sets as",
       "ab12_rs.phy", "Number of OTUs", "5", "1", "5"},
      {RunMode::kMissStraps, "Generate MissStraps", "Save MissStraps as", "ab12_ms.phy", nullptr,
       nullptr, nullptr, nullptr},
      {RunMode::kNoise, "Generate Noise", "Save noise as", "ab12_n.phy", "Noise %", "10", "1",
       "100"},
  };
  for (const Mode& m : modes) {
    SCOPED_TRACE(m.title);
    Open(m.mode);
    EXPECT_EQ(form_->windowTitle(), m.title);
    EXPECT_EQ(Text("TextFile")->text(), Path(m.file));
    EXPECT_EQ(Caption("Label3"), "Number of datasets");
    for (const char* hidden :
         {"Label1", "Combo1", "Combo2", "OptionDis", "OptionSim", "CheckAverage"}) {
      EXPECT_FALSE(Shown(hidden)) << hidden;
    }
    EXPECT_TRUE(Shown("Text1") && Shown("VScroll1") && Shown("Command4"));
    EXPECT_EQ(Text("Text1")->text(), "100");
    Type("Text1", "5000");
    EXPECT_EQ(Text("Text1")->text(), "1000");
    Type("Text1", "0");
    EXPECT_EQ(Text("Text1")->text(), "10");
    if (m.secondCaption) {
      EXPECT_TRUE(Shown("Label4") && Shown("Text2") && Shown("VScroll2"));
      EXPECT_EQ(Caption("Label4"), m.secondCaption);
      EXPECT_EQ(Text("Text2")->text(), m.secondStart);
      Type("Text2", "9999");
      EXPECT_EQ(Text("Text2")->text(), m.secondHigh);
      Type("Text2", "0");
      EXPECT_EQ(Text("Text2")->text(), m.secondLow);
    } else {
      EXPECT_FALSE(Shown("Label4") || Shown("Text2") || Shown("VScroll2"));
    }
    // The save box of the mode.
    services_.saveRequests.clear();
    Child<QPushButton>("Command3")->click();
    ASSERT_EQ(services_.saveRequests.size(), 1u);
    EXPECT_EQ(services_.saveRequests[0].title, m.saveTitle);
    EXPECT_EQ(services_.saveRequests[0].filter, "Phylip files (*.phy)");
    EXPECT_EQ(services_.saveRequests[0].initialFolder, folder_);
    EXPECT_FALSE(services_.saveRequests[0].askOverwrite);
  }
  // A name shorter than the cut is kept whole; a later command starts from the designed state.
  Open(RunMode::kNoise, "abc");
  EXPECT_EQ(Text("TextFile")->text(), Path("abc_n.phy"));
  form_->Configure(RunMode::kDistances, "ab");
  EXPECT_EQ(Text("TextFile")->text(), Path("abtxt"));
  EXPECT_EQ(Caption("Label3"), "Missing data value");
  EXPECT_TRUE(Shown("Combo1") && Shown("OptionDis"));
  EXPECT_FALSE(Shown("Text1") || Shown("Text2"));
  EXPECT_EQ(Entries("Combo1").size(), 3);
}

TEST_F(RunDialogTest, ResamplingFieldFollowsTheOtuCount) {
  data_.NOtu = 37;
  Open(RunMode::kRandomResampling);
  EXPECT_EQ(Text("Text2")->text(), "37");
  Type("Text2", "50");
  EXPECT_EQ(Text("Text2")->text(), "37");
  Type("Text2", "0");
  EXPECT_EQ(Text("Text2")->text(), "1");
  Type("Text2", "4.5");  // 45 tenths stay as typed: the run rounds them
  EXPECT_EQ(Text("Text2")->text(), "4.5");
}

// Clicks a part of a scroll bar as the mouse does, wherever the style draws it.
void ClickPart(QScrollBar* bar, QStyle::SubControl part, QPoint inside = {}) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.subControls = QStyle::SC_All;
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.upsideDown = bar->invertedAppearance();
  const QRect rect = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
  ASSERT_FALSE(rect.isEmpty());
  const QPoint at = inside.isNull() ? rect.center() : rect.topLeft() + inside;
  QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
}

TEST_F(RunDialogTest, ArrowsStepTowardTheirBoundAndStopThere) {
  Open(RunMode::kBootStraps);
  auto* bar = Child<QScrollBar>("VScroll1");
  bar->setFixedHeight(120);  // room for both arrows and a track whatever the style
  ClickPart(bar, QStyle::SC_ScrollBarSubLine);
  EXPECT_EQ(Text("Text1")->text(), "110");
  ClickPart(bar, QStyle::SC_ScrollBarAddLine);
  ClickPart(bar, QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(Text("Text1")->text(), "90");
  Type("Text1", "995");
  ClickPart(bar, QStyle::SC_ScrollBarSubLine);
  EXPECT_EQ(Text("Text1")->text(), "1000");
  ClickPart(bar, QStyle::SC_ScrollBarSubLine);
  EXPECT_EQ(Text("Text1")->text(), "1000");
  Type("Text1", "10");
  ClickPart(bar, QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(Text("Text1")->text(), "10");
  // Track clicks step by the same amount: the upper part of the track raises the value.
  ClickPart(bar, QStyle::SC_ScrollBarSubPage, {1, 1});
  EXPECT_EQ(Text("Text1")->text(), "20");

  auto* percent = Child<QScrollBar>("VScroll2");
  percent->setFixedHeight(120);
  ClickPart(percent, QStyle::SC_ScrollBarSubLine);
  EXPECT_EQ(Text("Text2")->text(), "36");
  Type("Text2", "0.5");  // below the bound: stored 10, shown 1
  EXPECT_EQ(Text("Text2")->text(), "1");
  ClickPart(percent, QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(Text("Text2")->text(), "1");
}

TEST_F(RunDialogTest, FocusMovesInTheDesignedOrder) {
  Open(RunMode::kDistances);
  const char* order[] = {"Command1", "Command2",     "Combo1",    "Text1",    "VScroll1",
                         "TextFile", "Command3",     "Text2",     "VScroll2", "Combo2",
                         "Command4", "CheckAverage", "OptionDis", "OptionSim"};
  QWidget* at = Child<QWidget>(order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    at = at->nextInFocusChain();
    EXPECT_EQ(at->objectName(), order[i]);
  }
}

TEST_F(RunDialogTest, PhylipInfileAndBrowse) {
  Open(RunMode::kDistances);
  Child<QPushButton>("Command4")->click();
  EXPECT_EQ(Text("TextFile")->text(), "/opt/phylip/infile");
  state_.PhylipDir = "/opt/phylip/";
  Child<QPushButton>("Command4")->click();
  EXPECT_EQ(Text("TextFile")->text(), "/opt/phylip/infile");

  services_.saveAnswers.push_back(ScriptedServices::Pick("/data/chosen.txt"));
  Child<QPushButton>("Command3")->click();
  EXPECT_EQ(Text("TextFile")->text(), "/data/chosen.txt");
  ASSERT_EQ(services_.saveRequests.size(), 1u);
  EXPECT_EQ(services_.saveRequests[0].title, "Save distances as");
  EXPECT_EQ(services_.saveRequests[0].filter, "Text files (*.txt)");
  EXPECT_EQ(services_.saveRequests[0].initialFolder, folder_);

  Child<QPushButton>("Command3")->click();  // cancelled: nothing changes, nothing is said
  EXPECT_EQ(Text("TextFile")->text(), "/data/chosen.txt");
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(form_->isVisible());
}

class FailingSaveBox : public ScriptedServices {
 public:
  std::optional<FileChoice> ChooseSaveFile(QWidget*, const FileDialogRequest&) override {
    throw std::runtime_error("The save box could not be shown.");
  }
};

TEST_F(RunDialogTest, SaveBoxFailureIsShownAndTheDialogStays) {
  FailingSaveBox failing;
  ShellContext context{data_, state_, failing, source_};
  DisStartForm form(context, progress_, nullptr);
  form.Configure(RunMode::kBootStraps, "ab12.phy");
  form.show();
  form.findChild<QPushButton*>("Command3")->click();
  ASSERT_EQ(failing.messages.size(), 1u);
  EXPECT_EQ(failing.messages[0].title, "File write error");
  EXPECT_EQ(failing.messages[0].text, "The save box could not be shown.");
  EXPECT_FALSE(failing.messages[0].question);
  EXPECT_EQ(form.findChild<QLineEdit*>("TextFile")->text(), Path("ab12_bs.phy"));
  EXPECT_TRUE(form.isVisible());
}

TEST_F(RunDialogTest, ExistingOutputIsOverwrittenOnlyAfterYes) {
  Open(RunMode::kPermutations);
  const QString target = Path("ab12_pm.phy");
  WriteText(target, "keep me");
  Type("Text1", "12");
  ClickOk();  // the scripted answer is No
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_TRUE(services_.messages[0].question);
  EXPECT_EQ(services_.messages[0].title, "Marbleset");
  EXPECT_EQ(services_.messages[0].text, target + " already exists. Overwrite?");
  EXPECT_EQ(Slurp(target), "keep me");
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(Text("Text1")->text(), "12");
  EXPECT_TRUE(recorder_.shown.isEmpty());

  services_.yesNoAnswers.push_back(true);
  ClickOk();
  EXPECT_FALSE(form_->isVisible());
  UniformSource fresh;
  NoProgress quiet;
  const QString expected = Path("expected.phy");
  GeneratePermutations(data_, fresh, 120, QFile::encodeName(expected).toStdString(), quiet);
  EXPECT_EQ(Slurp(target), Slurp(expected));
  EXPECT_EQ(recorder_.shown, QStringList{"Generating permutations"});
  EXPECT_FALSE(progress_.isVisible());
}

TEST_F(RunDialogTest, EachGeneratorWritesWhatTheCoreWritesWithTheDialogsSettings) {
  struct Case {
    RunMode mode;
    const char* first;
    const char* second;  // nullptr: no second field
    const char* message;
  };
  const Case cases[] = {
      {RunMode::kBootStraps, "12", "7", "Generating BootStraps"},
      {RunMode::kPermutations, "11", nullptr, "Generating permutations"},
      {RunMode::kGenStraps, "10", nullptr, "Generating GenStraps"},
      {RunMode::kRandomResampling, "13", "3", "Generating resamplings"},
      {RunMode::kMissStraps, "10", nullptr, "Generating MissStraps"},
      {RunMode::kNoise, "11", "12.36", "Generating Noise"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    recorder_.shown.clear();
    source_ = UniformSource();
    Open(c.mode);
    Type("Text1", c.first);
    if (c.second) Type("Text2", c.second);
    const QString target = Text("TextFile")->text();
    ClickOk();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_EQ(recorder_.shown, QStringList{c.message});
    EXPECT_FALSE(progress_.isVisible());

    // The same run straight from the core, with the values the fields settled on.
    const auto count = static_cast<int16_t>(10 * std::stoi(c.first));
    const auto second = static_cast<int16_t>(c.second ? std::lround(10 * std::stod(c.second)) : 0);
    const std::string expected = QFile::encodeName(Path("expected.phy")).toStdString();
    UniformSource fresh;
    NoProgress quiet;
    switch (c.mode) {
      case RunMode::kBootStraps:
        GenerateBootStraps(data_, fresh, count, second, expected, quiet);
        break;
      case RunMode::kPermutations:
        GeneratePermutations(data_, fresh, count, expected, quiet);
        break;
      case RunMode::kGenStraps:
        GenerateGenStraps(data_, fresh, count, expected, quiet);
        break;
      case RunMode::kRandomResampling:
        GenerateResamplings(data_, fresh, count, second, expected, quiet);
        break;
      case RunMode::kMissStraps:
        GenerateMissStraps(data_, fresh, count, expected, quiet);
        break;
      case RunMode::kNoise:
        GenerateNoise(data_, fresh, count, second, expected, quiet);
        break;
      case RunMode::kDistances:
        break;
    }
    const std::string written = Slurp(target);
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(written, Slurp(QString::fromStdString(expected)));
  }
}

TEST_F(RunDialogTest, TheRandomSourceContinuesFromRunToRun) {
  Open(RunMode::kNoise);
  ClickOk();
  const std::string first = Slurp(Path("ab12_n.phy"));
  Open(RunMode::kNoise);
  services_.yesNoAnswers.push_back(true);
  ClickOk();
  EXPECT_NE(Slurp(Path("ab12_n.phy")), first);
}

TEST_F(RunDialogTest, DistanceRunsWriteWhatTheCoreWrites) {
  // One binary data set, Jaccard similarities.
  Open(RunMode::kDistances);
  Child<QComboBox>("Combo1")->setCurrentIndex(1);
  Child<QComboBox>("Combo2")->setCurrentIndex(5);
  Child<QRadioButton>("OptionSim")->setChecked(true);
  ClickOk();
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(recorder_.shown.isEmpty());  // the single-set run shows no progress window
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  DistanceSettings settings{1, 5, false, false};
  DistanceRunSingle(data_, settings, Path("single.txt").toStdString());
  EXPECT_EQ(Slurp(Path("ab12.txt")), Slurp(Path("single.txt")));

  // A quantitative data set, Euclidean distances.
  FillQuantitative(data_, folder_.toStdString());
  Open(RunMode::kDistances, "q.phy");
  Child<QComboBox>("Combo1")->setCurrentIndex(1);
  ClickOk();
  DistanceRunSingle(data_, DistanceSettings{1, 1, true, false}, Path("quant.txt").toStdString());
  EXPECT_EQ(Slurp(Path("q.txt")), Slurp(Path("quant.txt")));

  // A file of three data sets, with matrix averaging: one mean per data set.
  FillBinary(data_, folder_.toStdString());
  const std::string multi = Path("multi.phy").toStdString();
  NoProgress quiet;
  {
    UniformSource fresh;
    GenerateBootStraps(data_, fresh, 30, 350, multi, quiet);
  }
  auto asMultiSet = [&](DataSet& data) {
    data.DataFileName = multi;
    data.MultiSet = 1;
    data.Quantitative = 0;
  };
  asMultiSet(data_);
  Open(RunMode::kDistances, "multi.phy");
  Child<QCheckBox>("CheckAverage")->setChecked(true);
  ClickOk();
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_EQ(recorder_.shown, QStringList{"Calculating distances"});
  EXPECT_FALSE(progress_.isVisible());
  DataSet direct;
  FillBinary(direct, folder_.toStdString());
  asMultiSet(direct);
  DistanceRunMulti(direct, DistanceSettings{0, 1, true, true}, Path("means.txt").toStdString(),
                   quiet);
  const std::string means = Slurp(Path("multi.txt"));
  EXPECT_EQ(means, Slurp(Path("means.txt")));
  EXPECT_EQ(std::count(means.begin(), means.end(), '\n'), 3);
}

TEST_F(RunDialogTest, RunIntoAMissingFolderReportsAWriteErrorAndCloses) {
  const QString missing = Path("no such folder/out.phy");
  for (RunMode mode : {RunMode::kBootStraps, RunMode::kGenStraps, RunMode::kDistances}) {
    services_.messages.clear();
    recorder_.shown.clear();
    Open(mode);
    Text("TextFile")->setText(missing);
    ClickOk();
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, "File write error");
    EXPECT_FALSE(services_.messages[0].question);
    EXPECT_TRUE(services_.messages[0].text.contains(missing))
        << services_.messages[0].text.toStdString();
    EXPECT_FALSE(progress_.isVisible());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(QFile::exists(missing));
  }
  EXPECT_EQ(recorder_.shown.size(), 0);  // the distance run of one data set shows none
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The multi-set run, whose progress window was up when the output failed.
  data_.MultiSet = 1;
  services_.messages.clear();
  Open(RunMode::kDistances);
  Text("TextFile")->setText(missing);
  ClickOk();
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].title, "File write error");
  EXPECT_FALSE(progress_.isVisible());
  EXPECT_FALSE(form_->isVisible());

  // A name the file system cannot even examine is not asked about; the run reports it.
  data_.MultiSet = 0;
  services_.messages.clear();
  Open(RunMode::kPermutations);
  Text("TextFile")->setText(Path(QString(300, 'x')));
  ClickOk();
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_FALSE(services_.messages[0].question);
  EXPECT_EQ(services_.messages[0].title, "File write error");
}

TEST_F(RunDialogTest, CancelAndTheWindowFrameCloseWithoutRunning) {
  Open(RunMode::kBootStraps);
  Child<QPushButton>("Command2")->click();
  EXPECT_FALSE(form_->isVisible());
  Open(RunMode::kDistances);
  form_->close();
  EXPECT_FALSE(form_->isVisible());
  EXPECT_FALSE(QFile::exists(Path("ab12_bs.phy")) || QFile::exists(Path("ab12.txt")));
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(recorder_.shown.isEmpty());
}

TEST_F(RunDialogTest, NameWithANulCharacterIsRefusedNotCut) {
  Open(RunMode::kPermutations);
  Text("TextFile")->setText(Path("cut") + QChar(0) + "rest.phy");
  ClickOk();
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].title, "File write error");
  EXPECT_FALSE(QFile::exists(Path("cut")));
  EXPECT_FALSE(form_->isVisible());
}

// Pictures of the dialog for the documentation, taken when MARBLESET_SCREENSHOT_DIR is set.
TEST_F(RunDialogTest, Screenshots) {
  const QString target = qEnvironmentVariable("MARBLESET_SCREENSHOT_DIR");
  if (target.isEmpty()) GTEST_SKIP() << "MARBLESET_SCREENSHOT_DIR not set";
  data_.MultiSet = 1;
  data_.DataDir = "/home/researcher/markers";
  Open(RunMode::kDistances);
  QTest::qWait(200);
  EXPECT_TRUE(form_->grab().save(target + "/run_dialog_distances.png"));
  data_.MultiSet = 0;
  Open(RunMode::kBootStraps);
  QTest::qWait(200);
  EXPECT_TRUE(form_->grab().save(target + "/run_dialog_bootstraps.png"));
}

}  // namespace
}  // namespace marbleset::shell
