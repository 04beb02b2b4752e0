// marbleset-cli's own parsing and quoting: numbers as the help shows them, names that cannot
// steer a terminal.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cli/cli_messages.h"

namespace marbleset::cli {
namespace {

TEST(CliNumbers, WholeNumbersAreDecimalDigitsWithinSixtyFourBits) {
  EXPECT_EQ(ParseWholeNumber("0"), 0u);
  EXPECT_EQ(ParseWholeNumber("007"), 7u);
  EXPECT_EQ(ParseWholeNumber("18446744073709551615"), UINT64_MAX);
  for (const char* refused : {"", "-1", "+1", " 1", "1 ", "0x20", "1e2", "1.0", "1,000",
                              "18446744073709551616", "99999999999999999999", "１"}) {
    EXPECT_FALSE(ParseWholeNumber(refused).has_value()) << refused;
  }
}

TEST(CliNumbers, PercentagesTakeAtMostOneDecimal) {
  EXPECT_EQ(ParseOneDecimal("35"), 35.0);
  EXPECT_EQ(ParseOneDecimal("12.3"), 12.3);  // the double nearest 12.3, as a user means it
  EXPECT_EQ(ParseOneDecimal("0.1"), 0.1);
  for (const char* refused :
       {"10.25", "1e1", "0x10", "nan", "inf", "-5", "+5", ".5", "5.", "", "1.2.3", " 5"}) {
    EXPECT_FALSE(ParseOneDecimal(refused).has_value()) << refused;
  }
}

// Undoes EscapeControls: \xNN back to its byte; everything else stays.
std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text.compare(k, 2, "\\x") == 0 && k + 4 <= text.size()) {
      bytes += static_cast<char>(std::stoi(text.substr(k + 2, 2), nullptr, 16));
      k += 3;
    } else {
      bytes += text[k];
    }
  }
  return bytes;
}

TEST(CliMessages, EscapedTextHoldsNoControlAndReadsBack) {
  EXPECT_EQ(EscapeControls("\xc2\xa0 \xf0\x9f\x8c\xbe"), "\xc2\xa0 \xf0\x9f\x8c\xbe");
  EXPECT_EQ(Quoted("say \"hi\"\\\x1b"), "\"say \\\"hi\\\"\\\\\\x1b\"");

  // Random bytes: the escaped text has no byte below 0x20, no DEL, no lone byte of 0x80 or more
  // outside a complete UTF-8 sequence (checked by decoding), and unescapes to the input (the
  // input holds no backslash, so every backslash is an escape).
  std::mt19937 random(19);
  for (int round = 0; round < 2000; ++round) {
    std::string input;
    const int length = static_cast<int>(random() % 12);
    for (int k = 0; k < length; ++k) {
      char c = static_cast<char>(random() % 256);
      if (c == '\\') c = 'x';
      input += c;
    }
    const std::string shown = EscapeControls(input);
    EXPECT_EQ(Unescape(shown), input);
    for (std::size_t k = 0; k < shown.size();) {
      const auto byte = static_cast<unsigned char>(shown[k]);
      ASSERT_FALSE(byte < 0x20 || byte == 0x7f) << shown;
      if (byte < 0x80) {
        ++k;
        continue;
      }
      // A complete sequence of 2 to 4 bytes whose code point is U+00A0 or more and no surrogate.
      const int length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 0;
      ASSERT_GT(length, 0) << shown;
      ASSERT_LE(k + length, shown.size()) << shown;
      std::uint32_t point = byte & (0x7f >> length);
      for (int n = 1; n < length; ++n) {
        const auto next = static_cast<unsigned char>(shown[k + n]);
        ASSERT_EQ(next & 0xc0, 0x80) << shown;
        point = (point << 6) | (next & 0x3f);
      }
      const std::uint32_t least[] = {0, 0, 0xa0, 0x800, 0x10000};
      EXPECT_GE(point, least[length]) << shown;
      EXPECT_LE(point, 0x10ffffu) << shown;
      EXPECT_FALSE(point >= 0xd800 && point <= 0xdfff) << shown;
      k += length;
    }
  }
}

}  // namespace
}  // namespace marbleset::cli
