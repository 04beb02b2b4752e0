// The layout the run dialog and the tree dialog share: their fields above, then OK and Cancel,
// each at the start of its half of a row, the dialog as large as what it holds at any scale; a
// numeric field is its text box with its arrows right beside it.
#pragma once

class QDialog;
class QHBoxLayout;
class QLayout;
class QPushButton;

namespace marbleset::shell {

class NumericField;

void LayOutFieldsAndButtons(QDialog& dialog, QLayout* fields, QPushButton* ok, QPushButton* cancel);

// The text box of a numeric field with its arrows right beside it, the rest of the row empty.
QHBoxLayout* NumericFieldRow(NumericField& field);

}  // namespace marbleset::shell
