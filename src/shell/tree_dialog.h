// The dialog of "Tree with support...": what a supported-tree run is asked for (replicates, the
// kind of resampling and its "Bootstrap %", coefficient, missing-data value, tree method and
// seed), with the lists, bounds and defaults of the core. "OK" checks that the data is still
// the data the dialog was opened on, runs the replicates on a worker thread (the progress
// window beside the dialog offers Cancel) and opens a tree window with the result.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>

#include "shell/data_stamp.h"
#include "trees/tree_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marbleset::shell {

struct ShellContext;
class ProgressWindow;
class NumericField;
class TreeWindow;

class TreeDialog : public QDialog {
  Q_OBJECT

 public:
  TreeDialog(ShellContext& context, ProgressWindow& progress, QWidget* parent);
  ~TreeDialog() override;

  // Fills the lists and fields for the loaded data, with the core's defaults. Call before
  // show().
  void Configure();
  // The settings as the fields hold them now (fields being typed in are not settled).
  TreeSettings ChosenSettings() const;

 private:
  void BuildControls();
  void BuildLayout();
  void ResamplingChanged();
  // The settings as the fields hold them, settled and checked; a refusal is shown.
  std::optional<TreeSettings> SettledSettings();
  void Confirm();
  // Asks where the Snakefile goes and writes it and the Slurm array script for these settings.
  void ExportClusterJob();
  bool DataIsAsOpened();
  void Run(const TreeSettings& settings);
  void Report(const QString& text);

  ShellContext& context_;
  ProgressWindow& progress_;
  DataStamp stamp_;

  QComboBox* resamplingList_ = nullptr;
  QLabel* percentLabel_ = nullptr;
  QComboBox* coefficientList_ = nullptr;
  QComboBox* missingPolicyList_ = nullptr;
  QComboBox* methodList_ = nullptr;
  QLineEdit* seedEdit_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  // Owned here rather than by their text boxes, so they are gone before the controls they watch.
  std::unique_ptr<NumericField> replicatesField_;
  std::unique_ptr<NumericField> percentField_;
};

}  // namespace marbleset::shell
