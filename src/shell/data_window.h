// The data window: the loaded file's text as it is on disk, or, for a file of several data sets,
// a heading and the names of the first data set. It only shows; nothing typed in it is read
// back. A file of hundreds of megabytes shows at once: the text is read from the file as it is
// scrolled to (DataTextView), never held in memory. A second tab shows the matrix as a picture
// (MatrixPicturePanel).
#pragma once

#include <QWidget>

class QTabWidget;

#include "dataset/data_set.h"

namespace marbleset::shell {

class DataTextView;
class MatrixPicturePanel;

class DataWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DataWindow(QWidget* parent = nullptr);

  // Shows data. Throws ReadFailure when its file cannot be opened.
  void ShowData(const marbleset::DataSet& data);
  // Shows nothing.
  void Clear();
  // Every line shown, each followed by a line feed (tests).
  QString Text() const;
  DataTextView* TextView() const { return textView_; }
  MatrixPicturePanel* Picture() const { return picture_; }
  QTabWidget* Tabs() const { return tabs_; }

 private:
  DataTextView* textView_;
  MatrixPicturePanel* picture_;
  QTabWidget* tabs_;
};

}  // namespace marbleset::shell
