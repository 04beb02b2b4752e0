// Text read as a number, wherever the program reads a number from a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace marbleset {

// The number at the start of text: spaces, tabs and line feeds anywhere are ignored; an optional
// sign, digits, one decimal point and an optional exponent (E or D) are read; reading stops at
// the first character that cannot continue the number; no leading number gives 0. The decimal
// separator is always the full stop.
double NumericValue(std::string_view text);

// A count: NumericValue rounded half to even; throws ReadFailure when it does not fit 16 bits.
int16_t CountOf(std::string_view text);

bool ContainsDigit(std::string_view text);
bool ContainsQuestionMark(std::string_view text);

}  // namespace marbleset
