#include "dataset/fast_number.h"

namespace marbleset {

namespace {

// 10^0 to 10^22 are exact doubles; a mantissa below 2^53 is exact too, so one multiplication
// or division gives the correctly rounded double, the same double NumericValue converts to.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;

bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

}  // namespace

// Aligned to a cache line: where the linker happened to put its digit loops moved the
// quantitative read by a tenth between builds of the same code.
[[gnu::aligned(64)]] FastNumber FastStoredValue(std::string_view piece, float& value) {
  if (piece.empty()) return FastNumber::kNone;
  const char* p = piece.data();
  const char* const end = p + piece.size();
  bool negative = false;
  if (*p == '-' || *p == '+') {
    negative = *p == '-';
    ++p;
  }
  // Up to 19 digits always fit 64 bits; longer mantissas, rare in data, take the general path.
  std::uint64_t mantissa = 0;
  const char* const integerStart = p;
  for (; p != end && IsDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  int digits = static_cast<int>(p - integerStart);
  int fractionDigits = 0;
  if (p != end && *p == '.') {
    const char* const fractionStart = ++p;
    for (; p != end && IsDigit(*p); ++p) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    fractionDigits = static_cast<int>(p - fractionStart);
    digits += fractionDigits;
  }
  if (digits == 0 || digits > 19) return FastNumber::kGeneral;
  int exponent = 0;
  if (p != end) {
    const char mark = *p;
    if (mark != 'E' && mark != 'e' && mark != 'D' && mark != 'd') return FastNumber::kGeneral;
    ++p;
    bool exponentNegative = false;
    if (p != end && (*p == '-' || *p == '+')) {
      exponentNegative = *p == '-';
      ++p;
    }
    const char* const exponentStart = p;
    for (; p != end && IsDigit(*p) && p - exponentStart < 4; ++p)
      exponent = exponent * 10 + (*p - '0');
    if (p != end || p == exponentStart) return FastNumber::kGeneral;
    if (exponentNegative) exponent = -exponent;
  }
  if (mantissa == 0) {
    value = 0.0f;  // NumericValue gives +0 for "-0.0" too
    return FastNumber::kValue;
  }
  const int power = exponent - fractionDigits;
  if (mantissa >= kExactMantissa || power < -22 || power > 22) return FastNumber::kGeneral;
  double number = static_cast<double>(mantissa);
  number = power >= 0 ? number * kPowersOfTen[power] : number / kPowersOfTen[-power];
  value = static_cast<float>(negative ? -number : number);
  return FastNumber::kValue;
}

}  // namespace marbleset
