#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "dataset/fast_number.h"
#include "dataset/numeric_value.h"
#include "dataset/text_sink.h"
#include "formats/item_reader.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

using Items = std::vector<std::string>;

Items AllItems(ItemReader& in) {
  Items items;
  while (!in.AtEnd()) items.emplace_back(in.NextItem());
  return items;
}
Items AllItems(const std::string& text) {
  ItemReader in = ItemReader::FromText(text);
  return AllItems(in);
}

template <typename F>
std::string FailureOf(F action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "no failure";
}

TEST(ItemReader, CutsItemsKeepsAnyBytesAndFailsPastTheEnd) {
  EXPECT_EQ(AllItems("a\r\nb\nc\rd"), (Items{"a", "b", "c", "d"}));
  EXPECT_EQ(AllItems("\r\r\n\n"), (Items{"", "", ""})) << "CR, CR LF, LF";
  EXPECT_EQ(AllItems("1,2 ,  3\na,\nb"), (Items{"1", "2 ", "3", "a", "", "b"}));
  EXPECT_EQ(AllItems("   Alpha       \r\n"), (Items{"Alpha       "})) << "trailing spaces stay";
  EXPECT_EQ(AllItems("\"a, b\" tail,c\n\"open\nnext"), (Items{"a, b", "c", "open", "next"}));
  EXPECT_EQ(AllItems(""), Items{});

  ItemReader in = ItemReader::FromText("ab\x01\xff\n", "odd.phy");
  EXPECT_EQ(in.NextItem(), "ab\x01\xff") << "any byte but NUL";
  EXPECT_TRUE(in.AtEnd());
  EXPECT_NE(FailureOf([&] { in.NextItem(); }).find("odd.phy"), std::string::npos);
  // An item put back comes again, once however often it is put back, the last one too.
  in = ItemReader::FromText("one\ntwo,three\n");
  EXPECT_EQ(in.NextItem(), "one");
  in.PutBack();
  in.PutBack();
  EXPECT_EQ(in.NextItem(), "one");
  EXPECT_EQ(in.NextItem(), "two");
  EXPECT_EQ(in.NextItem(), "three");
  in.PutBack();
  EXPECT_FALSE(in.AtEnd());
  EXPECT_EQ(in.NextItem(), "three");
  EXPECT_TRUE(in.AtEnd());

  EXPECT_EQ(FailureOf([] { ItemReader::FromText(std::string("ab\n\0c", 5), "nul.phy"); }),
            "nul.phy: a NUL byte at byte offset 3; a data file is text and never holds one.");
  EXPECT_EQ(FailureOf([] { ItemReader::OpenFile("/nonexistent-folder/m.phy"); }),
            "/nonexistent-folder/m.phy: No such file or directory");
  EXPECT_THROW(ItemReader::OpenFile(std::filesystem::temp_directory_path().string()), ReadFailure);
}

TEST(ItemReader, ReadsAFileAndAStreamAcrossChunksLikeTextInMemory) {
  std::string text;
  for (int n = 0; n < 3000; ++n) {
    text += std::string(static_cast<std::size_t>(n % 700), static_cast<char>('a' + n % 26));
    text += n % 3 == 0 ? "\r\n" : (n % 3 == 1 ? "\n" : ",");
  }
  text += std::string(3 << 20, 'x') + "\r\n";
  while (text.size() % (1 << 20) != (1 << 20) - 1) text += 'y';  // CR LF split between chunks
  text += "\r\n\"quoted, " + std::string(3 << 20, 'q') + "\" tail\r\n";
  text += std::string(5 << 20, 'z') + ",last";  // a line longer than a chunk, without an end
  const ScratchFolder folder;
  const auto path = folder.path / "chunks.phy";
  PutFile(path, text);
  ItemReader file = ItemReader::OpenFile(path.string());
  const Items fromFile = AllItems(file);
  EXPECT_EQ(file.Position(), text.size());
  EXPECT_EQ(file.Length(), text.size());
  const Items fromText = AllItems(text);
  EXPECT_EQ(fromFile, fromText);
  EXPECT_EQ(fromText.back(), "last");
  EXPECT_EQ(fromText[fromText.size() - 3], "quoted, " + std::string(3 << 20, 'q'));

  std::istringstream stream(text);
  ItemReader fromStream = ItemReader::FromStream(stream, "stream");
  EXPECT_EQ(AllItems(fromStream), fromText);

  // A line beyond the limit fails at its offset, whether it has a line end or not.
  const ReaderLimits small{.longestItem = 1000, .longestSearch = 1 << 20};
  for (const std::string& tail : {std::string("\r\n"), std::string()}) {
    std::istringstream longLine("ok\n" + std::string(3000, 'w') + tail);
    ItemReader limited = ItemReader::FromStream(longLine, "limited", small);
    EXPECT_EQ(limited.NextItem(), "ok");
    EXPECT_EQ(FailureOf([&] { limited.NextItem(); }),
              "limited: the line at byte offset 3 is longer than 1 MiB; no data file holds such "
              "lines.");
  }
  std::istringstream blanks(std::string(5000, ' '));
  ItemReader spaces = ItemReader::FromStream(blanks, "blanks", small);
  EXPECT_NE(FailureOf([&] { spaces.NextItem(); }).find("longer than"), std::string::npos);
}

