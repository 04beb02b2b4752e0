#include "dataset/text_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "dataset/errors.h"

namespace marbleset {
namespace {

TEST(TextSink, PassesLongAndShortTextThroughInOrder) {
  std::ostringstream out;
  {
    TextSink sink(out);
    sink.Append("head");
    sink.EndLine();
    const std::string big(200000, 'x');  // larger than the buffer
    sink.Append(big);
    char* room = sink.Reserve(3);
    room[0] = 'a';
    room[1] = 'b';
    sink.Commit(2);
    sink.Append('!');
    sink.Flush();
  }
  const std::string text = out.str();
  ASSERT_EQ(text.size(), 4 + 2 + 200000 + 3);
  EXPECT_EQ(text.substr(0, 6), "head\r\n");
  EXPECT_EQ(text.substr(text.size() - 4), "xab!");
}

TEST(OutputFile, NamesThePathAndTheReasonWhenItCannotWrite) {
  const auto missing =
      std::filesystem::temp_directory_path() / "marbleset-no-such-folder" / "a.txt";
  try {
    OutputFile file(missing.string());
    FAIL() << "a file in a missing folder was created";
  } catch (const WriteFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), missing.string() + ": No such file or directory");
  }

  try {
    OutputFile file("/dev/full");
    file.sink().Append(std::string(100000, '0'));
    file.Close();
    FAIL() << "writing to a full disk was reported as success";
  } catch (const WriteFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "/dev/full: No space left on device");
  }

  const std::string with_nul = (std::filesystem::temp_directory_path() / "marbleset-nul").string() +
                               std::string(1, '\0') + "b.txt";
  EXPECT_THROW(OutputFile file(with_nul), WriteFailure);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / "marbleset-nul"));
}

}  // namespace
}  // namespace marbleset
