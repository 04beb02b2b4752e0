#include "shell/import_table_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/settings_store.h"

namespace marbleset::shell {
namespace {

// The previewed records and fields: enough to see the header, the names and the first values.
constexpr std::size_t kPreviewRows = 20;
constexpr std::size_t kPreviewColumns = 20;

struct DelimiterEntry {
  const char* caption;
  char delimiter;
};
constexpr DelimiterEntry kDelimiters[] = {{"Comma", ','}, {"Tab", '\t'}, {"Semicolon", ';'}};

}  // namespace

ImportTableDialog::ImportTableDialog(const std::string& path, marbleset::KindChoice kind,
                                     QWidget* parent)
    : QDialog(parent), path_(path), text_(marbleset::ReadWholeFile(path)), kind_(kind) {
  setObjectName(QStringLiteral("importTableDialog"));
  setWindowTitle(QStringLiteral("Import table"));
  setModal(true);
  BuildControls();
  BuildLayout();
  Refresh();
}

void ImportTableDialog::BuildControls() {
  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };
  delimiterLabel_ = named(new QLabel("Delimiter", this), "delimiterLabel");
  delimiterList_ = named(new QComboBox(this), "delimiterList");
  for (const DelimiterEntry& entry : kDelimiters) {
    delimiterList_->addItem(entry.caption, QVariant::fromValue(static_cast<int>(entry.delimiter)));
  }
  otusAsLabel_ = named(new QLabel("OTUs as", this), "otusAsLabel");
  otusAsRowsOption_ = named(new QRadioButton("Rows", this), "otusAsRowsOption");
  otusAsColumnsOption_ = named(new QRadioButton("Columns", this), "otusAsColumnsOption");
  firstDataColumnLabel_ = named(new QLabel("First data column", this), "firstDataColumnLabel");
  firstDataColumnBox_ = named(new QSpinBox(this), "firstDataColumnBox");
  missingCodesLabel_ = named(new QLabel("Further missing codes (besides NA ? - . and empty)", this),
                             "missingCodesLabel");
  missingCodesEdit_ = named(new QLineEdit(this), "missingCodesEdit");
  missingCodesEdit_->setToolTip("Codes separated by blanks, for example: 9 N/A");
  previewTable_ = named(new QTableWidget(this), "previewTable");
  previewTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  summaryLabel_ = named(new QLabel(this), "summaryLabel");
  summaryLabel_->setWordWrap(true);
  summaryLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  okButton_ = named(new QPushButton("OK", this), "okButton");
  okButton_->setDefault(true);
  cancelButton_ = named(new QPushButton("Cancel", this), "cancelButton");

