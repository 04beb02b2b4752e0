#include "shell/dialog_layout.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace marbleset::shell {

void LayOutFieldsAndButtons(QDialog& dialog, QLayout* fields, QPushButton* ok,
                            QPushButton* cancel) {
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addStretch();
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(fields);
  layout->addSpacing(dialog.fontMetrics().height() / 2);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace marbleset::shell
