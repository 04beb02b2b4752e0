#include "shell/data_window.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/data_text_view.h"
#include "shell/matrix_picture_panel.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

DataWindow::DataWindow(QWidget* parent) : QWidget(parent) {
  setObjectName("dataWindow");
  setWindowTitle("Binary data");
  textView_ = new DataTextView(this);
  textView_->setObjectName("dataTextView");
  picture_ = new MatrixPicturePanel(this);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("dataTabs");
  tabs_->setDocumentMode(true);
  tabs_->addTab(textView_, "Text");
  tabs_->addTab(picture_, "Picture");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
}

void DataWindow::ShowData(const marbleset::DataSet& data) {
  if (data.multiSet) {
    QStringList lines = {"Multiple datasets", ""};
    for (const std::string& name : data.otuNames) {
      lines << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    textView_->ShowLines(lines);
  } else {
    textView_->ShowFile(FromStd(data.fileName));
  }
  picture_->ShowData(data);
  show();
}

void DataWindow::Clear() {
  textView_->Clear();
  picture_->Clear();
}

QString DataWindow::Text() const {
  return textView_->Text();
}

}  // namespace marbleset::shell
