#include "shell/run_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cerrno>
#include <exception>

#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "resampling/generators.h"
#include "shell/numeric_field.h"
#include "shell/output_names.h"
#include "shell/progress_window.h"
#include "shell/shell_context.h"

namespace marbleset::shell {
namespace {

// The titles are also what "OK" dispatches on.
const QString kDistancesTitle = QStringLiteral("Calculate distances");
const QString kBootStrapsTitle = QStringLiteral("Generate Bootstraps");
const QString kPermutationsTitle = QStringLiteral("Permutations");
const QString kGenStrapsTitle = QStringLiteral("Generate Genstraps");
const QString kResamplingTitle = QStringLiteral("Generate random resampled sets");
const QString kMissStrapsTitle = QStringLiteral("Generate MissStraps");
const QString kNoiseTitle = QStringLiteral("Generate Noise");

const QString kWriteErrorTitle = QStringLiteral("File write error");
const QString kPhylipFilter = QStringLiteral("Phylip files (*.phy)");

struct ModeText {
  QString title;
  QString saveTitle;
  QString saveFilter;
};

ModeText TextOf(RunMode mode) {
  switch (mode) {
    case RunMode::kDistances:
      return {kDistancesTitle, "Save distances as", "Text files (*.txt)"};
    case RunMode::kBootStraps:
      return {kBootStrapsTitle, "Save bootstraps as", kPhylipFilter};
    case RunMode::kPermutations:
      return {kPermutationsTitle, "Save permutations as", kPhylipFilter};
    case RunMode::kGenStraps:
      return {kGenStrapsTitle, "Save GenStraps as", kPhylipFilter};
    case RunMode::kRandomResampling:
      return {kResamplingTitle, "Save data sets as", kPhylipFilter};
    case RunMode::kMissStraps:
      return {kMissStrapsTitle, "Save MissStraps as", kPhylipFilter};
    case RunMode::kNoise:
      return {kNoiseTitle, "Save noise as", kPhylipFilter};
  }
  return {};
}

// Where each control stands, in twips (1/1440 inch): Left, Top, Width, Height.
struct Twips {
  int left, top, width, height;
};
constexpr int kClientWidth = 5100;
constexpr int kClientHeight = 3525;

// A file the overwrite question is about: something that is there and is not a folder. A path
// the file system cannot examine at all counts as absent; the run then reports why it cannot
// write there.
bool OutputExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

void FillList(QComboBox* list, const std::vector<std::string_view>& entries, int selected) {
  for (const std::string_view entry : entries) {
    list->addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
  }
  list->setCurrentIndex(selected);
}

// Restores the normal pointer however the run ends.
class BusyPointer {
 public:
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

DisStartForm::DisStartForm(ShellContext& context, ProgressWindow& progress, QWidget* parent)
    : QDialog(parent), context_(context), progress_(progress) {
  setObjectName(QStringLiteral("DisStartForm"));
  setModal(false);
  BuildControls();
  PlaceControls();
  SetTabOrder();
  ResetToDesign();
}

DisStartForm::~DisStartForm() = default;

void DisStartForm::BuildControls() {
  auto named = [](QWidget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };
  label1_ = static_cast<QLabel*>(named(new QLabel(this), "Label1"));
  label2_ = static_cast<QLabel*>(named(new QLabel(tr("Output file"), this), "Label2"));
  label3_ = static_cast<QLabel*>(named(new QLabel(this), "Label3"));
  label4_ = static_cast<QLabel*>(named(new QLabel(this), "Label4"));
  textFile_ = static_cast<QLineEdit*>(named(new QLineEdit(this), "TextFile"));
  command1_ = static_cast<QPushButton*>(named(new QPushButton(tr("OK"), this), "Command1"));
  command2_ = static_cast<QPushButton*>(named(new QPushButton(tr("Cancel"), this), "Command2"));
  command3_ = static_cast<QPushButton*>(named(new QPushButton(tr("Browse"), this), "Command3"));
  command4_ =
      static_cast<QPushButton*>(named(new QPushButton(tr("Phylip infile"), this), "Command4"));
  command3_->setToolTip(tr("Change output file"));
  combo1_ = static_cast<QComboBox*>(named(new QComboBox(this), "Combo1"));
  combo2_ = static_cast<QComboBox*>(named(new QComboBox(this), "Combo2"));
  optionDis_ =
      static_cast<QRadioButton*>(named(new QRadioButton(tr("Distances"), this), "OptionDis"));
  optionSim_ =
      static_cast<QRadioButton*>(named(new QRadioButton(tr("Similarities"), this), "OptionSim"));
  checkAverage_ =
      static_cast<QCheckBox*>(named(new QCheckBox(tr("Matrix averaging"), this), "CheckAverage"));

  auto* text1 = static_cast<QLineEdit*>(named(new QLineEdit(this), "Text1"));
  auto* text2 = static_cast<QLineEdit*>(named(new QLineEdit(this), "Text2"));
  auto* bar1 = static_cast<QScrollBar*>(named(new QScrollBar(Qt::Vertical, this), "VScroll1"));
  auto* bar2 = static_cast<QScrollBar*>(named(new QScrollBar(Qt::Vertical, this), "VScroll2"));
  // The bars take the focus when clicked, so a number being typed is settled before a step.
  bar1->setFocusPolicy(Qt::StrongFocus);
  bar2->setFocusPolicy(Qt::StrongFocus);
  field1_ = std::make_unique<NumericField>(text1, bar1);
  field2_ = std::make_unique<NumericField>(text2, bar2);

  connect(command1_, &QPushButton::clicked, this, &DisStartForm::Confirm);
  connect(command2_, &QPushButton::clicked, this, &DisStartForm::reject);
  connect(command3_, &QPushButton::clicked, this, &DisStartForm::Browse);
  connect(command4_, &QPushButton::clicked, this, &DisStartForm::UsePhylipInfile);
}

void DisStartForm::PlaceControls() {
  const double perTwipX = logicalDpiX() / 1440.0;
  const double perTwipY = logicalDpiY() / 1440.0;
  auto place = [&](QWidget* widget, Twips at) {
    QRect rect(qRound(at.left * perTwipX), qRound(at.top * perTwipY), qRound(at.width * perTwipX),
               qRound(at.height * perTwipY));
    // Captions may need more room than the design gives them in the user's font: a caption
    // grows to the right, and an option or check box also about its centre in height. The other
    // controls keep their designed size, which the toolkit draws well.
    const bool caption = qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget);
    const bool pushButton = qobject_cast<QPushButton*>(widget) != nullptr;
    const QSize hint = widget->sizeHint();
    if (caption && !pushButton) {
      if (hint.width() > rect.width()) rect.setWidth(hint.width());
      if (hint.height() > rect.height()) {
        const int grow = hint.height() - rect.height();
        rect.adjust(0, -grow / 2, 0, grow - grow / 2);
      }
    }
    widget->setGeometry(rect);
  };
  place(label2_, {240, 120, 3255, 255});
  place(textFile_, {240, 360, 3495, 375});
  place(command3_, {3720, 240, 975, 375});
  place(command4_, {3720, 600, 975, 375});
  place(label1_, {240, 960, 1695, 255});
  place(combo1_, {240, 1200, 1695, 315});
  place(optionDis_, {2400, 1200, 1215, 195});
  place(optionSim_, {2400, 1440, 1215, 195});
  place(label3_, {240, 1920, 1575, 255});
  place(label4_, {2280, 1920, 1455, 255});
  place(combo2_, {240, 2160, 1695, 315});
  place(field1_->text(), {240, 2160, 615, 375});
  place(field1_->bar(), {840, 2160, 255, 375});
  place(field2_->text(), {2280, 2160, 615, 375});
  place(field2_->bar(), {2880, 2160, 255, 375});
  place(checkAverage_, {240, 2640, 1695, 255});
  place(command1_, {240, 3000, 1455, 375});
  place(command2_, {2520, 3000, 1575, 375});
  // "Browse" and "Phylip infile" form one column as wide as the wider caption needs, within the
  // dialog's right edge.
  const int clientWidth = qRound(kClientWidth * perTwipX);
  const int room = clientWidth - command3_->x() - qRound(120 * perTwipX);
  const int column = std::min(room, std::max({command3_->width(), command3_->sizeHint().width(),
                                              command4_->sizeHint().width()}));
  command3_->resize(column, command3_->height());
  command4_->resize(column, command4_->height());
  setFixedSize(clientWidth, qRound(kClientHeight * perTwipY));
}

void DisStartForm::SetTabOrder() {
  const QWidget* order[] = {command1_,      command2_, combo1_,   field1_->text(),
                            field1_->bar(), textFile_, command3_, field2_->text(),
                            field2_->bar(), combo2_,   command4_, checkAverage_,
                            optionDis_,     optionSim_};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
  }
}

void DisStartForm::ResetToDesign() {
  setWindowTitle(QString());
  saveTitle_.clear();
  saveFilter_.clear();
  label1_->setText(tr("Coefficient"));
  label3_->setText(tr("Missing data value"));
  label4_->setText(tr("Percentage"));
  textFile_->clear();
  combo1_->clear();
  combo2_->clear();
  optionDis_->setChecked(true);
  checkAverage_->setChecked(false);
  field1_->Clear();
  field2_->Clear();
  for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) control->show();
}

