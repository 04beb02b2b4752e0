#include "dataset/item_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dataset/errors.h"

namespace marbleset {
namespace {

std::vector<std::string> AllItems(ItemReader& in) {
  std::vector<std::string> items;
  while (!in.AtEnd()) items.emplace_back(in.NextItem());
  return items;
}

std::vector<std::string> AllItems(const std::string& text) {
  ItemReader in = ItemReader::FromText(text);
  return AllItems(in);
}

using Items = std::vector<std::string>;

TEST(ItemReader, CutsLinesAtCommasAndLineEndsOfEveryKind) {
  EXPECT_EQ(AllItems("a\r\nb\nc\rd"), (Items{"a", "b", "c", "d"}));
  EXPECT_EQ(AllItems("a\r\n\r\nb\r\n"), (Items{"a", "", "b"})) << "an empty line is an empty item";
  EXPECT_EQ(AllItems("1,2 ,  3\n"), (Items{"1", "2 ", "3"}));
  EXPECT_EQ(AllItems("a,\nb"), (Items{"a", "", "b"})) << "k commas make k + 1 items";
  EXPECT_EQ(AllItems("   Alpha       0110\r\n"), (Items{"Alpha       0110"}));
  EXPECT_EQ(AllItems("Alpha       \r\n"), (Items{"Alpha       "})) << "trailing spaces stay";
  EXPECT_EQ(AllItems("\r\r\n\n"), (Items{"", "", ""})) << "CR, CR LF, LF";
  EXPECT_EQ(AllItems(""), Items{});
}

TEST(ItemReader, ReadsQuotedItemsWithoutTheirQuotes) {
  EXPECT_EQ(AllItems("\"a, b\" tail,c\n\"open\nnext"), (Items{"a, b", "c", "open", "next"}));
  EXPECT_EQ(AllItems("  \"\"\r\n"), (Items{""}));
}

TEST(ItemReader, KeepsAnyBytesInItemsAndFailsPastTheEnd) {
  const std::string with_nul("ab\0c\xff\n", 6);
  ItemReader in = ItemReader::FromText(with_nul, "nul.phy");
  EXPECT_EQ(in.NextItem(), std::string_view("ab\0c\xff", 5));
  EXPECT_TRUE(in.AtEnd());
  EXPECT_EQ(in.Position(), in.Length());
  try {
    in.NextItem();
    FAIL() << "reading past the end must fail";
  } catch (const ReadFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("nul.phy"), std::string::npos);
  }
}

class ItemReaderFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    path_ = std::filesystem::temp_directory_path() /
            ("marbleset_item_reader_" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::ofstream(path_, std::ios::binary) << text;
    return path_.string();
  }
  void TearDown() override {
    if (!path_.empty()) std::filesystem::remove(path_);
  }
  std::filesystem::path path_;
};

TEST_F(ItemReaderFile, ReadsAcrossChunksLikeTextInMemory) {
  // Lines of every length around the chunk size, including a line end split between chunks and
  // one line longer than a chunk, must give the same items from a file as from memory.
  std::string text;
  for (int n = 0; n < 3000; ++n) {
    text += std::string(static_cast<std::size_t>(n % 700), static_cast<char>('a' + n % 26));
    text += n % 3 == 0 ? "\r\n" : (n % 3 == 1 ? "\n" : ",");
  }
  text += std::string(3 << 20, 'x') + "\r\n";
  while (text.size() % (1 << 20) != (1 << 20) - 1) text += 'y';
  text += "\r\nlast";
  ItemReader file = ItemReader::OpenFile(Write(text));
  EXPECT_EQ(file.Length(), text.size());
  const Items from_file = AllItems(file);
  EXPECT_EQ(file.Position(), text.size());
  EXPECT_EQ(from_file, AllItems(text));
  EXPECT_EQ(from_file.back(), "last");
}

TEST_F(ItemReaderFile, NamesThePathAndTheReasonWhenItCannotOpen) {
  const std::string missing = "/nonexistent-folder/markers.phy";
  try {
    ItemReader::OpenFile(missing);
    FAIL();
  } catch (const ReadFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), missing + ": No such file or directory");
  }
  EXPECT_THROW(ItemReader::OpenFile(std::filesystem::temp_directory_path().string()), ReadFailure)
      << "a folder is not a data file";
  ItemReader empty = ItemReader::OpenFile(Write(""));
  EXPECT_TRUE(empty.AtEnd());
}

}  // namespace
}  // namespace marbleset
