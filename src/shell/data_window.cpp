#include "shell/data_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "shell/data_text_view.h"
#include "shell/matrix_picture_panel.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

// The find field: Enter looks further on, Shift+Enter back, Escape closes the bar.
class FindEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  std::function<void(bool forward)> find;
  std::function<void()> close;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      find(!(event->modifiers() & Qt::ShiftModifier));
    } else if (event->key() == Qt::Key_Escape) {
      close();
    } else {
      QLineEdit::keyPressEvent(event);
    }
  }
};

}  // namespace

DataWindow::DataWindow(QWidget* parent) : QWidget(parent) {
  setObjectName("dataWindow");
  setWindowTitle("Binary data");
  textView_ = new DataTextView(this);
  textView_->setObjectName("dataTextView");
  textView_->setAccessibleName("Data file text");
  picture_ = new MatrixPicturePanel(this);
  auto* textPage = new QWidget(this);
  auto* textLayout = new QVBoxLayout(textPage);
  textLayout->setContentsMargins(0, 0, 0, 0);
  textLayout->setSpacing(0);
  textLayout->addWidget(textView_, 1);
  textLayout->addWidget(BuildFindBar());
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("dataTabs");
  tabs_->setDocumentMode(true);
  tabs_->addTab(textPage, "Text");
  tabs_->addTab(picture_, "Picture");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  const auto shortcut = [this](QKeySequence::StandardKey key, auto run) {
    auto* keys = new QShortcut(key, this, run);
    keys->setContext(Qt::WidgetWithChildrenShortcut);
  };
  shortcut(QKeySequence::Find, [this] { ShowFindBar(); });
  shortcut(QKeySequence::FindNext, [this] { FindAgain(true); });
  shortcut(QKeySequence::FindPrevious, [this] { FindAgain(false); });
  connect(textView_, &DataTextView::SearchDone, this, &DataWindow::SearchDone);
}

QWidget* DataWindow::BuildFindBar() {
  findBar_ = new QWidget(this);
  findBar_->setObjectName("findBar");
  auto* edit = new FindEdit(findBar_);
  edit->find = [this](bool forward) { FindAgain(forward); };
  edit->close = [this] {
    findBar_->hide();
    textView_->setFocus();
  };
  findEdit_ = edit;
  findEdit_->setObjectName("findEdit");
  findEdit_->setPlaceholderText("Find in the file");
  findEdit_->setClearButtonEnabled(true);
  const auto button = [this](const QString& text, const char* name, auto run) {
    auto* tool = new QToolButton(findBar_);
    tool->setText(text);
    tool->setObjectName(name);
    connect(tool, &QToolButton::clicked, this, run);
    return tool;
  };
  findStatus_ = new QLabel(findBar_);
  findStatus_->setObjectName("findStatus");
  auto* layout = new QHBoxLayout(findBar_);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(new QLabel("Find:", findBar_));
  layout->addWidget(findEdit_, 1);
  layout->addWidget(button("Previous", "findPreviousButton", [this] { FindAgain(false); }));
  layout->addWidget(button("Next", "findNextButton", [this] { FindAgain(true); }));
  layout->addWidget(findStatus_);
  layout->addWidget(button("Close", "findCloseButton", edit->close));
  findBar_->hide();
  return findBar_;
}

void DataWindow::SetServices(PlatformServices* services) {
  textView_->SetServices(services);
  picture_->SetServices(services);
}

void DataWindow::ShowFindBar() {
  tabs_->setCurrentIndex(0);
  findBar_->show();
  findEdit_->setFocus();
  findEdit_->selectAll();
}

void DataWindow::FindAgain(bool forward) {
  if (findEdit_->text().isEmpty()) {
    ShowFindBar();
    return;
  }
  findStatus_->setText("Searching...");
  textView_->Find(findEdit_->text(), forward);
}

void DataWindow::SearchDone(bool found, bool wrapped) {
  if (!found) {
    findStatus_->setText("Not found");
  } else {
    findStatus_->setText(wrapped ? "Went round the file" : QString());
  }
}

QString DataWindow::FindStatus() const {
  return findStatus_->text();
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
  findStatus_->clear();
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