void DisStartForm::Configure(RunMode mode, const QString& dataFileTitle) {
  ResetToDesign();
  const ModeText text = TextOf(mode);
  setWindowTitle(text.title);
  saveTitle_ = text.saveTitle;
  saveFilter_ = text.saveFilter;
  textFile_->setText(
      ProposedOutputFile(mode, QString::fromStdString(context_.data.DataDir), dataFileTitle));
  if (mode == RunMode::kDistances) {
    ConfigureDistances();
  } else {
    ConfigureGenerator(mode);
  }
  PlaceControls();  // the captions are known now
}

void DisStartForm::ConfigureDistances() {
  field1_->text()->hide();
  field1_->bar()->hide();
  field2_->text()->hide();
  field2_->bar()->hide();
  label4_->hide();
  checkAverage_->setVisible(context_.data.MultiSet == 1);
  const bool quantitative = context_.data.Quantitative != 0;
  // The core's own lists, so a position chosen here is the coefficient the run computes.
  FillList(combo1_, CoefficientNames(quantitative), 0);
  FillList(combo2_, MissingPolicyNames(quantitative), 1);
}

void DisStartForm::ConfigureGenerator(RunMode mode) {
  for (QWidget* control :
       {static_cast<QWidget*>(label1_), static_cast<QWidget*>(combo1_),
        static_cast<QWidget*>(combo2_), static_cast<QWidget*>(optionDis_),
        static_cast<QWidget*>(optionSim_), static_cast<QWidget*>(checkAverage_)}) {
    control->hide();
  }
  label3_->setText(tr("Number of datasets"));
  field1_->Configure(100, 10000, 100, 1000);
  const auto allOtus = static_cast<int16_t>(10 * context_.data.NOtu);
  switch (mode) {
    case RunMode::kBootStraps:
      label4_->setText(tr("Bootstrap %"));
      field2_->Configure(10, 500, 10, 350);
      break;
    case RunMode::kNoise:
      label4_->setText(tr("Noise %"));
      field2_->Configure(10, 1000, 10, 100);
      break;
    case RunMode::kRandomResampling:
      label4_->setText(tr("Number of OTUs"));
      field2_->Configure(10, allOtus, 10, allOtus);
      break;
    default:
      label4_->hide();
      field2_->text()->hide();
      field2_->bar()->hide();
      break;
  }
}

