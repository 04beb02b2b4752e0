// The import dialog of delimited tables: before a table is read, it shows the first records
// and the settings the read will use (delimiter, OTUs as rows or columns, first data column,
// further missing codes), with the shape and kind of data they give or the reason they fail.
// Settings the user has not touched are the reader's own guesses and follow the others.
#pragma once

#include <QDialog>
#include <string>

#include "formats/delimited_reader.h"
#include "formats/kind_choice.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace marbleset::shell {

class ImportTableDialog : public QDialog {
  Q_OBJECT

 public:
  // Reads the file once for the preview; throws ReadFailure when it cannot be read. kind is the
  // Open command's, so the preview refuses what the read would refuse.
  ImportTableDialog(const std::string& path, marbleset::KindChoice kind, QWidget* parent);

  // The options the read takes: the user's choices, and the guesses for what is untouched.
  marbleset::DelimitedOptions Options() const;
  const marbleset::DelimitedPreview& Preview() const { return preview_; }

 private:
  void BuildControls();
  void BuildLayout();
  void Refresh();
  void ShowSettings();
  void ShowCells();
  void ShowSummary();

  std::string path_;
  std::string text_;
  marbleset::KindChoice kind_;
  marbleset::DelimitedPreview preview_;
  bool delimiterChosen_ = false;
  bool otusAsChosen_ = false;
  bool firstDataColumnChosen_ = false;

  QLabel* delimiterLabel_ = nullptr;
  QComboBox* delimiterList_ = nullptr;
  QLabel* otusAsLabel_ = nullptr;
  QRadioButton* otusAsRowsOption_ = nullptr;
  QRadioButton* otusAsColumnsOption_ = nullptr;
  QLabel* firstDataColumnLabel_ = nullptr;
  QSpinBox* firstDataColumnBox_ = nullptr;
  QLabel* missingCodesLabel_ = nullptr;
  QLineEdit* missingCodesEdit_ = nullptr;
  QTableWidget* previewTable_ = nullptr;
  QLabel* summaryLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace marbleset::shell
