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

SettledField SettleField(std::string_view text, int16_t stored, int16_t lower, int16_t upper) {
  std::string current(text);
  auto read = [&current] {
    const double v = NumericValue(current);
    return std::isnan(v) ? 0.0 : v;
  };
  if (10 * read() > upper) current = TenthsText(upper);
  if (10 * read() < lower) current = TenthsText(lower);
  // Within the bounds now, so the product fits; nearbyint rounds ties to even.
  const auto settled = static_cast<int16_t>(std::nearbyint(10 * read()));
  if (settled != stored) current = TenthsText(settled);
  return {settled, current};
}

NumericField::NumericField(QLineEdit* text, QScrollBar* bar) : text_(text), bar_(bar) {
  text_->installEventFilter(this);
  connect(bar_, &QScrollBar::valueChanged, this, [this] { ShowStored(); });
}

void NumericField::Configure(int16_t lower, int16_t upper, int16_t step, int16_t start) {
  bar_->setRange(-upper, -lower);
  bar_->setSingleStep(step);
  bar_->setPageStep(step);
  bar_->setValue(-start);
  ShowStored();
}

void NumericField::Clear() {
  text_->clear();
}

int16_t NumericField::Value() const {
  return static_cast<int16_t>(-bar_->value());
}

void NumericField::Settle() {
  const auto lower = static_cast<int16_t>(-bar_->maximum());
  const auto upper = static_cast<int16_t>(-bar_->minimum());
  const SettledField settled = SettleField(text_->text().toStdString(), Value(), lower, upper);
  bar_->setValue(-settled.stored);  // rewrites the text when the value changes
  const QString text = QString::fromStdString(settled.text);
  if (text_->text() != text) text_->setText(text);
}

bool NumericField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::FocusOut) Settle();
  return QObject::eventFilter(watched, event);
}

void NumericField::ShowStored() {
  text_->setText(QString::fromStdString(TenthsText(Value())));
}

}  // namespace marbleset::shell
