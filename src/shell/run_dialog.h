// The run dialog: one non-modal window through which every computation on the loaded data set
// starts. Each of the seven menu commands configures it for one mode; "OK" asks before
// overwriting, runs the mode's computation and closes the dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

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

enum class RunMode {
  kDistances,
  kBootStraps,
  kPermutations,
  kGenStraps,
  kRandomResampling,
  kMissStraps,
  kNoise
};

class DisStartForm : public QDialog {
  Q_OBJECT

 public:
  DisStartForm(ShellContext& context, ProgressWindow& progress, QWidget* parent);
  ~DisStartForm() override;

  // Puts the dialog back in its designed state, then applies the mode: title, visible fields,
  // lists, numeric bounds and the proposed output file. dataFileTitle is the loaded data file's
  // name without its folder, as the status bar shows it. Call before show().
  void Configure(RunMode mode, const QString& dataFileTitle);

 private:
  void BuildControls();
  void PlaceControls();
  void SetTabOrder();
  void ResetToDesign();
  void ConfigureDistances();
  void ConfigureGenerator(RunMode mode);

  void Browse();
  void UsePhylipInfile();
  void Confirm();
  bool MayWriteOutput();
  void RunByTitle();
  void RunDistances(const std::string& path);
  template <typename Run>
  void RunWithProgress(Run&& run);
  void ReportFailure(const char* what);

  ShellContext& context_;
  ProgressWindow& progress_;
  QString saveTitle_;
  QString saveFilter_;

  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* label4_ = nullptr;
  QLineEdit* textFile_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QComboBox* combo1_ = nullptr;
  QComboBox* combo2_ = nullptr;
  QRadioButton* optionDis_ = nullptr;
  QRadioButton* optionSim_ = nullptr;
  QCheckBox* checkAverage_ = nullptr;
  // Owned here rather than by their text boxes, so they are gone before the controls they watch.
  std::unique_ptr<NumericField> field1_;
  std::unique_ptr<NumericField> field2_;
};

}  // namespace marbleset::shell
