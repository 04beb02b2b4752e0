// The run dialog: one non-modal window through which every computation on the loaded data set
// starts. Each of the seven menu commands configures it for one RunMode; "OK" checks that the
// data is still the data the dialog was opened on, asks before overwriting, runs the mode's
// computation on a worker thread (the progress window beside the dialog offers Cancel) and
// closes the dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "dataset/command_availability.h"
#include "distances/distance_settings.h"
#include "shell/data_stamp.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marbleset::shell {

struct ShellContext;
class ProgressWindow;
class NumericField;

// The layouts of a distance file of one data set, in the order of the dialog's list.
enum class DistanceFormat { kPhylip, kNexus, kCsv };

enum class RunMode {
  kDistances,
  kBootStraps,
  kPermutations,
  kGenStraps,
  kRandomResampling,
  kMissStraps,
  kNoise
};

// The menu command that opens the dialog in mode.
marbleset::DataCommand CommandOf(RunMode mode);

class RunDialog : public QDialog {
  Q_OBJECT

 public:
  RunDialog(ShellContext& context, ProgressWindow& progress, QWidget* parent);
  ~RunDialog() override;

  // Applies the mode to the loaded data: title, visible fields, lists, numeric bounds and the
  // proposed output file. dataFileTitle is the loaded data file's name without its folder, as
  // the status bar shows it. Call before show().
  void Configure(RunMode mode, const QString& dataFileTitle);
  RunMode Mode() const { return mode_; }

 signals:
  // A distance run over a single data set has written its matrix to path, computed with
  // settings.
  void SingleMatrixWritten(const marbleset::DistanceSettings& settings, const QString& path);

 private:
  void BuildControls();
  void BuildLayout();
  void SetTabOrder();
  void Reset();
  void ConfigureDistances();
  void ConfigureGenerator();
  void ChangeDistanceFormat();
  void ShowOutputOptions();
  DistanceFormat ChosenDistanceFormat() const;
  bool NamesForPhylipChosen() const;

  void Browse();
  void UsePhylipInfile();
  void Confirm();
  bool DataIsAsOpened();
  bool MayWriteOutput();
  void Run(const std::string& path);
  // Each returns true when the output is complete and in place.
  bool RunDistances(const std::string& path);
  bool RunGenerator(const std::string& path);
  void ReportFailure(const QString& title, const char* what);

  ShellContext& context_;
  ProgressWindow& progress_;
  RunMode mode_ = RunMode::kDistances;
  DataStamp stamp_;
  QString saveTitle_;
  QString saveFilter_;

  QLabel* outputLabel_ = nullptr;
  QLineEdit* outputPathEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* phylipInfileButton_ = nullptr;
  QLabel* coefficientLabel_ = nullptr;
  QComboBox* coefficientList_ = nullptr;
  QRadioButton* distancesOption_ = nullptr;
  QRadioButton* similaritiesOption_ = nullptr;
  QLabel* missingPolicyLabel_ = nullptr;
  QComboBox* missingPolicyList_ = nullptr;
  QLabel* dataSetCountLabel_ = nullptr;
  // "Bootstrap %", "Noise %" or "Number of OTUs": how much of the data a data set draws.
  QLabel* drawSizeLabel_ = nullptr;
  QCheckBox* averagingCheck_ = nullptr;
  // Offered for the distances of one data set: PHYLIP's square, NEXUS or CSV.
  QLabel* distanceFormatLabel_ = nullptr;
  QComboBox* distanceFormatList_ = nullptr;
  // On every PHYLIP output: unique names of 10 characters and their table beside the output.
  QCheckBox* phylipNamesCheck_ = nullptr;
  DistanceFormat shownFormat_ = DistanceFormat::kPhylip;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  // Owned here rather than by their text boxes, so they are gone before the controls they watch.
  std::unique_ptr<NumericField> dataSetCountField_;
  std::unique_ptr<NumericField> drawSizeField_;
};

}  // namespace marbleset::shell
