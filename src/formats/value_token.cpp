// The value token: how every number of a data file is written.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "formats/data_writer.h"

namespace marbleset {

namespace {

constexpr int kSignificantDigits = 7;
// Whole numbers below this are written in full; every one of them reads back exactly.
constexpr float kLargestInFull = 1e10f;
// Below 1E-04 a fixed text would mostly be zeros after the point.
constexpr int kSmallestFixedExponent = -4;

// digits: the 7 significant digits, exponent: the power of ten of the first one.
std::size_t WriteFixed(char* out, const char* digits, int exponent) {
  int used = kSignificantDigits;
  while (used > 0 && digits[used - 1] == '0') --used;
  char* p = out;
  if (exponent >= 0) {
    const int whole = exponent + 1;
    for (int d = 0; d < whole; ++d) *p++ = d < kSignificantDigits ? digits[d] : '0';
    if (used > whole) {
      *p++ = '.';
      for (int d = whole; d < used; ++d) *p++ = digits[d];
    }
  } else {
    // No zero before the point: .25, .0001234568.
    *p++ = '.';
    for (int z = -1; z > exponent; --z) *p++ = '0';
    for (int d = 0; d < used; ++d) *p++ = digits[d];
  }
  return static_cast<std::size_t>(p - out);
}

std::size_t WriteExponent(char* out, const char* digits, int exponent) {
  int used = kSignificantDigits;
  while (used > 1 && digits[used - 1] == '0') --used;
  char* p = out;
  *p++ = digits[0];
  if (used > 1) {
    *p++ = '.';
    for (int d = 1; d < used; ++d) *p++ = digits[d];
  }
  *p++ = 'E';
  *p++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *p++ = '0';
  p = std::to_chars(p, p + 3, magnitude).ptr;
  return static_cast<std::size_t>(p - out);
}

}  // namespace

std::size_t FormatValueToken(char* out, float value) {
  char* p = out;
  *p++ = ' ';
  if (value == 0.0f) {  // also -0, which would otherwise read "-0"
    *p++ = '0';
    return 2;
  }
  if (!std::isfinite(value)) {
    // No reader produces these; written as the standard library spells them.
    return 1 +
           static_cast<std::size_t>(std::to_chars(p, out + kMaxValueTokenLength, value).ptr - p);
  }
  if (std::fabs(value) < kLargestInFull && value == std::trunc(value)) {
    return 1 +
           static_cast<std::size_t>(
               std::to_chars(p, out + kMaxValueTokenLength, static_cast<int64_t>(value)).ptr - p);
  }
  if (value < 0) *p++ = '-';
  // The float rounded once, correctly, to 7 significant digits: "d.ddddddE±x".
  char scientific[32];
  const auto result = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                    std::chars_format::scientific, kSignificantDigits - 1);
  char digits[kSignificantDigits];
  digits[0] = scientific[0];
  std::memcpy(digits + 1, scientific + 2, kSignificantDigits - 1);
  const char* e = static_cast<const char*>(std::memchr(scientific, 'e', result.ptr - scientific));
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, exponent);
  const bool fixed = exponent >= kSmallestFixedExponent && std::fabs(value) < kLargestInFull;
  p += fixed ? WriteFixed(p, digits, exponent) : WriteExponent(p, digits, exponent);
  return static_cast<std::size_t>(p - out);
}

void AppendValueToken(TextSink& out, float value) {
  out.Commit(FormatValueToken(out.Reserve(kMaxValueTokenLength), value));
}

std::string ValueToken(float value) {
  char text[kMaxValueTokenLength];
  return std::string(text, FormatValueToken(text, value));
}

}  // namespace marbleset
