// Outputs replace their target only when complete, and the data file is never an output.
#include "dataset/output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "formats/data_writer.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

// "T17": a letter and a number, built without GCC 12's false -Wrestrict warning on
// concatenated temporaries.
std::string NumberedName(char letter, std::size_t number) {
  char text[24];
  std::snprintf(text, sizeof text, "%c%zu", letter, number);
  return text;
}

namespace fs = std::filesystem;

// A fresh folder for one test, removed afterwards.
struct Scratch : ScratchFolder {
  const fs::path& folder() const { return path; }
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

DataSet LargeBinary() {
  DataSet data;
  data.Resize(DataKind::kBinary, 300, 5000, 2.0f);
  for (std::size_t i = 0; i < 300; ++i) {
    data.otuNames[i] = NumberedName('O', i);
    for (std::size_t k = 0; k < 5000; k += 3) data.SetValue(i, k, 1.0f);
  }
  return data;
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
  WritePhylipData(LargeBinary(), scratch / "new.phy");
  umask(mask);
  ASSERT_EQ(stat((scratch / "new.phy").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(OutputFile, AFailedSaveLeavesTheTargetAndTheDataFileAsTheyWereAndNoTemporary) {
  const Scratch scratch;
  const std::string data = scratch / "data.phy", target = scratch / "out.phy";
  PutFile(data, " 1 1\r\nA            1\r\n");
  PutFile(target, "the previous output");
  // A file size limit makes the disk "full" after 100 kB, well inside a 3 MB save.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (bool ntsys : {false, true}) {
    try {
      ntsys ? WriteNtsysData(LargeBinary(), target) : WritePhylipData(LargeBinary(), target);
      ADD_FAILURE() << "a save beyond the size limit must fail";
    } catch (const WriteFailure& failure) {
      EXPECT_EQ(std::string(failure.what()).rfind(target + ": ", 0), 0u) << failure.what();
    }
    EXPECT_EQ(FileBytes(target), "the previous output");
    EXPECT_EQ(FileBytes(data), " 1 1\r\nA            1\r\n");
    EXPECT_TRUE(scratch.Temporaries().empty());
  }
  setrlimit(RLIMIT_FSIZE, &old);
  // A failure of the command itself between writes: the output is abandoned unwritten.
  try {
    OutputFile file(target);
    file.sink().Append("half a data set");
    throw Failure("data set 2 could not be read");
  } catch (const Failure&) {
  }
  EXPECT_EQ(FileBytes(target), "the previous output");
  EXPECT_TRUE(scratch.Temporaries().empty());
  // A device that is full is written directly, and its failure reported.
  EXPECT_THROW(WritePhylipData(LargeBinary(), "/dev/full"), WriteFailure);
}

TEST(OutputFile, KeepWrittenMovesWhatARunWroteIntoPlaceAndDiscardDropsIt) {
  const Scratch scratch;
  const std::string target = scratch / "dist.txt";
  PutFile(target, "older run");
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

TEST(OutputFile, WithoutReplaceAnExistingTargetIsRefusedAtTheMomentOfCreation) {
  const Scratch scratch;
  const std::string target = scratch / "out.phy";
  PutFile(target, "someone's file");
  EXPECT_THROW(OutputFile(target, ExistingTarget::kRefuse), OutputExists);
  fs::remove(target);
  // Two runs create one file at once: the one that finishes second fails, the first one's
  // file stays whole.
  OutputFile first(target, ExistingTarget::kRefuse);
  OutputFile second(target, ExistingTarget::kRefuse);
  first.sink().Append("first");
  second.sink().Append("second");
  first.Close();
  try {
    second.Close();
    ADD_FAILURE() << "the second run must not replace the first one's file";
  } catch (const OutputExists& failure) {
    EXPECT_EQ(std::string(failure.what()), target + ": the file exists.");
  }
  EXPECT_EQ(FileBytes(target), "first");
  EXPECT_TRUE(scratch.Temporaries().empty());
}

TEST(OutputFile, LinksDevicesFoldersAndBadNames) {
  const Scratch scratch;
  const std::string real = scratch / "real.phy", link = scratch / "link.phy";
  PutFile(real, "old");
  fs::create_symlink("real.phy", link);
  {
    OutputFile file(link);
    file.sink().Append("through the link");
    file.Close();
  }
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(FileBytes(real), "through the link");
  // A dangling link: the file it names is created.
  fs::create_symlink("later.phy", scratch / "dangling.phy");
  {
    OutputFile file(scratch / "dangling.phy");
    file.sink().Append("now");
    file.Close();
  }
  EXPECT_EQ(FileBytes(scratch / "later.phy"), "now");
  // /dev/null stays a device.
  {
    OutputFile file("/dev/null");
    file.sink().Append("nothing");
    file.Close();
  }
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_THROW(OutputFile(scratch.folder().string()), WriteFailure);
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

TEST(SameFile, EverySpellingAndLinkOfTheDataFileIsCaught) {
  const Scratch scratch;
  fs::create_directories(scratch.folder() / "d");
  const std::string data = scratch / "d/X";
  PutFile(data, " 1 1\r\nA            1\r\n");
  PutFile(scratch / "d/Y", " 1 1\r\nA            1\r\n");  // the same bytes, another file
  fs::create_symlink("X", scratch / "d/L");
  fs::create_hard_link(data, scratch / "d/H");
  const fs::path before = fs::current_path();
  fs::current_path(scratch.folder() / "d");
  for (const char* spelling : {"X", "./X", "../d/X", "L", "H", ".//X"}) {
    EXPECT_TRUE(IsSameFile(spelling, data)) << spelling;
    try {
      RefuseDataFileAsOutput(spelling, "X");
      ADD_FAILURE() << spelling << " must be refused";
    } catch (const WriteFailure& failure) {
      EXPECT_EQ(std::string(failure.what()),
                std::string(spelling) +
                    ": this is the data file X; choose another file for "
                    "the output.");
    }
  }
  EXPECT_FALSE(IsSameFile("Y", "X"));
  EXPECT_FALSE(IsSameFile("new.phy", "X"));
  EXPECT_NO_THROW(RefuseDataFileAsOutput("Y", "X"));
  fs::current_path(before);
  // Saving onto the loaded file itself is an ordinary atomic save: the data is in memory.
  WritePhylipData(LargeBinary(), data);
  EXPECT_EQ(FileBytes(data).substr(0, 10), " 300 5000\r");
}

TEST(OutputFile, ASignalRemovesTheTemporaryAndEndsTheProcessBySignal) {
  for (int signalNumber : {SIGTERM, SIGINT}) {
    const Scratch scratch;
    const std::string target = scratch / "out.phy";
    PutFile(target, "kept");
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      InstallTemporaryCleanupOnSignals();
      OutputFile file(target);
      file.sink().Append("half a run");
      file.sink().Flush();
      const std::string path = file.temporaryPath() + "\n";
      if (write(pipeEnds[1], path.data(), path.size()) < 0) _exit(2);
      for (;;) pause();
    }
    close(pipeEnds[1]);
    std::string temporary;
    char c;
    while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') temporary += c;
    close(pipeEnds[0]);
    EXPECT_TRUE(fs::exists(temporary)) << temporary;
    kill(child, signalNumber);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(FileBytes(target), "kept");
    EXPECT_TRUE(scratch.Temporaries().empty());
  }
}

// A stream that takes limit bytes and then fails, as a disk that fills up.
class FillingBuffer : public std::streambuf {
 public:
  explicit FillingBuffer(std::size_t limit) : limit_(limit) {}

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    const auto taken = std::min<std::streamsize>(n, static_cast<std::streamsize>(limit_));
    limit_ -= static_cast<std::size_t>(taken);
    if (taken < n) errno = ENOSPC;
    return taken;
  }
  int_type overflow(int_type c) override { return limit_ > 0 ? (--limit_, c) : traits_type::eof(); }

 private:
  std::size_t limit_;
};

TEST(TextSink, AStreamThatFillsUpIsReportedWithTheOutputsName) {
  FillingBuffer filling(1000);
  std::ostream stream(&filling);
  TextSink sink(stream, "out.phy");
  try {
    WritePhylipData(LargeBinary(), sink);
    sink.Flush();
    ADD_FAILURE() << "a full stream must be reported";
  } catch (const WriteFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "out.phy: No space left on device");
  }
}

}  // namespace
}  // namespace marbleset
