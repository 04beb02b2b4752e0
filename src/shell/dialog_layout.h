// The layout the run dialog and the tree dialog share: their fields above, then OK and Cancel,
// each at the start of its half of a row, the dialog as large as what it holds at any scale.
#pragma once

class QDialog;
class QLayout;
class QPushButton;

namespace marbleset::shell {

void LayOutFieldsAndButtons(QDialog& dialog, QLayout* fields, QPushButton* ok, QPushButton* cancel);

}  // namespace marbleset::shell
