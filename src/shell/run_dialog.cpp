#include "shell/run_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cerrno>
#include <cmath>
#include <exception>
#include <optional>

#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "distances/distance_run.h"
#include "distances/distance_settings.h"
#include "formats/csv_writer.h"
#include "formats/item_reader.h"
#include "formats/nexus_writer.h"
#include "formats/phylip_names.h"
#include "resampling/generator_settings.h"
#include "resampling/generators.h"
#include "shell/background_run.h"
#include "shell/dialog_layout.h"
#include "shell/numeric_field.h"
#include "shell/output_names.h"
#include "shell/phylip_names_output.h"
#include "shell/progress_window.h"
#include "shell/session_log.h"
#include "shell/shell_context.h"

namespace marbleset::shell {
namespace {

const QString kWriteErrorTitle = QStringLiteral("File write error");
const QString kReadErrorTitle = QStringLiteral("File read error");
const QString kPhylipFilter = QStringLiteral("Phylip files (*.phy)");

struct FormatText {
  const char* caption;
  const char* extension;  // of the proposed output, which follows the choice
  const char* filter;
};

FormatText TextOf(DistanceFormat format) {
  switch (format) {
    case DistanceFormat::kNexus:
      return {"NEXUS DISTANCES block", ".nex", "NEXUS files (*.nex)"};
    case DistanceFormat::kCsv:
      return {"CSV square", ".csv", "CSV files (*.csv)"};
    case DistanceFormat::kPhylip:
      break;
  }
  return {"PHYLIP square", ".txt", "Text files (*.txt)"};
}

constexpr DistanceFormat kDistanceFormats[] = {DistanceFormat::kPhylip, DistanceFormat::kNexus,
                                               DistanceFormat::kCsv};

struct ModeText {
  QString title;
  QString saveTitle;
  QString saveFilter;
};

ModeText TextOf(RunMode mode) {
  switch (mode) {
    case RunMode::kDistances:
      return {"Calculate distances", "Save distances as", "Text files (*.txt)"};
    case RunMode::kBootStraps:
      return {"Generate Bootstraps", "Save bootstraps as", kPhylipFilter};
    case RunMode::kPermutations:
      return {"Permutations", "Save permutations as", kPhylipFilter};
    case RunMode::kGenStraps:
      return {"Generate Genstraps", "Save GenStraps as", kPhylipFilter};
    case RunMode::kRandomResampling:
      return {"Generate random resampled sets", "Save data sets as", kPhylipFilter};
    case RunMode::kMissStraps:
      return {"Generate MissStraps", "Save MissStraps as", kPhylipFilter};
    case RunMode::kNoise:
      return {"Generate Noise", "Save noise as", kPhylipFilter};
  }
  return {};
}

marbleset::Generator GeneratorOf(RunMode mode) {
  switch (mode) {
    case RunMode::kPermutations:
      return marbleset::Generator::kPermutations;
    case RunMode::kGenStraps:
      return marbleset::Generator::kGenStraps;
    case RunMode::kRandomResampling:
      return marbleset::Generator::kRandomResampling;
    case RunMode::kMissStraps:
      return marbleset::Generator::kMissStraps;
    case RunMode::kNoise:
      return marbleset::Generator::kNoise;
    default:
      return marbleset::Generator::kBootStraps;
  }
}

// The numeric fields hold tenths: the core's bounds, which have at most one decimal, times ten.
int Tenths(double value) {
  return static_cast<int>(std::lround(value * 10));
}

void ConfigureField(NumericField& field, const marbleset::SettingBounds& bounds) {
  field.Configure(Tenths(bounds.lowest), Tenths(bounds.highest), Tenths(bounds.step),
                  Tenths(bounds.start));
}

// A file the overwrite question is about: something that is there and is not a folder. A path
// the file system cannot examine at all counts as absent; the run then reports why it cannot
// write there.
bool OutputExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

template <typename Entry, typename Name>
void FillList(QComboBox* list, std::span<const Entry> entries, Entry selected, Name name) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    list->addItem(FromStd(name(entries[i])));
    if (entries[i] == selected) list->setCurrentIndex(static_cast<int>(i));
  }
}

}  // namespace

