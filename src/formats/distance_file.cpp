#include "formats/distance_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace marbleset {

namespace {

// Writes digits of value (any number) backwards ending at end; returns the first position.
char* WriteDigitsBackwards(std::uint64_t value, char* end, int minDigits) {
  int written = 0;
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
    ++written;
  } while (value != 0 || written < minDigits);
  return end;
}

std::size_t FormatExactly(double value, char* out) {
  const auto result = std::to_chars(out, out + kMaxValueText, value, std::chars_format::fixed, 6);
  std::size_t length = static_cast<std::size_t>(result.ptr - out);
  if (length > 0 && out[0] == '-' && std::strspn(out + 1, "0.") >= length - 1) {
    std::memmove(out, out + 1, length - 1);
    --length;
  }
  return length;
}

}  // namespace

std::size_t FormatDistanceValue(double value, char* out) {
  // Most values are below a million: scaled by 10^6 they stay below 10^12, where a double
  // still resolves 10^-4, so the rounding to the sixth decimal is decided exactly unless the
  // value lies right at a half; those few, and the large values, go to std::to_chars.
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e6)) return FormatExactly(value, out);
  const double scaled = magnitude * 1e6;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < 1e-3) return FormatExactly(value, out);
  const std::uint64_t units = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  char digits[32];
  char* const end = digits + sizeof digits;
  char* first = WriteDigitsBackwards(units % 1000000, end, 6);
  *--first = '.';
  first = WriteDigitsBackwards(units / 1000000, first, 1);
  if (value < 0 && units != 0) *--first = '-';
  const std::size_t length = static_cast<std::size_t>(end - first);
  std::memcpy(out, first, length);
  return length;
}

std::string DistanceValueText(double value) {
  char text[kMaxValueText];
  return std::string(text, FormatDistanceValue(value, text));
}

void AppendMatrixHeader(TextSink& out, std::size_t otuCount) {
  out.Append(' ');
  out.Append(std::to_string(otuCount));
  out.EndLine();
}

}  // namespace marbleset
