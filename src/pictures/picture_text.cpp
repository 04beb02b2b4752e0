#include "pictures/picture_text.h"

#include <charconv>
#include <cmath>

namespace marbleset::pictures {

std::string FixedText(double value, int decimals) {
  char text[64];
  const double scale = std::pow(10.0, decimals);
  double rounded = std::round(value * scale) / scale;
  if (rounded == 0) rounded = 0;  // no "-0.0"
  const auto result =
      std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

std::string PercentText(double share) {
  return FixedText(share * 100, 1) + " %";
}

std::string CountText(std::size_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ShortText(double value, int digits) {
  char text[64];
  if (value == 0) value = 0;  // no "-0"
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
  return std::string(text, result.ptr);
}

}  // namespace marbleset::pictures