marbleset::DataCommand CommandOf(RunMode mode) {
  switch (mode) {
    case RunMode::kDistances:
      return marbleset::DataCommand::kDistances;
    case RunMode::kBootStraps:
      return marbleset::DataCommand::kBootStraps;
    case RunMode::kPermutations:
      return marbleset::DataCommand::kPermutation;
    case RunMode::kGenStraps:
      return marbleset::DataCommand::kGenstraps;
    case RunMode::kRandomResampling:
      return marbleset::DataCommand::kRandomResampling;
    case RunMode::kMissStraps:
      return marbleset::DataCommand::kMis;
    case RunMode::kNoise:
      return marbleset::DataCommand::kNoise;
  }
  return marbleset::DataCommand::kDistances;
}

RunDialog::RunDialog(ShellContext& context, ProgressWindow& progress, QWidget* parent)
    : QDialog(parent), context_(context), progress_(progress) {
  setObjectName(QStringLiteral("runDialog"));
  setModal(false);
  BuildControls();
  BuildLayout();
  SetTabOrder();
  Reset();
}

RunDialog::~RunDialog() = default;

void RunDialog::BuildControls() {
  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };
  outputLabel_ = named(new QLabel("Output file", this), "outputLabel");
  outputPathEdit_ = named(new QLineEdit(this), "outputPathEdit");
  browseButton_ = named(new QPushButton("Browse", this), "browseButton");
  browseButton_->setToolTip("Change output file");
  phylipInfileButton_ = named(new QPushButton("Phylip infile", this), "phylipInfileButton");
  coefficientLabel_ = named(new QLabel("Coefficient", this), "coefficientLabel");
  coefficientList_ = named(new QComboBox(this), "coefficientList");
  distancesOption_ = named(new QRadioButton("Distances", this), "distancesOption");
  similaritiesOption_ = named(new QRadioButton("Similarities", this), "similaritiesOption");
  missingPolicyLabel_ = named(new QLabel("Missing data value", this), "missingPolicyLabel");
  missingPolicyList_ = named(new QComboBox(this), "missingPolicyList");
  dataSetCountLabel_ = named(new QLabel("Number of datasets", this), "dataSetCountLabel");
  drawSizeLabel_ = named(new QLabel("Percentage", this), "drawSizeLabel");
  averagingCheck_ = named(new QCheckBox("Matrix averaging", this), "averagingCheck");
  distanceFormatLabel_ = named(new QLabel("Distance file format", this), "distanceFormatLabel");
  distanceFormatList_ = named(new QComboBox(this), "distanceFormatList");
  for (DistanceFormat format : kDistanceFormats) {
    distanceFormatList_->addItem(TextOf(format).caption);
  }
  phylipNamesCheck_ =
      named(new QCheckBox("Names for PHYLIP (10 characters)", this), "phylipNamesCheck");
  phylipNamesCheck_->setToolTip(
      "Unique names of at most 10 characters, with a table of the original names beside the "
      "output");
  okButton_ = named(new QPushButton("OK", this), "okButton");
  cancelButton_ = named(new QPushButton("Cancel", this), "cancelButton");

  auto* countEdit = named(new QLineEdit(this), "dataSetCountEdit");
  auto* countArrows = named(new QScrollBar(Qt::Vertical, this), "dataSetCountArrows");
  auto* sizeEdit = named(new QLineEdit(this), "drawSizeEdit");
  auto* sizeArrows = named(new QScrollBar(Qt::Vertical, this), "drawSizeArrows");
  // The arrows take the focus when clicked, so a number being typed is settled before a step.
  for (QScrollBar* arrows : {countArrows, sizeArrows}) {
    arrows->setFocusPolicy(Qt::StrongFocus);
    arrows->setFixedHeight(countEdit->sizeHint().height());
  }
  outputPathEdit_->setMinimumWidth(outputPathEdit_->fontMetrics().averageCharWidth() * 40);
  const int digits = countEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000.0"));
  countEdit->setFixedWidth(digits);
  sizeEdit->setFixedWidth(digits);
  dataSetCountField_ = std::make_unique<NumericField>(countEdit, countArrows);
  drawSizeField_ = std::make_unique<NumericField>(sizeEdit, sizeArrows);

  connect(okButton_, &QPushButton::clicked, this, &RunDialog::Confirm);
  connect(cancelButton_, &QPushButton::clicked, this, &RunDialog::reject);
  connect(browseButton_, &QPushButton::clicked, this, &RunDialog::Browse);
  connect(phylipInfileButton_, &QPushButton::clicked, this, &RunDialog::UsePhylipInfile);
  connect(distanceFormatList_, &QComboBox::currentIndexChanged, this,
          &RunDialog::ChangeDistanceFormat);
}

