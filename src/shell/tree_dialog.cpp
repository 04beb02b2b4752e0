#include "shell/tree_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>

#include "dataset/command_availability.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "distances/distance_settings.h"
#include "shell/background_run.h"
#include "shell/dialog_layout.h"
#include "shell/numeric_field.h"
#include "shell/progress_window.h"
#include "shell/session_log.h"
#include "shell/shell_context.h"
#include "shell/tree_window.h"
#include "shell/window_placement.h"
#include "trees/cluster_job.h"
#include "trees/cophenetic.h"
#include "trees/support_run.h"

namespace marbleset::shell {

namespace {

const QString kTitle = QStringLiteral("Tree with support");

// The numeric fields hold tenths: the core's bounds, which have at most one decimal, times ten.
int Tenths(double value) {
  return static_cast<int>(std::lround(value * 10));
}

void ConfigureField(NumericField& field, const SettingBounds& bounds) {
  field.Configure(Tenths(bounds.lowest), Tenths(bounds.highest), Tenths(bounds.step),
                  Tenths(bounds.start));
}

template <typename Entry, typename Name>
void FillList(QComboBox* list, std::span<const Entry> entries, Entry selected, Name name) {
  list->clear();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    list->addItem(FromStd(name(entries[i])));
    if (entries[i] == selected) list->setCurrentIndex(static_cast<int>(i));
  }
}

template <typename Entry>
Entry Chosen(const QComboBox* list, std::span<const Entry> entries) {
  return entries[static_cast<std::size_t>(std::max(0, list->currentIndex()))];
}

std::optional<std::uint64_t> SeedOf(const QString& text) {
  const std::string digits = ToStd(text.trimmed());
  std::uint64_t seed = 0;
  const auto [end, problem] = std::from_chars(digits.data(), digits.data() + digits.size(), seed);
  if (digits.empty() || problem != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return seed;
}

}  // namespace

TreeDialog::TreeDialog(ShellContext& context, ProgressWindow& progress, QWidget* parent)
    : QDialog(parent), context_(context), progress_(progress) {
  setObjectName(QStringLiteral("treeDialog"));
  setWindowTitle(kTitle);
  setModal(false);
  BuildControls();
  BuildLayout();
}

TreeDialog::~TreeDialog() = default;

void TreeDialog::BuildControls() {
  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };
  resamplingList_ = named(new QComboBox(this), "resamplingList");
  percentLabel_ = named(new QLabel(QStringLiteral("Bootstrap %"), this), "percentLabel");
  coefficientList_ = named(new QComboBox(this), "coefficientList");
  missingPolicyList_ = named(new QComboBox(this), "missingPolicyList");
  methodList_ = named(new QComboBox(this), "methodList");
  seedEdit_ = named(new QLineEdit(this), "seedEdit");
  // Twenty digits hold every seed; a larger number is refused when OK reads it.
  seedEdit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,20}")), this));
  seedEdit_->setToolTip(
      QStringLiteral("The same seed and settings give the same tree and support"));
  okButton_ = named(new QPushButton(QStringLiteral("OK"), this), "okButton");
  cancelButton_ = named(new QPushButton(QStringLiteral("Cancel"), this), "cancelButton");
  okButton_->setDefault(true);
  exportButton_ = named(new QPushButton(QStringLiteral("Export cluster job..."), this),
                        "exportClusterJobButton");
  exportButton_->setToolTip(
      QStringLiteral("Write a Snakefile and a Slurm array script that compute this run in pieces"));

  auto* countEdit = named(new QLineEdit(this), "replicatesEdit");
  auto* countArrows = named(new QScrollBar(Qt::Vertical, this), "replicatesArrows");
  auto* percentEdit = named(new QLineEdit(this), "percentEdit");
  auto* percentArrows = named(new QScrollBar(Qt::Vertical, this), "percentArrows");
  for (QScrollBar* arrows : {countArrows, percentArrows}) {
    arrows->setFocusPolicy(Qt::StrongFocus);
    arrows->setFixedHeight(countEdit->sizeHint().height());
  }
  const int digits = countEdit->fontMetrics().horizontalAdvance(QStringLiteral("000000.0"));
  countEdit->setFixedWidth(digits);
  percentEdit->setFixedWidth(digits);
  seedEdit_->setMinimumWidth(seedEdit_->fontMetrics().horizontalAdvance(QString(21, u'0')));
  replicatesField_ = std::make_unique<NumericField>(countEdit, countArrows);
  percentField_ = std::make_unique<NumericField>(percentEdit, percentArrows);

  connect(okButton_, &QPushButton::clicked, this, &TreeDialog::Confirm);
  connect(cancelButton_, &QPushButton::clicked, this, &TreeDialog::reject);
  connect(exportButton_, &QPushButton::clicked, this, &TreeDialog::ExportClusterJob);
  connect(resamplingList_, &QComboBox::currentIndexChanged, this, &TreeDialog::ResamplingChanged);
}

