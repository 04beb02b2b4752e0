// The data window: the loaded file's text as stored on disk, or, for a file of several data
// sets, a heading and the names of the first data set. It only shows; nothing typed in it is
// read back.
#pragma once

#include <QWidget>

#include "dataset/data_set.h"

class QPlainTextEdit;

namespace marbleset::shell {

class DataForm : public QWidget {
  Q_OBJECT

 public:
  // Texts longer than this, or with a line longer than that (in characters), are shown wrapped
  // at the window's width.
  static constexpr qsizetype kLargestUnwrappedText = 4 * 1024 * 1024;
  static constexpr qsizetype kLongestUnwrappedLine = 2000;

  explicit DataForm(QWidget* parent = nullptr);

  // Replaces the whole text from data. Throws ReadFailure when the file cannot be read.
  void ShowData(const marbleset::DataSet& data);
  QString Text() const;
  QPlainTextEdit* TextBox() const { return text_; }

 private:
  QPlainTextEdit* text_;
};

// The text the window shows for data (the file as Latin-1 with line feeds, or the list of names).
QString DataWindowText(const marbleset::DataSet& data);

}  // namespace marbleset::shell
