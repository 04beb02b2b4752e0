#include "dataset/numeric_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "dataset/errors.h"

namespace marbleset {

namespace {

bool IsIgnored(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsExponentMark(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// Keeps the written exponent far beyond the range of doubles without overflowing.
constexpr std::int64_t kExponentClamp = 1'000'000;

}  // namespace

void NumberScanner::Feed(char c) {
  if (stage_ == Stage::kDone || IsIgnored(c)) return;
  const bool digit = IsDigit(c);
  switch (stage_) {
    case Stage::kStart:
      if (c == '+' || c == '-') {
        negative_ = c == '-';
        stage_ = Stage::kSign;
        return;
      }
      [[fallthrough]];
    case Stage::kSign:
    case Stage::kMantissa:
      if (digit) {
        stage_ = Stage::kMantissa;
        if (kept_ < kKeptDigits) {
          if (kept_ > 0 || c != '0') digits_[kept_++] = c;
        } else {
          ++scale_;  // a digit beyond the kept ones still counts as a power of ten
        }
      } else if (c == '.') {
        stage_ = Stage::kFraction;
      } else if (IsExponentMark(c) && stage_ == Stage::kMantissa) {
        stage_ = Stage::kExpMark;
      } else {
        stage_ = Stage::kDone;
      }
      return;
    case Stage::kFraction:
      if (digit) {
        if (kept_ < kKeptDigits && (kept_ > 0 || c != '0')) {
          digits_[kept_++] = c;
          --scale_;
        } else if (kept_ == 0) {
          --scale_;  // a leading zero after the point
        }
      } else if (IsExponentMark(c)) {
        stage_ = Stage::kExpMark;
      } else {
        stage_ = Stage::kDone;
      }
      return;
    case Stage::kExpMark:
      if (c == '+' || c == '-') {
        exponent_negative_ = c == '-';
        stage_ = Stage::kExpSign;
        return;
      }
      [[fallthrough]];
    case Stage::kExpSign:
    case Stage::kExponent:
      if (digit) {
        stage_ = Stage::kExponent;
        if (exponent_ < kExponentClamp) exponent_ = exponent_ * 10 + (c - '0');
      } else {
        stage_ = Stage::kDone;
      }
      return;
    case Stage::kDone:
      return;
  }
}

double NumberScanner::Value() const {
  if (kept_ == 0) return 0.0;  // also "-", ".", "-0.000"
  const std::int64_t power = scale_ + (exponent_negative_ ? -exponent_ : exponent_);
  // Far outside the range of doubles the answer is known without converting.
  double value;
  if (power + kept_ > 400) {
    value = std::numeric_limits<double>::infinity();
  } else if (power + kept_ < -400) {
    value = 0.0;
  } else {
    char text[kKeptDigits + 24];
    std::copy(digits_, digits_ + kept_, text);
    const int tail =
        std::snprintf(text + kept_, sizeof text - kept_, "e%lld", static_cast<long long>(power));
    const char* end = text + kept_ + tail;
    auto [ptr, ec] = std::from_chars(text, end, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
      value = power > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
  }
  return negative_ ? -value : value;
}

double NumericValue(std::string_view text) {
  NumberScanner scanner;
  for (char c : text) {
    scanner.Feed(c);
  }
  return scanner.Value();
}

std::uint64_t CountOf(std::string_view text) {
  const double value = NumericValue(text);
  // nearbyint rounds in the default mode, to nearest with halves to the even neighbour.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= 0.0 && rounded <= kLargestCount)) {
    const std::size_t first = std::min(text.find_first_not_of(' '), text.size());
    std::string shown(text.substr(first, 40));
    if (text.size() - first > 40) shown += "...";
    throw ReadFailure(ReadProblem::kBadCount, {},
                      "The count \"" + shown + "\" is " +
                          (rounded < 0.0 ? "negative" : "too large") +
                          ": counts must be whole numbers from 0 to " +
                          std::to_string(static_cast<std::uint64_t>(kLargestCount)) + ".");
  }
  return static_cast<std::uint64_t>(rounded);
}

bool ContainsDigit(std::string_view text) {
  for (char c : text) {
    if (IsDigit(c)) return true;
  }
  return false;
}

bool ContainsQuestionMark(std::string_view text) {
  return text.find('?') != std::string_view::npos;
}

}  // namespace marbleset