void TreeDialog::BuildLayout() {
  auto label = [this](const char* text, const char* name, QWidget* buddy) {
    auto* shown = new QLabel(QString::fromUtf8(text), this);
    shown->setObjectName(QLatin1String(name));
    shown->setBuddy(buddy);
    return shown;
  };
  // Two columns: how the replicates are drawn on the left, how each becomes a tree on the right.
  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->addWidget(label("&Replicates", "replicatesLabel", replicatesField_->Edit()), 0, 0);
  grid->addLayout(NumericFieldRow(*replicatesField_), 1, 0);
  grid->addWidget(label("Re&sampling", "resamplingLabel", resamplingList_), 2, 0);
  grid->addWidget(resamplingList_, 3, 0);
  grid->addWidget(percentLabel_, 4, 0);
  grid->addLayout(NumericFieldRow(*percentField_), 5, 0);
  grid->addWidget(label("S&eed", "seedLabel", seedEdit_), 6, 0);
  grid->addWidget(seedEdit_, 7, 0);
  grid->addWidget(label("&Coefficient", "coefficientLabel", coefficientList_), 0, 1);
  grid->addWidget(coefficientList_, 1, 1);
  grid->addWidget(label("&Missing data value", "missingPolicyLabel", missingPolicyList_), 2, 1);
  grid->addWidget(missingPolicyList_, 3, 1);
  grid->addWidget(label("&Tree method", "methodLabel", methodList_), 4, 1);
  grid->addWidget(methodList_, 5, 1);
  grid->addWidget(exportButton_, 7, 1);
  percentLabel_->setBuddy(percentField_->Edit());

  LayOutFieldsAndButtons(*this, grid, okButton_, cancelButton_);
}

void TreeDialog::Configure() {
  const DataSet& data = context_.data;
  stamp_ = DataStamp::Of(data);
  const TreeSettings defaults = DefaultTreeSettings(data);
  ConfigureField(*replicatesField_, kReplicateBounds);
  ConfigureField(*percentField_, kReplicatePercentBounds);
  FillList(resamplingList_, ResamplingKinds(), defaults.resampling, ResamplingName);
  FillList(methodList_, TreeMethods(), defaults.method, TreeMethodName);
  // The core's own lists for the data's kind, so a position chosen here is the setting the run
  // computes.
  FillList(coefficientList_, CoefficientsFor(data.Kind()), defaults.distance.coefficient,
           CoefficientName);
  FillList(missingPolicyList_, MissingPoliciesFor(data.Kind()), defaults.distance.policy,
           MissingPolicyName);
  seedEdit_->setText(QString::number(defaults.seed));
  ResamplingChanged();
}

void TreeDialog::ResamplingChanged() {
  // Only the bootstrap kind draws a share of the characters; the others draw them all or half.
  const bool percent = Chosen(resamplingList_, ResamplingKinds()) == Resampling::kBootstrap;
  percentLabel_->setEnabled(percent);
  percentField_->Edit()->setEnabled(percent);
  percentField_->Arrows()->setEnabled(percent);
}

TreeSettings TreeDialog::ChosenSettings() const {
  const DataSet& data = context_.data;
  TreeSettings settings = DefaultTreeSettings(data);
  // The fields hold tenths: the replicate count drops its decimal, the percentage keeps it.
  settings.replicates = static_cast<std::size_t>(replicatesField_->Value() / 10);
  settings.resampling = Chosen(resamplingList_, ResamplingKinds());
  settings.percent = percentField_->Value() / 10.0;
  settings.method = Chosen(methodList_, TreeMethods());
  settings.distance.coefficient = Chosen(coefficientList_, CoefficientsFor(data.Kind()));
  settings.distance.policy = Chosen(missingPolicyList_, MissingPoliciesFor(data.Kind()));
  settings.seed = SeedOf(seedEdit_->text()).value_or(settings.seed);
  return settings;
}

