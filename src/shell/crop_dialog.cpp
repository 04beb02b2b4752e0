#include "shell/crop_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "dataset/command_availability.h"
#include "shell/busy_pointer.h"
#include "shell/session_log.h"
#include "shell/shell_context.h"

namespace marbleset::shell {

namespace {

constexpr int kCountLines = 4;

}  // namespace

CropDialog::CropDialog(ShellContext& context, QWidget* parent)
    : QDialog(parent), context_(context), stamp_(DataStamp::Of(context.data)) {
  setObjectName("cropDialog");
  setWindowTitle("Crop");

  const marbleset::CropCounts counts = marbleset::CountCropProperties(context_.data);
  countsText_ = new QPlainTextEdit(this);
  countsText_->setObjectName("countsText");
  countsText_->setReadOnly(true);
  countsText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  countsText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  countsText_->setPlainText(
      QString::fromStdString(marbleset::CropCountsText(counts, "\n")).trimmed());
  // Exactly the four lines: the text's own margins and the frame around them.
  const QFontMetrics metrics(countsText_->font());
  const auto margin = static_cast<int>(countsText_->document()->documentMargin());
  countsText_->setFixedHeight(metrics.lineSpacing() * kCountLines + 2 * margin +
                              2 * countsText_->frameWidth());
  countsText_->setMinimumWidth(
      metrics.horizontalAdvance("Number of characters with missing data: 0000000") + 2 * margin +
      2 * countsText_->frameWidth());

  const char* captions[4] = {"Remove monomorphic characters", "Remove uninformative characters",
                             "Remove characters with missing data",
                             "Remove OTUs with missing data"};
  const std::size_t found[4] = {counts.monomorphic, counts.uninformative,
                                counts.charactersWithMissing, counts.otusWithMissing};
  const char* names[4] = {"monomorphicCheck", "uninformativeCheck", "charactersWithMissingCheck",
                          "otusWithMissingCheck"};
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(countsText_);
  for (int i = 0; i < 4; ++i) {
    removalChecks_[i] = new QCheckBox(captions[i], this);
    removalChecks_[i]->setObjectName(names[i]);
    // A removal that would remove nothing is not offered.
    removalChecks_[i]->setEnabled(found[i] >= 1);
    layout->addWidget(removalChecks_[i]);
    connect(removalChecks_[i], &QCheckBox::toggled, this, &CropDialog::PreviewRemovals);
  }
  removalText_ = new QLabel(this);
  removalText_->setObjectName("removalText");
  layout->addWidget(removalText_);

  auto* okButton = new QPushButton("OK", this);
  okButton->setObjectName("okButton");
  okButton->setDefault(true);
  auto* cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("cancelButton");
  connect(okButton, &QPushButton::clicked, this, &CropDialog::Accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CropDialog::RemovalText() const {
  return removalText_->text();
}

void CropDialog::PreviewRemovals() {
  marbleset::CropChoice choice;
  choice.monomorphic = removalChecks_[0]->isChecked();
  choice.uninformative = removalChecks_[1]->isChecked();
  choice.charactersWithMissing = removalChecks_[2]->isChecked();
  choice.otusWithMissing = removalChecks_[3]->isChecked();
  const bool any = choice.monomorphic || choice.uninformative || choice.charactersWithMissing ||
                   choice.otusWithMissing;
  // Only while the data is the data the dialog counted: OK refuses other data anyway.
  if (!any || DataStamp::Of(context_.data) != stamp_) {
    removalText_->clear();
    emit RemovalsChanged({});
    return;
  }
  const BusyPointer busy;
  const marbleset::pictures::CropPreview preview =
      marbleset::pictures::PreviewCrop(context_.data, choice);
  const auto count = [](std::size_t n, const char* one, const char* many) {
    return QString::number(n) + " " + (n == 1 ? one : many);
  };
  removalText_->setText("The ticked boxes remove " +
                        count(preview.characterCount, "character", "characters") + " and " +
                        count(preview.otuCount, "OTU", "OTUs") + ".");
  emit RemovalsChanged(preview);
}

QString CropDialog::CountsText() const {
  return countsText_->toPlainText();
}

void CropDialog::Accept() {
  // The dialog's counts and choices belong to the data it was opened on.
  if (DataStamp::Of(context_.data) != stamp_ ||
      !marbleset::IsEnabled(marbleset::AvailableCommands(context_.data),
                            marbleset::DataCommand::kCrop)) {
    context_.services.ShowMessage(this, windowTitle(), kDataChangedText);
    close();
    return;
  }
  marbleset::CropChoice choice;
  choice.monomorphic = removalChecks_[0]->isChecked();
  choice.uninformative = removalChecks_[1]->isChecked();
  choice.charactersWithMissing = removalChecks_[2]->isChecked();
  choice.otusWithMissing = removalChecks_[3]->isChecked();
  {
    const BusyPointer busy;
    marbleset::ApplyCrop(context_.data, choice);
  }
  if (context_.session != nullptr) context_.session->Commands().Cropped(choice);
  emit Applied();
  close();
}

}  // namespace marbleset::shell
