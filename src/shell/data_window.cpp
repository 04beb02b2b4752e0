#include "shell/data_window.h"

#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "dataset/errors.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

QFont DataFont() {
  QFont font = QFontDatabase::families().contains("Courier New")
                   ? QFont("Courier New")
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

qsizetype LongestLine(const QString& text) {
  qsizetype longest = 0;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = text.indexOf('\n', start);
    if (end < 0) end = text.size();
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

}  // namespace

QString DataWindowText(const marbleset::DataSet& data) {
  if (data.MultiSet == 1) {
    QString text = "Multiple datasets\n\n";
    for (int i = 1; i <= data.NOtu; ++i) {
      text += QString::fromLatin1(data.OtuName[i]) + '\n';
    }
    return text;
  }
  QFile file(FromStd(data.DataFileName));
  if (!file.open(QIODevice::ReadOnly)) {
    throw marbleset::ReadFailure(data.DataFileName + ": " + ToStd(file.errorString()));
  }
  // Data files are single-byte text; Latin-1 shows every byte as one character. The text box
  // breaks lines at line feeds only, so the carriage returns of CR LF ends are dropped.
  QByteArray bytes = file.readAll();
  bytes.replace("\r\n", "\n");
  return QString::fromLatin1(bytes);
}

DataForm::DataForm(QWidget* parent) : QWidget(parent) {
  setObjectName("DataForm");
  setWindowTitle("Binary data");
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("Textdata");
  text_->setReadOnly(true);
  text_->setUndoRedoEnabled(false);
  text_->setFont(DataFont());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(text_);
}

void DataForm::ShowData(const marbleset::DataSet& data) {
  const QString text = DataWindowText(data);
  // Unwrapped rows keep the columns aligned, but the text box then lays out every line in full
  // to size its horizontal scroll bar, which takes seconds for very long lines or tens of
  // megabytes; wrapped text is laid out only where it is seen. So such files are shown wrapped.
  const bool wrap =
      text.size() > kLargestUnwrappedText || LongestLine(text) > kLongestUnwrappedLine;
  text_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  text_->setPlainText(text);
  show();
}

QString DataForm::Text() const {
  return text_->toPlainText();
}

}  // namespace marbleset::shell
