// The run dialog's numeric fields: a text box paired with a vertical scroll bar whose arrows step
// the value. The field holds its value in tenths, the unit of one decimal the user may type; the
// dialog turns tenths into the core's counts and percentages when a run starts, and the runs
// read the stored value, never the text.
#pragma once

#include <QObject>
#include <string>
#include <string_view>

class QLineEdit;
class QScrollBar;

namespace marbleset::shell {

// A stored value in tenths as the field shows it: full stop, no trailing zeros, no decimal
// point for whole numbers (1000 -> "100", 5 -> "0.5", 124 -> "12.4").
std::string TenthsText(int tenths);

struct SettledField {
  int stored;
  std::string text;
};

// What leaving the field does to a text over a stored value with bounds [lower, upper] (tenths):
// a number above the upper bound becomes the upper bound, then one below the lower bound becomes
// the lower bound, and ten times the number, rounded half to even, is stored. The text is
// rewritten only when the stored value changes or a bound was applied, so typing 100.04 over a
// stored 1000 keeps the text the user typed.
SettledField SettleField(std::string_view text, int stored, int lower, int upper);

// Binds a text box to a scroll bar. The scroll bar holds the negated value so that its upper
// arrow (which lowers a Qt scroll bar's value) raises the field's value, and a track click above
// the thumb raises it too.
class NumericField : public QObject {
  Q_OBJECT

 public:
  NumericField(QLineEdit* edit, QScrollBar* arrows);

  // Bounds and step in tenths, and the start value, shown at once.
  void Configure(int lower, int upper, int step, int start);
  // An empty text, as before the dialog is given a mode.
  void Clear();
  int Value() const;
  // The leave-the-field rule, also applied by "OK" before a run reads the value.
  void Settle();

  QLineEdit* Edit() const { return edit_; }
  QScrollBar* Arrows() const { return arrows_; }
  void SetVisible(bool visible);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowStored();

  QLineEdit* edit_;
  QScrollBar* arrows_;
};

}  // namespace marbleset::shell
