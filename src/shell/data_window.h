// The data window: the loaded file's text as it is on disk, or, for a file of several data sets,
// a heading and the names of the first data set. It only shows; nothing typed in it is read
// back. A file of hundreds of megabytes shows at once: the text is read from the file as it is
// scrolled to (DataTextView), never held in memory; it can be selected, copied and searched
// (Ctrl+F opens the find bar below the text). A second tab shows the matrix as a picture
// (MatrixPicturePanel).
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTabWidget;

#include "dataset/data_set.h"

namespace marbleset::shell {

class DataTextView;
class MatrixPicturePanel;
class PlatformServices;

class DataWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DataWindow(QWidget* parent = nullptr);

  // The clipboard, messages and export dialogs of the text and the picture.
  void SetServices(PlatformServices* services);
  // Shows data. Throws ReadFailure when its file cannot be opened.
  void ShowData(const marbleset::DataSet& data);
  // Shows nothing.
  void Clear();
  // Every line shown, each followed by a line feed (tests).
  QString Text() const;
  DataTextView* TextView() const { return textView_; }
  MatrixPicturePanel* Picture() const { return picture_; }
  QTabWidget* Tabs() const { return tabs_; }

  // The find bar: shown with the focus in its field, and a search from it.
  void ShowFindBar();
  void FindAgain(bool forward);
  QString FindStatus() const;

 private:
  QWidget* BuildFindBar();
  void SearchDone(bool found, bool wrapped);

  DataTextView* textView_;
  MatrixPicturePanel* picture_;
  QTabWidget* tabs_;
  QWidget* findBar_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  QLabel* findStatus_ = nullptr;
};

}  // namespace marbleset::shell
