#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "dataset/item_reader.h"
#include "dataset/numeric_value.h"
#include "dataset/text_sink.h"

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

  ItemReader in = ItemReader::FromText(std::string("ab\0c\xff\n", 6), "nul.phy");
  EXPECT_EQ(in.NextItem(), std::string_view("ab\0c\xff", 5));
  EXPECT_TRUE(in.AtEnd());
  EXPECT_NE(FailureOf([&] { in.NextItem(); }).find("nul.phy"), std::string::npos);
  EXPECT_EQ(FailureOf([] { ItemReader::OpenFile("/nonexistent-folder/m.phy"); }),
            "/nonexistent-folder/m.phy: No such file or directory");
  EXPECT_THROW(ItemReader::OpenFile(std::filesystem::temp_directory_path().string()), ReadFailure);
}

TEST(ItemReader, ReadsAFileAcrossChunksLikeTextInMemory) {
  std::string text;
  for (int n = 0; n < 3000; ++n) {
    text += std::string(static_cast<std::size_t>(n % 700), static_cast<char>('a' + n % 26));
    text += n % 3 == 0 ? "\r\n" : (n % 3 == 1 ? "\n" : ",");
  }
  text += std::string(3 << 20, 'x') + "\r\n";
  while (text.size() % (1 << 20) != (1 << 20) - 1) text += 'y';  // CR LF split between chunks
  text += "\r\nlast";
  const auto path = std::filesystem::temp_directory_path() / "marbleset_chunks.phy";
  std::ofstream(path, std::ios::binary) << text;
  ItemReader file = ItemReader::OpenFile(path.string());
  const Items from_file = AllItems(file);
  std::filesystem::remove(path);
  EXPECT_EQ(file.Position(), text.size());
  EXPECT_EQ(from_file, AllItems(text));
}

TEST(NumericValue, ReadsTheLeadingNumberAndCountsFitSixteenBits) {
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
  EXPECT_EQ(CountOf("2.5"), 2);
  EXPECT_EQ(CountOf("3.5"), 4);
  EXPECT_EQ(CountOf("32767.4"), 32767);
  EXPECT_EQ(CountOf("-32768"), -32768);
  EXPECT_THROW(CountOf("32767.5"), ReadFailure);
  EXPECT_THROW(CountOf("-32769"), ReadFailure);
  EXPECT_NE(FailureOf([] { CountOf("40000"); }).find("40000"), std::string::npos);
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

std::string WriteFailureOf(const std::string& path, std::size_t size) {
  return FailureOf([&] {
    OutputFile file(path);
    file.sink().Append(std::string(size, '0'));
    file.Close();
  });
}

TEST(OutputFile, NamesThePathAndTheReasonWhenItCannotWrite) {
  const std::string missing =
      (std::filesystem::temp_directory_path() / "marbleset-no-such-folder" / "a.txt").string();
  EXPECT_EQ(WriteFailureOf(missing, 0), missing + ": No such file or directory");
  EXPECT_EQ(WriteFailureOf("/dev/full", 100000), "/dev/full: No space left on device");
  const auto nul_stem = std::filesystem::temp_directory_path() / "marbleset-nul";
  EXPECT_NE(WriteFailureOf(nul_stem.string() + std::string(1, '\0') + "b.txt", 0), "no failure");
  EXPECT_FALSE(std::filesystem::exists(nul_stem));
}

}  // namespace
}  // namespace marbleset
