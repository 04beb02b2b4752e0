#include "shell/dialog_layout.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "shell/numeric_field.h"

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

QHBoxLayout* NumericFieldRow(NumericField& field) {
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  row->addWidget(field.Edit());
  row->addWidget(field.Arrows());
  row->addStretch();
  return row;
}

}  // namespace marbleset::shell
