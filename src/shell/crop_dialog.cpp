#include "shell/crop_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace marbleset::shell {

CropForm::CropForm(marbleset::DataSet& data, QWidget* parent)
    : QDialog(parent), data_(data), counts_(marbleset::CountCropProperties(data)) {
  setObjectName("CropForm");
  setWindowTitle("Crop");

  text_ = new QPlainTextEdit(this);
  text_->setObjectName("TextDataProp");
  text_->setReadOnly(true);
  text_->setPlainText(QString::fromStdString(marbleset::CropCountsText(counts_)).remove('\r'));
  const QFontMetrics metrics(text_->font());
  text_->setFixedHeight(metrics.lineSpacing() * 5 + 2 * text_->frameWidth());
  text_->setMinimumWidth(metrics.horizontalAdvance("Number of characters with missing data: 0000") +
                         metrics.averageCharWidth() * 4);

  const char* captions[4] = {"Remove monomorphic characters", "Remove uninformative characters",
                             "Remove characters with missing data",
                             "Remove OTUs with missing data"};
  const int counts[4] = {counts_.NMonomorphic, counts_.NUninformative, counts_.NCharMissing,
                         counts_.NOtuMissing};
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  for (int i = 0; i < 4; ++i) {
    checks_[i] = new QCheckBox(captions[i], this);
    checks_[i]->setObjectName(QString("Check%1").arg(i));
    checks_[i]->setChecked(false);
    // A removal that would remove nothing is not offered.
    checks_[i]->setEnabled(counts[i] >= 1);
    layout->addWidget(checks_[i]);
  }

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Command2");
  connect(ok, &QPushButton::clicked, this, &CropForm::Accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CropForm::CountsText() const {
  return text_->toPlainText();
}

void CropForm::Accept() {
  marbleset::CropChoice choice;
  choice.monomorphic = checks_[0]->isChecked();
  choice.uninformative = checks_[1]->isChecked();
  choice.characters_with_missing = checks_[2]->isChecked();
  choice.otus_with_missing = checks_[3]->isChecked();
  marbleset::ApplyCrop(data_, choice);
  emit Applied();
  close();
}

}  // namespace marbleset::shell
