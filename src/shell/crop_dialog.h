// The crop dialog: the four screening counts of the loaded binary data and the four removals
// behind check boxes. The counts are taken when the dialog opens; OK removes what is checked,
// provided the data is still the data the dialog was opened on.
#pragma once

#include <QDialog>

#include "editing/screening.h"
#include "shell/data_stamp.h"

class QCheckBox;
class QPlainTextEdit;

namespace marbleset::shell {

struct ShellContext;

class CropDialog : public QDialog {
  Q_OBJECT

 public:
  CropDialog(ShellContext& context, QWidget* parent);

  QString CountsText() const;
  // The removals' check boxes, in their order on screen (0 to 3).
  QCheckBox* RemovalCheck(int index) const { return removalChecks_[index]; }

 signals:
  // The data set has been cropped; the status bar and the data window are to follow.
  void Applied();

 private:
  void Accept();

  ShellContext& context_;
  DataStamp stamp_;
  QPlainTextEdit* countsText_;
  QCheckBox* removalChecks_[4];
};

}  // namespace marbleset::shell
