// The crop dialog: the four screening counts of the loaded binary data and the four removals
// behind check boxes. The counts are taken when the dialog opens; OK removes what is checked,
// provided the data is still the data the dialog was opened on. While boxes are ticked, a line
// says how many characters and OTUs they remove together, and RemovalsChanged names them for
// the matrix picture.
#pragma once

#include <QDialog>

#include "editing/screening.h"
#include "pictures/crop_preview.h"
#include "shell/data_stamp.h"

class QCheckBox;
class QLabel;
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
  // "The ticked boxes remove 3 characters and 1 OTU." (empty while none is ticked).
  QString RemovalText() const;

 signals:
  // The data set has been cropped; the status bar and the data window are to follow.
  void Applied();
  // What the ticked boxes would remove, each time a box changes (nothing marked when none is).
  void RemovalsChanged(const marbleset::pictures::CropPreview& preview);

 private:
  void Accept();
  void PreviewRemovals();

  ShellContext& context_;
  DataStamp stamp_;
  QPlainTextEdit* countsText_;
  QCheckBox* removalChecks_[4];
  QLabel* removalText_;
};

}  // namespace marbleset::shell