TEST(NumericValue, ReadsTheLeadingNumberAndCountsAreWholeNumbersFromZero) {
  const std::pair<const char*, double> cases[] = {
      {"5\t1\n 0", 510}, {"10L", 10},    {"-2.5E1", -25},
      {"1.5d-1", 0.15},  {"+.25", 0.25}, {"1.5.3", 1.5},
      {"3E+x", 3},       {"abc", 0},     {"-", 0},
      {"?", 0},          {"0.1", 0.1},   {"123456789012345678", 123456789012345678.0},
      {"1e-400", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(NumericValue(text), value) << text;
  EXPECT_EQ(NumericValue(std::string(100, '1') + "e-99"), NumericValue("1.11111111111111111"));
  EXPECT_EQ(NumericValue("0." + std::string(500, '0') + "1e510"), 1e9);
  EXPECT_TRUE(std::isinf(NumericValue("1e400")));
  EXPECT_EQ(NumericValue(std::string(1 << 20, '0') + "7"), 7.0);
  for (const char* text : {"  3 4", "-2.5E1x", "1e", "12.5e-3 9"}) {
    NumberScanner scanner;
    for (const char* c = text; *c != '\0'; ++c) scanner.Feed(*c);
    EXPECT_EQ(scanner.Value(), NumericValue(text)) << text;
  }
  // Halves go to the even neighbour; no 16-bit or 32-bit ceiling.
  const std::pair<const char*, std::size_t> counts[] = {
      {"2.5", 2},         {"3.5", 4},
      {"32767.5", 32768}, {"4e9", 4'000'000'000},
      {"-0.5", 0},        {"9007199254740992", 9007199254740992}};
  for (const auto& [text, count] : counts) EXPECT_EQ(CountOf(text), count) << text;
  EXPECT_THROW(CountOf("9007199254740994"), ReadFailure);
  EXPECT_EQ(FailureOf([] { CountOf("-2"); }),
            "The count \"-2\" is negative: counts must be whole numbers from 0 to "
            "9007199254740992.");
  EXPECT_NE(FailureOf([] { CountOf("1e400"); }).find("\"1e400\" is too large"), std::string::npos);
}

// A random token of the kinds quantitative files hold, and some they rarely do.
std::string RandomToken(std::mt19937_64& random) {
  auto digits = [&](int count) {
    std::string text;
    for (int n = 0; n < count; ++n) text += static_cast<char>('0' + random() % 10);
    return text;
  };
  std::string token;
  const unsigned sign = random() % 4;
  if (sign == 0) token += '-';
  if (sign == 1 && random() % 4 == 0) token += '+';
  const int width = 1 + static_cast<int>(random() % (random() % 8 == 0 ? 25 : 9));
  const unsigned shape = random() % 8;
  if (shape == 0) {
    token += "." + digits(width);  // leading point
  } else if (shape == 1) {
    token += digits(width);  // integer
  } else if (shape == 2) {
    token += digits(width) + ".";
  } else {
    const int before = static_cast<int>(random() % (width + 1));
    token += digits(before) + "." + digits(width - before);
  }
  if (random() % 3 == 0) {
    token += "EeDd"[random() % 4];
    const unsigned exponentSign = random() % 3;
    if (exponentSign == 1) token += '-';
    if (exponentSign == 2) token += '+';
    token += digits(1 + static_cast<int>(random() % (random() % 10 == 0 ? 4 : 2)));
  }
  if (random() % 50 == 0) token += "x?.e-"[random() % 5];  // glued text: the general path
  return token;
}

TEST(FastNumber, GivesExactlyTheFloatNumericValueGives) {
  std::mt19937_64 random(2024);
  std::size_t fast = 0;
  for (int n = 0; n < 400'000; ++n) {
    const std::string token = RandomToken(random);
    float value = 12345.0f;
    const FastNumber kind = FastStoredValue(token, value);
    if (kind == FastNumber::kGeneral) continue;
    ++fast;
    ASSERT_EQ(kind, FastNumber::kValue) << token;
    const float expected = static_cast<float>(NumericValue(token));
    ASSERT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected))
        << token << ": " << value << " against " << expected;
  }
  EXPECT_GT(fast, 300'000u) << "most tokens take the fast path";
  // Seven significant digits, as the writers write them: every one on the fast path.
  for (std::uint32_t n = 0; n < 200'000; ++n) {
    const auto digits = static_cast<std::uint32_t>(random() % 10'000'000);
    char text[32];
    std::snprintf(text, sizeof text, "%s%u.%04uE-%02u", n % 2 ? "-" : "", digits / 10000,
                  digits % 10000, n % 16);
    float value;
    ASSERT_EQ(FastStoredValue(text, value), FastNumber::kValue) << text;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(value),
              std::bit_cast<std::uint32_t>(static_cast<float>(NumericValue(text))))
        << text;
  }
  float value;
  for (const char* general : {"?", "1?", "1.5.3", "3e", "e5", "--1", "+-1", "1e99999",
                              "12345678901234567890", "1,5", "1 5", ".", "9007199254740993"}) {
    EXPECT_EQ(FastStoredValue(general, value), FastNumber::kGeneral) << general;
  }
  EXPECT_EQ(FastStoredValue("", value), FastNumber::kNone);
}

TEST(TextSink, PassesLongAndShortTextThroughInOrder) {
  std::ostringstream out;
  {
    TextSink sink(out);
    sink.Append("head");
    sink.EndLine();
    sink.Append(std::string(200000, 'x'));  // larger than the buffer
    std::copy_n("ab", 2, sink.Reserve(3));
    sink.Commit(2);
    sink.Append('!');
    sink.Flush();
  }
  EXPECT_EQ(out.str(), "head\r\n" + std::string(200000, 'x') + "ab!");
}

}  // namespace
}  // namespace marbleset
