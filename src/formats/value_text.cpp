#include "formats/value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace marbleset {

std::optional<float> ParseNumber(std::string_view text, bool decimalComma) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+' || (text.front() == '-' && text.size() == 1)) {
    return std::nullopt;
  }
  std::string swapped;
  if (decimalComma) {
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos && text.find(',', comma + 1) == std::string_view::npos &&
        text.find('.') == std::string_view::npos) {
      swapped.assign(text);
      swapped[comma] = '.';
      text = swapped;
    }
  }
  // from_chars would take "inf" and "nan", which no data file means as a value.
  for (char c : text) {
    const bool allowed =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  float value = 0.0f;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

void AppendShortestFloat(TextSink& out, float value) {
  char* place = out.Reserve(32);
  const auto result = std::to_chars(place, place + 32, value);
  out.Commit(static_cast<std::size_t>(result.ptr - place));
}

void AppendSixDecimals(TextSink& out, double value) {
  char* place = out.Reserve(400);
  auto result = std::to_chars(place, place + 400, value, std::chars_format::fixed, 6);
  std::string_view text(place, static_cast<std::size_t>(result.ptr - place));
  if (text == "-0.000000") {
    // A value that rounds to zero is written as zero, as in the program's distance files.
    std::memmove(place, place + 1, text.size() - 1);
    result.ptr -= 1;
  }
  out.Commit(static_cast<std::size_t>(result.ptr - place));
}

std::string_view TrimBlanks(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace marbleset