void DisStartForm::Browse() {
  FileDialogRequest request;
  request.title = saveTitle_;
  request.filter = saveFilter_;
  request.initialFolder = QString::fromStdString(context_.data.DataDir);
  request.askOverwrite = false;  // "OK" asks, once, whichever way the path was set
  try {
    const std::optional<FileChoice> choice = context_.services.ChooseSaveFile(this, request);
    if (choice) textFile_->setText(choice->path);
  } catch (const std::exception& failure) {
    ReportFailure(failure.what());
  }
}

void DisStartForm::UsePhylipInfile() {
  textFile_->setText(PhylipInfile(QString::fromStdString(context_.state.PhylipDir)));
}

void DisStartForm::Confirm() {
  // The runs read the stored values, so a number still being typed is settled first.
  if (!field1_->text()->isHidden()) field1_->Settle();
  if (!field2_->text()->isHidden()) field2_->Settle();
  if (!MayWriteOutput()) return;
  RunByTitle();
  accept();
}

bool DisStartForm::MayWriteOutput() {
  const QString path = textFile_->text();
  if (!OutputExists(path)) return true;
  return context_.services.AskYesNo(this, QStringLiteral("Marbleset"),
                                    path + QStringLiteral(" already exists. Overwrite?"));
}

void DisStartForm::RunByTitle() {
  const QString title = windowTitle();
  const QString text = textFile_->text();
  // A file name ends at a NUL character: the run would write to a different file than the one
  // shown, without the overwrite question. No file system accepts such a name.
  if (text.contains(QChar(0))) {
    ReportFailure(
        FileProblem(QString(text).replace(QChar(0), QChar(u'?')).toStdString(), EINVAL).c_str());
    return;
  }
  const std::string path = QFile::encodeName(text).toStdString();
  DataSet& data = context_.data;
  UniformSource& source = context_.source;
  const int16_t count = field1_->Value();
  const int16_t second = field2_->Value();
  if (title == kDistancesTitle) {
    RunDistances(path);
  } else if (title == kGenStrapsTitle) {
    RunWithProgress([&] { GenerateGenStraps(data, source, count, path, progress_); });
  } else if (title == kResamplingTitle) {
    RunWithProgress([&] { GenerateResamplings(data, source, count, second, path, progress_); });
  } else if (title == kMissStrapsTitle) {
    RunWithProgress([&] { GenerateMissStraps(data, source, count, path, progress_); });
  } else if (title == kNoiseTitle) {
    RunWithProgress([&] { GenerateNoise(data, source, count, second, path, progress_); });
  } else if (title == kBootStrapsTitle) {
    RunWithProgress([&] { GenerateBootStraps(data, source, count, second, path, progress_); });
  } else if (title == kPermutationsTitle) {
    RunWithProgress([&] { GeneratePermutations(data, source, count, path, progress_); });
  }
}

void DisStartForm::RunDistances(const std::string& path) {
  DistanceSettings settings;
  settings.coefficient = combo1_->currentIndex();
  settings.policy = combo2_->currentIndex();
  settings.distances = optionDis_->isChecked();
  settings.averaging = checkAverage_->isChecked();
  DataSet& data = context_.data;
  if (data.MultiSet != 0) {
    RunWithProgress([&] { DistanceRunMulti(data, settings, path, progress_); });
    return;
  }
  // One data set always gives its matrix; the averaging box is not offered for it.
  settings.averaging = false;
  try {
    const BusyPointer busy;
    DistanceRunSingle(data, settings, path);
  } catch (const std::exception& failure) {
    ReportFailure(failure.what());
  }
}

template <typename Run>
void DisStartForm::RunWithProgress(Run&& run) {
  try {
    run();
  } catch (const std::exception& failure) {
    progress_.Unload();
    ReportFailure(failure.what());
    return;
  }
  progress_.Unload();
}

void DisStartForm::ReportFailure(const char* what) {
  context_.services.ShowMessage(this, kWriteErrorTitle, QString::fromLocal8Bit(what));
}

}  // namespace marbleset::shell
