#include "shell/numeric_field.h"

#include <QEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <cmath>

#include "dataset/numeric_value.h"

namespace marbleset::shell {

std::string TenthsText(int tenths) {
  const int whole = tenths / 10;
  const int tenth = std::abs(tenths % 10);
  std::string text = (tenths < 0 && whole == 0) ? "-0" : std::to_string(whole);
  if (tenth != 0) {
    text += '.';
    text += static_cast<char>('0' + tenth);
  }
  return text;
}

SettledField SettleField(std::string_view text, int stored, int lower, int upper) {
  std::string current(text);
  auto read = [&current] {
    const double v = NumericValue(current);
    return std::isnan(v) ? 0.0 : v;
  };
  if (10 * read() > upper) current = TenthsText(upper);
  if (10 * read() < lower) current = TenthsText(lower);
  // Within the bounds now, so the product fits; nearbyint rounds ties to even.
  const auto settled = static_cast<int>(std::nearbyint(10 * read()));
  if (settled != stored) current = TenthsText(settled);
  return {settled, current};
}

NumericField::NumericField(QLineEdit* edit, QScrollBar* arrows) : edit_(edit), arrows_(arrows) {
  edit_->installEventFilter(this);
  connect(arrows_, &QScrollBar::valueChanged, this, [this] { ShowStored(); });
}

void NumericField::SetVisible(bool visible) {
  edit_->setVisible(visible);
  arrows_->setVisible(visible);
}

void NumericField::Configure(int lower, int upper, int step, int start) {
  arrows_->setRange(-upper, -lower);
  arrows_->setSingleStep(step);
  arrows_->setPageStep(step);
  arrows_->setValue(-start);
  ShowStored();
}

void NumericField::Clear() {
  edit_->clear();
}

int NumericField::Value() const {
  return -arrows_->value();
}

void NumericField::Settle() {
  const int lower = -arrows_->maximum();
  const int upper = -arrows_->minimum();
  const SettledField settled = SettleField(edit_->text().toStdString(), Value(), lower, upper);
  arrows_->setValue(-settled.stored);  // rewrites the text when the value changes
  const QString text = QString::fromStdString(settled.text);
  if (edit_->text() != text) edit_->setText(text);
}

bool NumericField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::FocusOut) Settle();
  return QObject::eventFilter(watched, event);
}

void NumericField::ShowStored() {
  edit_->setText(QString::fromStdString(TenthsText(Value())));
}

}  // namespace marbleset::shell