void RunDialog::BuildLayout() {
  // Two columns of settings with the output buttons in a third; every size comes from the
  // controls' own size hints, so the dialog looks the same at any scale factor.
  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->addWidget(outputLabel_, 0, 0, 1, 2);
  grid->addWidget(outputPathEdit_, 1, 0, 1, 2);
  grid->addWidget(browseButton_, 1, 2);
  grid->addWidget(phylipInfileButton_, 2, 2);
  grid->addWidget(coefficientLabel_, 3, 0);
  grid->addWidget(coefficientList_, 4, 0);
  grid->addWidget(distancesOption_, 4, 1);
  grid->addWidget(similaritiesOption_, 5, 1);
  grid->addWidget(missingPolicyLabel_, 6, 0);
  grid->addWidget(dataSetCountLabel_, 6, 0);
  grid->addWidget(drawSizeLabel_, 6, 1);
  grid->addWidget(missingPolicyList_, 7, 0);
  grid->addLayout(NumericFieldRow(*dataSetCountField_), 7, 0);
  grid->addLayout(NumericFieldRow(*drawSizeField_), 7, 1);
  grid->addWidget(averagingCheck_, 8, 0, 1, 2);
  grid->addWidget(distanceFormatLabel_, 9, 0);
  grid->addWidget(distanceFormatList_, 10, 0);
  grid->addWidget(phylipNamesCheck_, 11, 0, 1, 2);
  grid->setRowMinimumHeight(2, phylipInfileButton_->sizeHint().height());

  LayOutFieldsAndButtons(*this, grid, okButton_, cancelButton_);
}

