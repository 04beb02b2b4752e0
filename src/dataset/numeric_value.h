// Text read as a number, wherever the program reads a number from a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace marbleset {

// The number at the start of text: spaces, tabs and line feeds anywhere are ignored; an optional
// sign, digits, one decimal point and an optional exponent (E or D) are read; reading stops at
// the first character that cannot continue the number; no leading number gives 0. The decimal
// separator is always the full stop. Numbers beyond the range of a double give +-infinity.
double NumericValue(std::string_view text);

// The largest count a file may declare: every whole number up to it is exact in a double, the
// type NumericValue reads into. Memory runs out long before.
inline constexpr double kLargestCount = 9007199254740992.0;  // 2^53

// A count: NumericValue rounded half to even; throws ReadFailure when that is negative or
// beyond kLargestCount.
std::uint64_t CountOf(std::string_view text);

bool ContainsDigit(std::string_view text);
bool ContainsQuestionMark(std::string_view text);

// NumericValue taken one character at a time, so a text that grows character by character (the
// header's fields) can be asked for its value again and again without reading it over each time.
// It keeps at most 40 significant digits, far more than a double holds.
class NumberScanner {
 public:
  void Feed(char c);
  void Feed(std::string_view text) {
    for (char c : text) Feed(c);
  }
  double Value() const;
  void Clear() { *this = NumberScanner(); }

 private:
  enum class Stage : std::uint8_t {
    kStart,
    kSign,
    kMantissa,
    kFraction,
    kExpMark,
    kExpSign,
    kExponent,
    kDone
  };
  static constexpr int kKeptDigits = 40;
  Stage stage_ = Stage::kStart;
  bool negative_ = false;
  bool exponent_negative_ = false;
  int kept_ = 0;  // significant digits kept in digits_
  char digits_[kKeptDigits] = {};
  std::int64_t scale_ = 0;  // power of ten that the kept digits (as an integer) are multiplied by
  std::int64_t exponent_ = 0;  // the written exponent, clamped far beyond any double
};

}  // namespace marbleset
