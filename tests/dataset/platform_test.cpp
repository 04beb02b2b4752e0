// The system services under output files, checked through the standard library's own view of
// the folder: they run on Linux and, cross-built, under wine on Windows.
#include "dataset/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "dataset/output_file.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

// The folder's entries as UTF-8 names, as the file system keeps them.
std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  return names;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

void Write(const std::string& path, const std::string& bytes, ExistingTarget existing) {
  OutputFile file(path, existing);
  file.sink().Append(bytes);
  file.Close();
}

TEST(PlatformTest, ReplaceOverExistingFile_TakesNewBytesAndRefusesWhenAsked) {
  const ScratchFolder folder;
  const std::string target = Utf8(folder.path / "infile");
  PutFile(folder.path / "infile", "old\n");
  // Line ends pass unchanged both ways: no CRLF is added or taken away.
  Write(target, "7 3\r\nnew\n", ExistingTarget::kReplace);
  EXPECT_EQ(FileBytes(folder.path / "infile"), "7 3\r\nnew\n");
  EXPECT_EQ(Entries(folder.path), std::vector<std::string>{"infile"});  // no temporary left
  // The move itself (an output refused when asked is the UTF-8 names' test): over an existing file,
  // and refused atomically when asked.
  const std::string moved = Utf8(folder.path / "moved");
  PutFile(folder.path / "moved", "first");
  EXPECT_EQ(platform::MoveIntoPlace(moved, target, true), EEXIST);
  EXPECT_EQ(FileBytes(folder.path / "infile"), "7 3\r\nnew\n");
  EXPECT_EQ(platform::MoveIntoPlace(moved, target, false), 0);
  EXPECT_EQ(FileBytes(folder.path / "infile"), "first");
  EXPECT_FALSE(fs::exists(folder.path / "moved"));
  EXPECT_EQ(platform::MoveIntoPlace(moved, target, false), ENOENT);
}

TEST(PlatformTest, SameFileCheck_SeesOneFileThroughEverySpelling) {
  const ScratchFolder folder;
  fs::create_directory(folder.path / "sub");
  PutFile(folder.path / "data.phy", "2 1\n");
  PutFile(folder.path / "copy.phy", "2 1\n");
  fs::create_hard_link(folder.path / "data.phy", folder.path / "sub" / "link.phy");
  const std::string data = Utf8(folder.path / "data.phy");
  struct Case {
    std::string other;
    bool same;
  };
  std::vector<Case> cases = {
      {data, true},
      {Utf8(folder.path / "sub" / ".." / "data.phy"), true},
      {Utf8(folder.path / "." / "data.phy"), true},
      {Utf8(folder.path / "sub" / "link.phy"), true},
      {Utf8(folder.path / "copy.phy"), false},  // the same bytes in another file
      {Utf8(folder.path / "missing.phy"), false},
      {"", false},
  };
#ifdef _WIN32
  // Both separators, and a name in other letter case: NTFS (and wine) treat them as one.
  std::string slashes = data;
  for (char& c : slashes) c = c == '\\' ? '/' : c;
  cases.push_back({slashes, true});
  cases.push_back({Utf8(folder.path / "DATA.PHY"), true});
#endif
  for (const Case& c : cases) {
    EXPECT_EQ(IsSameFile(data, c.other), c.same) << c.other;
    EXPECT_EQ(IsSameFile(c.other, data), c.same) << c.other;
  }
  EXPECT_THROW(RefuseDataFileAsOutput(Utf8(folder.path / "sub" / "link.phy"), data), WriteFailure);
}

TEST(PlatformTest, Utf8Names_AreWrittenReadAndListedAsThemselves) {
  const ScratchFolder folder;
  // Latin, Greek, Cyrillic, CJK and a letter outside the basic plane (a surrogate pair in
  // UTF-16), as UTF-8 bytes.
  const std::string name = "m\xC3\xA4rker_\xCE\xA9_\xD0\x96_\xE6\xA8\xA3_\xF0\x9F\x8C\xBE.phy";
  const std::string path = Utf8(folder.path) + "/" + name;
  Write(path, "2 1\na 0\nb 1\n", ExistingTarget::kRefuse);
  EXPECT_EQ(Entries(folder.path), std::vector<std::string>{name});
  const std::u8string u8name(name.begin(), name.end());
  EXPECT_EQ(FileBytes(folder.path / u8name), "2 1\na 0\nb 1\n");

  const platform::FileFacts facts = platform::Inspect(path);
  EXPECT_TRUE(facts.exists && facts.regular);
  EXPECT_EQ(facts.size, 12u);
  const int descriptor = platform::OpenToRead(path);
  ASSERT_GE(descriptor, 0);
  char bytes[32];
  EXPECT_EQ(platform::ReadSome(descriptor, bytes, sizeof bytes), 12);
  EXPECT_EQ(platform::CloseFile(descriptor), 0);
  EXPECT_EQ(platform::Utf8Path(platform::FilePath(path)), path);
  EXPECT_TRUE(IsSameFile(path, Utf8(folder.path / u8name)));

  // A second output of that name is refused, and the first keeps its bytes.
  EXPECT_THROW(Write(path, "x", ExistingTarget::kRefuse), OutputExists);
  EXPECT_EQ(FileBytes(folder.path / u8name), "2 1\na 0\nb 1\n");
}

}  // namespace
}  // namespace marbleset