std::optional<TreeSettings> TreeDialog::SettledSettings() {
  // The run reads the stored values, so a number still being typed is settled first.
  replicatesField_->Settle();
  if (percentField_->Edit()->isEnabled()) percentField_->Settle();
  if (!SeedOf(seedEdit_->text())) {
    Report(QStringLiteral("The seed must be a whole number from 0 to %1.")
               .arg(std::numeric_limits<std::uint64_t>::max()));
    seedEdit_->setFocus();
    return std::nullopt;
  }
  const TreeSettings settings = ChosenSettings();
  try {
    CheckTreeSettings(settings, context_.data);
  } catch (const std::exception& problem) {
    Report(QString::fromUtf8(problem.what()));
    return std::nullopt;
  }
  return settings;
}

void TreeDialog::Confirm() {
  if (!DataIsAsOpened()) return;
  if (const std::optional<TreeSettings> settings = SettledSettings()) Run(*settings);
}

void TreeDialog::ExportClusterJob() {
  if (!DataIsAsOpened()) return;
  const std::optional<TreeSettings> settings = SettledSettings();
  if (!settings) return;
  const std::filesystem::path data(context_.data.fileName);
  // The job reads the file on the cluster: data cropped since it was read would be computed
  // uncropped there.
  if (context_.data.changedSinceRead) {
    Report(QStringLiteral("The data was cropped after %1 was read, and a cluster job reads the "
                          "file as it is. Save the cropped data, open the saved file and export "
                          "the job from it.")
               .arg(FromStd(data.filename().string())));
    return;
  }
  FileDialogRequest request;
  request.title = QStringLiteral("Export cluster job: Snakefile (slurm-array.sh beside it)");
  request.filter = QStringLiteral("Snakefile (Snakefile);;All files (*)");
  request.initialFolder = FromStd(data.parent_path().string());
  request.initialName = QStringLiteral("Snakefile");
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = context_.services.ChooseSaveFile(this, request);
  if (!choice) return;
  const std::filesystem::path folder =
      std::filesystem::path(choice->path.toStdString()).parent_path();
  const ClusterJobSettings job{data.filename().string(), context_.data.Kind(), *settings, 4, 4};
  try {
    WriteClusterJob(MakeClusterJob(job), folder.string());
  } catch (const std::exception& problem) {
    Report(QString::fromUtf8(problem.what()));
    return;
  }
  Report(QStringLiteral("Snakefile and slurm-array.sh are in %1. Put %2 beside them and run "
                        "\"snakemake --cores 2\", or \"bash slurm-array.sh\" on a Slurm cluster.")
             .arg(FromStd(folder.string()), FromStd(data.filename().string())));
}

bool TreeDialog::DataIsAsOpened() {
  if (DataStamp::Of(context_.data) == stamp_ &&
      IsEnabled(AvailableCommands(context_.data), DataCommand::kTree)) {
    return true;
  }
  context_.services.ShowMessage(this, windowTitle(), kDataChangedText);
  reject();
  return false;
}

void TreeDialog::Run(const TreeSettings& settings) {
  const DataSet& data = context_.data;
  SupportResult result;
  double cophenetic = std::numeric_limits<double>::quiet_NaN();
  // The progress window counts percent only: its "Data set" line would misname replicates.
  const std::exception_ptr failure = RunInBackground(progress_, this, 0, [&](Progress& progress) {
    result = RunSupport(data, settings, progress);
    NoProgress none;
    const DistanceMatrix matrix = ComputeDistanceMatrix(data, settings.distance, none);
    cophenetic = CopheneticCorrelation(result.reference, matrix);
  });
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const RunCancelled&) {
      // The user stopped the run: nothing was made, and the dialog stays for another try.
    } catch (const std::exception& problem) {
      Report(QString::fromUtf8(problem.what()));
    }
    return;
  }
  const std::string failed = FailedReplicatesText(result);
  auto* window =
      new TreeWindow(std::move(result), settings, data.fileName, context_.services, parentWidget());
  window->SetCopheneticCorrelation(cophenetic);
  if (SessionLog* log = context_.session) {
    // The window's exports are the tree command on the data this run read.
    const SessionInput input = log->Commands().Input();
    log->Commands().TreeBuilt(input, settings);
    window->SetSession(
        [log, input, settings](const ShownTree& shown, bool picture, const std::string& path) {
          log->Commands().TreeExported(input, settings, shown, picture, path);
        },
        TreeRunFacts(log->Facts(), settings));
  }
  PlaceWindow(*window, parentWidget() != nullptr ? *parentWidget() : *this);
  window->show();
  window->raise();
  window->activateWindow();
  if (!failed.empty()) Report(FromStd(failed));
  accept();
}

void TreeDialog::Report(const QString& text) {
  context_.services.ShowMessage(this, kTitle, text);
}

}  // namespace marbleset::shell