void RunDialog::SetTabOrder() {
  QWidget* const order[] = {okButton_,
                            cancelButton_,
                            coefficientList_,
                            dataSetCountField_->Edit(),
                            dataSetCountField_->Arrows(),
                            outputPathEdit_,
                            browseButton_,
                            drawSizeField_->Edit(),
                            drawSizeField_->Arrows(),
                            missingPolicyList_,
                            phylipInfileButton_,
                            averagingCheck_,
                            distancesOption_,
                            similaritiesOption_,
                            distanceFormatList_,
                            phylipNamesCheck_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void RunDialog::Reset() {
  setWindowTitle(QString());
  saveTitle_.clear();
  saveFilter_.clear();
  drawSizeLabel_->setText("Percentage");
  outputPathEdit_->clear();
  coefficientList_->clear();
  missingPolicyList_->clear();
  distancesOption_->setChecked(true);
  averagingCheck_->setChecked(false);
  {
    const QSignalBlocker quiet(distanceFormatList_);
    distanceFormatList_->setCurrentIndex(0);
    shownFormat_ = DistanceFormat::kPhylip;
  }
  phylipNamesCheck_->setChecked(false);
  dataSetCountField_->Clear();
  drawSizeField_->Clear();
}

void RunDialog::Configure(RunMode mode, const QString& dataFileTitle) {
  Reset();
  mode_ = mode;
  stamp_ = DataStamp::Of(context_.data);
  const ModeText text = TextOf(mode);
  setWindowTitle(text.title);
  saveTitle_ = text.saveTitle;
  saveFilter_ = text.saveFilter;
  outputPathEdit_->setText(ProposedOutputFile(mode, FromStd(context_.data.folder), dataFileTitle));
  const bool distances = mode == RunMode::kDistances;
  const std::initializer_list<QWidget*> distanceControls = {
      coefficientLabel_,   coefficientList_,    distancesOption_,
      similaritiesOption_, missingPolicyLabel_, missingPolicyList_};
  for (QWidget* control : distanceControls) {
    control->setVisible(distances);
  }
  dataSetCountLabel_->setVisible(!distances);
  dataSetCountField_->SetVisible(!distances);
  if (distances) {
    ConfigureDistances();
  } else {
    ConfigureGenerator();
  }
  ShowOutputOptions();
}

DistanceFormat RunDialog::ChosenDistanceFormat() const {
  // A file of several data sets is read anew by the run, which writes PHYLIP's square only.
  if (mode_ != RunMode::kDistances || context_.data.multiSet) return DistanceFormat::kPhylip;
  const int entry = std::max(0, distanceFormatList_->currentIndex());
  return kDistanceFormats[static_cast<std::size_t>(entry)];
}

bool RunDialog::NamesForPhylipChosen() const {
  // The run over a file of several data sets takes its names from the file itself.
  const bool phylipOutput =
      mode_ != RunMode::kDistances ||
      (!context_.data.multiSet && ChosenDistanceFormat() == DistanceFormat::kPhylip);
  return phylipOutput && phylipNamesCheck_->isChecked();
}

void RunDialog::ShowOutputOptions() {
  const bool distances = mode_ == RunMode::kDistances;
  const bool single = !context_.data.multiSet;
  distanceFormatLabel_->setVisible(distances && single);
  distanceFormatList_->setVisible(distances && single);
  phylipNamesCheck_->setVisible(!distances ||
                                (single && ChosenDistanceFormat() == DistanceFormat::kPhylip));
}

void RunDialog::ChangeDistanceFormat() {
  const DistanceFormat format = ChosenDistanceFormat();
  // The proposed name follows the layout; a name of the user's own with another ending stays.
  const QString before = QLatin1String(TextOf(shownFormat_).extension);
  const QString path = outputPathEdit_->text();
  if (path.endsWith(before)) {
    outputPathEdit_->setText(path.chopped(before.size()) + TextOf(format).extension);
  }
  saveFilter_ = TextOf(format).filter;
  shownFormat_ = format;
  ShowOutputOptions();
}

void RunDialog::ConfigureDistances() {
  drawSizeLabel_->hide();
  drawSizeField_->SetVisible(false);
  averagingCheck_->setVisible(context_.data.multiSet);
  // The core's own lists for the data's kind, so a position chosen here is the setting the run
  // computes.
  const marbleset::DataKind kind = context_.data.Kind();
  const marbleset::DistanceSettings defaults = marbleset::DefaultDistanceSettings(kind);
  FillList(coefficientList_, marbleset::CoefficientsFor(kind), defaults.coefficient,
           marbleset::CoefficientName);
  FillList(missingPolicyList_, marbleset::MissingPoliciesFor(kind), defaults.policy,
           marbleset::MissingPolicyName);
  distancesOption_->setChecked(defaults.distances);
  similaritiesOption_->setChecked(!defaults.distances);
}

void RunDialog::ConfigureGenerator() {
  averagingCheck_->hide();
  ConfigureField(*dataSetCountField_, marbleset::kDataSetCountBounds);
  const char* sizeCaption = nullptr;
  switch (mode_) {
    case RunMode::kBootStraps:
      sizeCaption = "Bootstrap %";
      ConfigureField(*drawSizeField_, marbleset::kBootstrapPercentBounds);
      break;
    case RunMode::kNoise:
      sizeCaption = "Noise %";
      ConfigureField(*drawSizeField_, marbleset::kNoisePercentBounds);
      break;
    case RunMode::kRandomResampling:
      sizeCaption = "Number of OTUs";
      ConfigureField(*drawSizeField_, marbleset::OtuCountBounds(context_.data));
      break;
    default:
      break;
  }
  drawSizeLabel_->setVisible(sizeCaption != nullptr);
  drawSizeField_->SetVisible(sizeCaption != nullptr);
  if (sizeCaption != nullptr) drawSizeLabel_->setText(sizeCaption);
}

void RunDialog::Browse() {
  FileDialogRequest request;
  request.title = saveTitle_;
  request.filter = saveFilter_;
  request.initialFolder = FromStd(context_.data.folder);
  request.askOverwrite = false;  // "OK" asks, once, whichever way the path was set
  try {
    const std::optional<FileChoice> choice = context_.services.ChooseSaveFile(this, request);
    if (choice) outputPathEdit_->setText(choice->path);
  } catch (const std::exception& failure) {
    ReportFailure(kWriteErrorTitle, failure.what());
  }
}

void RunDialog::UsePhylipInfile() {
  outputPathEdit_->setText(PhylipInfile(context_.folders.phylipFolder));
}

void RunDialog::Confirm() {
  if (!DataIsAsOpened()) return;
  // The runs read the stored values, so a number still being typed is settled first.
  if (dataSetCountField_->Edit()->isVisibleTo(this)) dataSetCountField_->Settle();
  if (drawSizeField_->Edit()->isVisibleTo(this)) drawSizeField_->Settle();
  const QString text = outputPathEdit_->text();
  // A file name ends at a NUL character: the run would write to a different file than the one
  // shown. No file system accepts such a name.
  if (text.contains(QChar(0))) {
    const QString shown = QString(text).replace(QChar(0), QChar(u'?'));
    ReportFailure(kWriteErrorTitle, marbleset::FileProblem(ToStd(shown), EINVAL).c_str());
    accept();
    return;
  }
  const std::string path = ToStd(text);
  // The data file is never an output: refused before the overwrite question, since the
  // answer could only lose the data.
  try {
    marbleset::RefuseDataFileAsOutput(path, context_.data.fileName);
    if (NamesForPhylipChosen()) {
      marbleset::RefuseDataFileAsOutput(marbleset::NameTablePath(path), context_.data.fileName);
    }
  } catch (const std::exception& failure) {
    ReportFailure(kWriteErrorTitle, failure.what());
    return;
  }
  if (!MayWriteOutput()) return;
  Run(path);
  accept();
}

bool RunDialog::DataIsAsOpened() {
  if (DataStamp::Of(context_.data) == stamp_ &&
      marbleset::IsEnabled(marbleset::AvailableCommands(context_.data), CommandOf(mode_))) {
    return true;
  }
  context_.services.ShowMessage(this, windowTitle(), kDataChangedText);
  reject();
  return false;
}

bool RunDialog::MayWriteOutput() {
  const QString path = outputPathEdit_->text();
  if (!OutputExists(path)) return true;
  return context_.services.AskYesNo(this, QStringLiteral("Marbleset"),
                                    path + QStringLiteral(" already exists. Overwrite?"));
}

void RunDialog::Run(const std::string& path) {
  // The names are the data set's own again when the run has ended, however it ended.
  std::optional<PhylipNamesOutput> names;
  if (NamesForPhylipChosen()) names.emplace(context_.data, mode_ == RunMode::kGenStraps);
  const bool complete = mode_ == RunMode::kDistances ? RunDistances(path) : RunGenerator(path);
  if (!complete || !names) return;
  try {
    names->WriteTable(path);
  } catch (const std::exception& problem) {
    ReportFailure(kWriteErrorTitle, problem.what());
  }
}

bool RunDialog::RunGenerator(const std::string& path) {
  const marbleset::DataSet& data = context_.data;
  marbleset::GeneratorSettings settings =
      marbleset::DefaultGeneratorSettings(GeneratorOf(mode_), data);
  // The fields hold tenths: the data-set count drops its decimal, a percentage keeps it, and
  // the OTU count is rounded to the nearest whole OTU, a half to the even one (4.5 gives 4).
  settings.dataSets = static_cast<std::size_t>(dataSetCountField_->Value() / 10);
  if (mode_ == RunMode::kBootStraps || mode_ == RunMode::kNoise) {
    settings.percent = drawSizeField_->Value() / 10.0;
  } else if (mode_ == RunMode::kRandomResampling) {
    settings.otus = static_cast<std::size_t>(std::nearbyint(drawSizeField_->Value() / 10.0));
  }
  marbleset::UniformSource& source = context_.source;
  SessionLog* log = context_.session;
  // Where the one source stands now is where the command line's run has to start.
  const std::optional<std::uint64_t> draws =
      log != nullptr ? log->DrawsBefore(source) : std::nullopt;
  const std::exception_ptr failure =
      RunInBackground(progress_, this, settings.dataSets, [&](marbleset::Progress& progress) {
        marbleset::Generate(data, settings, source, path, progress);
        // Counted here, beside the run's own wait, so that the next run starts at once.
        if (log != nullptr) log->DrawsBefore(source);
      });
  if (!failure) {
    if (draws)
      log->Commands().Generated(settings, marbleset::UniformSource::kDefaultSeed, *draws,
                                NamesForPhylipChosen(), path);
    return true;
  }
  try {
    std::rethrow_exception(failure);
  } catch (const marbleset::RunCancelled&) {
    // The user stopped the run; the output was discarded and there is nothing to say.
  } catch (const std::exception& problem) {
    ReportFailure(kWriteErrorTitle, problem.what());
  }
  return false;
}

bool RunDialog::RunDistances(const std::string& path) {
  const marbleset::DataSet& data = context_.data;
  const marbleset::DataKind kind = data.Kind();
  marbleset::DistanceSettings settings;
  settings.coefficient = marbleset::CoefficientsFor(
      kind)[static_cast<std::size_t>(std::max(0, coefficientList_->currentIndex()))];
  settings.policy = marbleset::MissingPoliciesFor(
      kind)[static_cast<std::size_t>(std::max(0, missingPolicyList_->currentIndex()))];
  settings.distances = distancesOption_->isChecked();
  // One data set always gives its matrix; the averaging box is not offered for it.
  settings.averaging = data.multiSet && averagingCheck_->isChecked();
  const DistanceFormat format = ChosenDistanceFormat();
  const std::exception_ptr failure =
      RunInBackground(progress_, this, 0, [&](marbleset::Progress& progress) {
        if (format != DistanceFormat::kPhylip) {
          progress.Start("Calculating distances");
          const marbleset::DistanceMatrix matrix =
              marbleset::ComputeDistanceMatrix(data, settings, progress);
          marbleset::OutputFile file(path);
          if (format == DistanceFormat::kNexus) {
            marbleset::WriteNexusDistances(matrix, file.sink());
          } else {
            marbleset::WriteCsvDistances(matrix, file.sink());
          }
          file.Close();
        } else if (data.multiSet) {
          // The run reads the data file anew into a data set of its own; the loaded one stays
          // as it is.
          marbleset::ItemReader in = marbleset::ItemReader::OpenFile(data.fileName);
          marbleset::DistanceRunMulti(data, settings, in, path, progress);
        } else {
          marbleset::DistanceRunSingle(data, settings, path, progress);
        }
      });
  if (!failure) {
    // One matrix can also be shown as pictures: its heat map and principal coordinates.
    if (context_.session != nullptr) {
      const char* const layouts[] = {"phylip", "nexus", "csv"};
      context_.session->Commands().DistancesWritten(settings, layouts[static_cast<int>(format)],
                                                    NamesForPhylipChosen(), path);
    }
    if (!data.multiSet && !settings.averaging) emit SingleMatrixWritten(settings, FromStd(path));
    return true;
  }
  try {
    std::rethrow_exception(failure);
  } catch (const marbleset::RunCancelled&) {
    // The user stopped the run; the output was discarded and there is nothing to say.
  } catch (const marbleset::IncompleteRunFailure& stopped) {
    ReportFailure(kReadErrorTitle, stopped.what());
  } catch (const std::exception& problem) {
    ReportFailure(kWriteErrorTitle, problem.what());
  }
  return false;
}

void RunDialog::ReportFailure(const QString& title, const char* what) {
  context_.services.ShowMessage(this, title, QString::fromUtf8(what));
}

}  // namespace marbleset::shell
