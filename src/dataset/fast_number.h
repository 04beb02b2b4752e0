// A shortcut for the commonest value tokens of quantitative data ("0.1234567", "-12.5",
// "1.234567E-05"), giving exactly the float that NumericValue followed by the conversion to
// float gives; anything else is left to NumericValue.
#pragma once

#include <cstdint>
#include <string_view>

namespace marbleset {

enum class FastNumber {
  kNone,     // an empty piece: no value
  kValue,    // a plain number, converted
  kGeneral,  // anything else: read it with NumericValue and the piece rules
};

// Reads piece when it is wholly an optional sign, digits with at most one decimal point (at
// least one digit), and an optional exponent (E, e, D or d, an optional sign, 1 to 3 digits),
// with at most 19 digits and a value that one IEEE operation computes exactly
// rounded (mantissa below 2^53, power of ten within +-22).
FastNumber FastStoredValue(std::string_view piece, float& value);

}  // namespace marbleset