  connect(delimiterList_, &QComboBox::activated, this, [this] {
    delimiterChosen_ = true;
    // Other delimiters make other columns: the first data column is guessed anew.
    firstDataColumnChosen_ = false;
    Refresh();
  });
  for (QRadioButton* option : {otusAsRowsOption_, otusAsColumnsOption_}) {
    connect(option, &QRadioButton::clicked, this, [this] {
      otusAsChosen_ = true;
      Refresh();
    });
  }
  connect(firstDataColumnBox_, &QSpinBox::valueChanged, this, [this] {
    firstDataColumnChosen_ = true;
    Refresh();
  });
  // The whole table is surveyed for the preview, so codes are taken when the field is left,
  // not at every key.
  connect(missingCodesEdit_, &QLineEdit::editingFinished, this, &ImportTableDialog::Refresh);
  connect(okButton_, &QPushButton::clicked, this, [this] {
    Refresh();
    if (preview_.problem.empty()) accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void ImportTableDialog::BuildLayout() {
  auto* settings = new QGridLayout;
  settings->addWidget(delimiterLabel_, 0, 0);
  settings->addWidget(delimiterList_, 0, 1);
  settings->addWidget(otusAsLabel_, 0, 2);
  auto* orientation = new QHBoxLayout;
  orientation->addWidget(otusAsRowsOption_);
  orientation->addWidget(otusAsColumnsOption_);
  orientation->addStretch();
  settings->addLayout(orientation, 0, 3);
  settings->addWidget(firstDataColumnLabel_, 1, 0);
  settings->addWidget(firstDataColumnBox_, 1, 1);
  settings->addWidget(missingCodesLabel_, 1, 2);
  settings->addWidget(missingCodesEdit_, 1, 3);
  settings->setColumnStretch(3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(settings);
  layout->addWidget(previewTable_, 1);
  layout->addWidget(summaryLabel_);
  layout->addLayout(buttons);
  const QFontMetrics metrics = fontMetrics();
  resize(metrics.averageCharWidth() * 100, metrics.height() * 30);
}

marbleset::DelimitedOptions ImportTableDialog::Options() const {
  marbleset::DelimitedOptions options;
  options.kind = kind_;
  if (delimiterChosen_) {
    options.delimiter = static_cast<char>(delimiterList_->currentData().toInt());
  }
  if (otusAsChosen_) {
    options.otusAs =
        otusAsColumnsOption_->isChecked() ? marbleset::OtusAs::kColumns : marbleset::OtusAs::kRows;
  }
  // The box counts columns from 1, as a spreadsheet does; the reader counts from 0.
  if (firstDataColumnChosen_) {
    options.firstDataColumn = static_cast<std::size_t>(firstDataColumnBox_->value() - 1);
  }
  for (const QString& code : missingCodesEdit_->text().split(' ', Qt::SkipEmptyParts)) {
    options.missingCodes.push_back(ToStd(code));
  }
  return options;
}

void ImportTableDialog::Refresh() {
  preview_ =
      marbleset::PreviewDelimitedText(text_, path_, Options(), kPreviewRows, kPreviewColumns);
  ShowSettings();
  ShowCells();
  ShowSummary();
}

void ImportTableDialog::ShowSettings() {
  // The settings the read will use, the guessed ones included; shown without counting as the
  // user's choice.
  const QSignalBlocker blockList(delimiterList_);
  const QSignalBlocker blockBox(firstDataColumnBox_);
  const int entry = delimiterList_->findData(static_cast<int>(preview_.delimiter));
  if (entry >= 0) delimiterList_->setCurrentIndex(entry);
  const bool columns = preview_.otusAs == marbleset::OtusAs::kColumns;
  otusAsColumnsOption_->setChecked(columns);
  otusAsRowsOption_->setChecked(!columns);
  const int widest = static_cast<int>(std::max<std::size_t>(preview_.columnCount, 2));
  firstDataColumnBox_->setRange(2,
                                std::max(widest, static_cast<int>(preview_.firstDataColumn) + 1));
  firstDataColumnBox_->setValue(static_cast<int>(preview_.firstDataColumn) + 1);
}

void ImportTableDialog::ShowCells() {
  const auto& cells = preview_.cells;
  std::size_t columns = 0;
  for (const auto& record : cells) columns = std::max(columns, record.size());
  previewTable_->clear();
  previewTable_->setRowCount(static_cast<int>(cells.size()));
  previewTable_->setColumnCount(static_cast<int>(columns));
  // Columns between the names and the first data column are skipped by the read: shown grey.
  const QBrush skipped = palette().brush(QPalette::Disabled, QPalette::Text);
  for (std::size_t r = 0; r < cells.size(); ++r) {
    for (std::size_t c = 0; c < cells[r].size(); ++c) {
      auto* item = new QTableWidgetItem(FromStd(cells[r][c]));
      if (c > 0 && c < preview_.firstDataColumn) item->setForeground(skipped);
      previewTable_->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  previewTable_->resizeColumnsToContents();
}

void ImportTableDialog::ShowSummary() {
  if (!preview_.problem.empty()) {
    summaryLabel_->setText(FromStd(preview_.problem));
    return;
  }
  QString text =
      QString("%1 OTUs by %2 characters, %3 data")
          .arg(preview_.otuCount)
          .arg(preview_.charCount)
          .arg(preview_.kind == marbleset::DataKind::kBinary ? "binary" : "quantitative");
  if (preview_.decimalComma) text += ", decimal commas";
  text += '.';
  summaryLabel_->setText(text);
}

}  // namespace marbleset::shell
