// Outputs replace their target only when complete, keep its mode, go through links and leave
// devices alone.
#include "dataset/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

// A fresh folder for one test, removed afterwards.
struct Scratch : ScratchFolder {
  // The names in the folder that look like an output's temporary.
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(path)) {
      const std::string name = entry.path().filename().string();
      if (name.find(".marbleset-") != std::string::npos) found.push_back(name);
    }
    return found;
  }
};

// One whole output of the given text.
void Save(const std::string& target, const std::string& text) {
  OutputFile file(target);
  file.sink().Append(text);
  file.Close();
}

TEST(OutputFile, CloseReplacesTheTargetOnlyWhenCompleteAndKeepsItsMode) {
  const Scratch scratch;
  const std::string target = scratch / "out.phy";
  PutFile(target, "old bytes");
  chmod(target.c_str(), 0640);
  {
    OutputFile file(target);
    file.sink().Append(std::string(200000, 'x'));
    file.sink().Flush();
    // Written so far goes to the temporary beside the target, named after it.
    EXPECT_EQ(FileBytes(target), "old bytes");
    const auto temporaries = scratch.Temporaries();
    ASSERT_EQ(temporaries.size(), 1u);
    EXPECT_EQ(temporaries[0].rfind(".out.phy.marbleset-", 0), 0u) << temporaries[0];
    EXPECT_EQ(temporaries[0].size(), std::string(".out.phy.marbleset-XXXXXX").size());
    file.Close();
  }
  EXPECT_EQ(FileBytes(target), std::string(200000, 'x'));
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_TRUE(scratch.Temporaries().empty());
  // A new file is created with the usual mode (0666 less the umask).
  const mode_t mask = umask(022);
  Save(scratch / "new.phy", "new");
  umask(mask);
  ASSERT_EQ(stat((scratch / "new.phy").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(OutputFile, AFailedCommandKeepWrittenAndDiscardDecideWhatReachesTheTarget) {
  const Scratch scratch;
  const std::string target = scratch / "dist.txt";
  PutFile(target, "older run");
  // A failure of the command itself between writes: the output is abandoned unwritten.
  try {
    OutputFile file(target);
    file.sink().Append("half a data set");
    throw Failure("data set 2 could not be read");
  } catch (const Failure&) {
  }
  EXPECT_EQ(FileBytes(target), "older run");
  {
    OutputFile file(target);
    file.sink().Append("matrix 1\r\n");
    file.KeepWritten();  // data set 2 failed: the first matrix stays, the failure is reported
    file.Close();        // in place already: nothing more happens
  }
  EXPECT_EQ(FileBytes(target), "matrix 1\r\n");
  {
    OutputFile file(target);
    file.sink().Append("cancelled run");
    file.Discard();
    EXPECT_TRUE(file.temporaryPath().empty());
    EXPECT_THROW(file.Close(), WriteFailure);  // a discarded output never reaches the target
  }
  EXPECT_EQ(FileBytes(target), "matrix 1\r\n");
  EXPECT_TRUE(scratch.Temporaries().empty());
}

TEST(OutputFile, LinksDevicesFoldersAndBadNames) {
  const Scratch scratch;
  const std::string real = scratch / "real.phy", link = scratch / "link.phy";
  PutFile(real, "old");
  fs::create_symlink("real.phy", link);
  Save(link, "through the link");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(FileBytes(real), "through the link");
  // A dangling link: the file it names is created.
  fs::create_symlink("later.phy", scratch / "dangling.phy");
  Save(scratch / "dangling.phy", "now");
  EXPECT_EQ(FileBytes(scratch / "later.phy"), "now");
  // /dev/null stays a device.
  Save("/dev/null", "nothing");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_THROW(OutputFile(scratch.path.string()), WriteFailure);
  const std::string cut = scratch / "name";
  EXPECT_THROW(OutputFile(cut + std::string(1, '\0') + "cut"), WriteFailure);
  EXPECT_FALSE(fs::exists(cut)) << "a name cut at its NUL byte";
  try {
    OutputFile file(scratch / "missing/out.phy");
    ADD_FAILURE() << "a missing folder must fail";
  } catch (const WriteFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), scratch / "missing/out.phy: No such file or directory");
  }
  EXPECT_TRUE(scratch.Temporaries().empty());
}

}  // namespace
}  // namespace marbleset
