// The crop dialog: the four screening counts of the loaded binary data and the four removals
// behind check boxes. The counts are taken when the dialog opens; OK removes what is checked.
#pragma once

#include <QDialog>

#include "dataset/data_set.h"
#include "editing/screening.h"

class QCheckBox;
class QPlainTextEdit;

namespace marbleset::shell {

class CropForm : public QDialog {
  Q_OBJECT

 public:
  CropForm(marbleset::DataSet& data, QWidget* parent);

  const marbleset::CropCounts& Counts() const { return counts_; }
  QString CountsText() const;
  QCheckBox* Check(int index) const { return checks_[index]; }

 signals:
  // The data set has been cropped; the status bar and the data window are to follow.
  void Applied();

 private:
  void Accept();

  marbleset::DataSet& data_;
  marbleset::CropCounts counts_;
  QPlainTextEdit* text_;
  QCheckBox* checks_[4];
};

}  // namespace marbleset::shell
