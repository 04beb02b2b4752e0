// Nothing the user has is lost and no failure passes as success, judged by what is on disk
// afterwards: the checksum of every file in the folder (the data file, the old output, anything
// beside them), so a temporary left behind or a target touched shows, and the exit status.
// Runs about processes (signals, two runs at once, endless input) start the built tool as a
// process; the others call it in-process. The data file refused as an output, standard input,
// pipes and FIFOs, the --otus bound and escaped names are the CLI tests' (tests/cli).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/tool_in_process.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "formats/data_writer.h"
#include "formats/item_reader.h"
#include "formats/phylip_reader.h"
#include "resampling/generators.h"
#include "sanitized.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;
using cli::kExitFailed;
using cli::kExitOk;
using cli::kExitUnreadable;
using cli::kWritingCommands;
using cli::RunTool;

// A digest of the bytes: a folder's state holds it instead of files of megabytes.
std::string Checksum(const std::string& bytes) {
  return std::to_string(std::hash<std::string>{}(bytes));
}

// What the folder holds: every entry, hidden ones too, with its checksum, or where a link
// points.
using FolderState = std::map<std::string, std::string>;
FolderState State(const fs::path& folder) {
  FolderState state;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      state[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      state[name] = Checksum(FileBytes(entry.path()));
    } else {
      state[name] = "(not a file)";
    }
  }
  return state;
}

struct Outcome {
  int status = -1;  // exit status, or -1 when ended by a signal
  int signal = 0;
  bool timedOut = false;
  std::string out, err;
};

// A process of its own group, its output and errors caught in files outside the folders the
// tests look at.
struct Process {
  pid_t pid = -1;
  std::string outPath, errPath;
};

Process Start(const std::vector<std::string>& args, void (*inChild)() = nullptr) {
  static int count = 0;
  static const ScratchFolder logFolder;  // outside the folders the tests look at
  Process process;
  const std::string logs = logFolder / std::to_string(++count);
  process.outPath = logs + ".out";
  process.errPath = logs + ".err";
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  process.pid = fork();
  if (process.pid == 0) {
    setpgid(0, 0);
    if (inChild != nullptr) inChild();
    if (!freopen("/dev/null", "r", stdin) || !freopen(process.outPath.c_str(), "w", stdout) ||
        !freopen(process.errPath.c_str(), "w", stderr)) {
      _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  return process;
}

// Waits for the process; one still running after the limit is killed with its group, so a
// hang fails the test instead of blocking it.
Outcome Wait(const Process& process, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  Outcome run;
  int raw = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (waitpid(process.pid, &raw, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      run.timedOut = true;
      kill(-process.pid, SIGKILL);
      waitpid(process.pid, &raw, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(-process.pid, SIGKILL);  // whatever of its group is left (the pipelines of a shell)
  if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) run.signal = WTERMSIG(raw);
  run.out = FileBytes(process.outPath);
  run.err = FileBytes(process.errPath);
  fs::remove(process.outPath);
  fs::remove(process.errPath);
  return run;
}

const std::string kTool = MARBLESET_CLI_BINARY;

// Binary markers, otus by characters, each row a line; names O1, O2, ...
std::string Markers(int otus, int characters, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::string text = std::to_string(otus) + " " + std::to_string(characters) + "\r\n";
  for (int i = 1; i <= otus; ++i) {
    const std::string number = std::to_string(i);
    text.append("O").append(number).append(11 - number.size(), ' ');
    for (int k = 0; k < characters; ++k) {
      const unsigned draw = random() % 40;
      text += draw == 0 ? " ?" : draw % 2 == 1 ? " 1" : " 0";
    }
    text += "\r\n";
  }
  return text;
}

// A filesystem of 128 kB mounted for the test, when the test may mount one.
struct TinyFilesystem {
  explicit TinyFilesystem(const std::string& folder) : where(folder) {
    fs::create_directories(where);
    mounted = mount("tmpfs", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=128k") == 0;
  }
  ~TinyFilesystem() {
    if (mounted) umount2(where.c_str(), MNT_DETACH);
  }
  const std::string where;
  bool mounted = false;
};

void LimitFileSize() {
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead
  const rlimit limit{64 << 10, 64 << 10};
  setrlimit(RLIMIT_FSIZE, &limit);
}

// A disk that fills up midway through a save or run: every command fails with the status for
// a failed output, names the target and the reason, and leaves the old output, the data file
// and everything beside them as they were, no temporary among them.
TEST(NothingLost, ADiskThatFillsUpMidwayLeavesTheOldOutputAndNoTemporary) {
  ScratchFolder scratch;
  // 80 OTUs by 1000 characters: every output is past 128 kB.
  PutFile(scratch / "data.phy", Markers(80, 1000));
  const cli::CliRun several =
      RunTool({"bootstraps", "--datasets", "10", scratch / "data.phy", scratch / "several.phy"});
  ASSERT_EQ(several.status, kExitOk) << several.err;

  const auto check = [&](const fs::path& folder, const std::string& reason, bool limitSize) {
    for (std::vector<std::string> args : kWritingCommands) {
      args.insert(args.begin(), kTool);
      const std::string target = (folder / "old output.txt").string();
      args.insert(args.end(), {"--force", scratch / "data.phy", target});
      if (args[1] == "distances") args[args.size() - 2] = scratch / "several.phy";
      SCOPED_TRACE(args[1] + " into " + target);
      PutFile(target, "the previous output\r\n");
      const FolderState before = State(scratch.path), beside = State(folder);
      const Outcome run = Wait(Start(args, limitSize ? LimitFileSize : nullptr));
      EXPECT_EQ(run.status, kExitFailed) << run.err;
      EXPECT_TRUE(run.err.starts_with("marbleset-cli: \"" + target + "\": " + reason)) << run.err;
      EXPECT_EQ(State(scratch.path), before);
      EXPECT_EQ(State(folder), beside);
    }
  };
  // A size limit on the process: writes past 64 kB fail with "File too large".
  check(scratch.path, std::strerror(EFBIG), true);
  // A filesystem really full, where the test may mount one (root, outside a locked container).
  TinyFilesystem tiny(scratch / "tiny");
  if (tiny.mounted) {
    check(scratch / "tiny", std::strerror(ENOSPC), false);
  } else {
    std::printf("no tmpfs could be mounted here; the size limit stood in for a full disk\n");
  }
}

// Two runs that write one file at once: with --force the file is one run's whole output, never
// a mix; without it exactly one creates the file and the other says it exists.
TEST(NothingLost, TwoRunsWritingOneFileAtOnceNeverMix) {
  ScratchFolder scratch;
  PutFile(scratch / "data.phy", Markers(100, 1000));
  std::vector<std::string> expected;
  for (const std::string seed : {"1", "2"}) {
    const cli::CliRun run =
        RunTool({"bootstraps", "--datasets", "30", "--seed", seed, scratch / "data.phy"});
    ASSERT_EQ(run.status, kExitOk);
    expected.push_back(run.out);  // 6 MB each: long enough for the two runs to overlap
  }
  const std::string target = scratch / "boot.phy";
  const auto command = [&](const std::string& seed, bool force) {
    std::vector<std::string> args = {kTool, "bootstraps", "--datasets", "30", "--seed", seed};
    if (force) args.push_back("--force");
    args.insert(args.end(), {scratch / "data.phy", target});
    return args;
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Process one = Start(command("1", true)), two = Start(command("2", true));
    EXPECT_EQ(Wait(one).status, kExitOk);
    EXPECT_EQ(Wait(two).status, kExitOk);
    const std::string written = FileBytes(target);
    EXPECT_TRUE(written == expected[0] || written == expected[1])
        << "a mix of two runs, " << written.size() << " bytes";
    EXPECT_EQ(State(scratch.path).size(), 2u) << testing::PrintToString(State(scratch.path));
  }
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::remove(target);
    const Process one = Start(command("1", false)), two = Start(command("2", false));
    const Outcome first = Wait(one), second = Wait(two);
    ASSERT_TRUE((first.status == kExitOk) != (second.status == kExitOk))
        << first.status << " and " << second.status << ": exactly one may create the file";
    const Outcome& lost = first.status == kExitOk ? second : first;
    EXPECT_EQ(lost.status, kExitFailed);
    // "the file exists" when the winner was done before the other began, else the refusal of
    // the moment of the rename.
    EXPECT_TRUE(lost.err.starts_with("marbleset-cli: \"" + target + "\": the file ") &&
                lost.err.ends_with("\nAdd --force to replace it.\n"))
        << lost.err;
    EXPECT_EQ(FileBytes(target), expected[first.status == kExitOk ? 0 : 1]);
    EXPECT_EQ(State(scratch.path).size(), 2u) << testing::PrintToString(State(scratch.path));
  }
}

// A real SIGINT or SIGTERM to a real run: the process ends by that signal, and the folder is
// as it was: no file under the target's name if there was none, the old bytes if there were,
// and no temporary. The generator is stopped while it writes; the distance run while it waits
// for its third data set from a FIFO, its first two matrices written.
TEST(NothingLost, InterruptedRunsLeaveTheFolderAsItWas) {
  ScratchFolder scratch;
  PutFile(scratch / "data.phy", Markers(200, 2000));
  ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0600), 0);
  const std::string target = scratch / "out.txt";
  struct Case {
    std::string command;
    int signal;
    bool oldTarget;
  };
  for (const Case& c : {Case{"noise", SIGINT, false}, Case{"noise", SIGTERM, true},
                        Case{"bootstraps", SIGINT, true}, Case{"distances", SIGINT, true},
                        Case{"distances", SIGTERM, false}}) {
    SCOPED_TRACE(c.command + " stopped by signal " + std::to_string(c.signal) +
                 (c.oldTarget ? " over an old output" : ""));
    fs::remove(target);
    if (c.oldTarget) PutFile(target, "an older output\r\n");
    const FolderState before = State(scratch.path);
    const bool fromFifo = c.command == "distances";
    const Process process = Start(
        fromFifo ? std::vector<std::string>{kTool, "distances", "--force", scratch / "fifo", target}
                 : std::vector<std::string>{kTool, c.command, "--datasets", "1000", "--force",
                                            scratch / "data.phy", target});
    int fifo = -1;
    if (fromFifo) {  // two data sets, and the FIFO kept open: the run waits for the third
      // Without waiting forever for a reader that never came.
      for (int tries = 0; tries < 5000 && fifo < 0; ++tries) {
        fifo = open((scratch / "fifo").c_str(), O_WRONLY | O_NONBLOCK);
        if (fifo < 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      EXPECT_GE(fifo, 0) << "the run never opened its input";
      const std::string twoSets = Markers(8, 50, 1) + Markers(8, 50, 2);
      EXPECT_EQ(write(fifo, twoSets.data(), twoSets.size()), static_cast<ssize_t>(twoSets.size()));
    }
    // Until the temporary is there (and, for a generator, holds something): the run is writing.
    bool writing = false;
    for (int tries = 0; tries < 4000 && !writing; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      for (const auto& entry : fs::directory_iterator(scratch.path)) {
        const std::string name = entry.path().filename().string();
        std::error_code error;
        writing |=
            name.starts_with(".out.txt.") && (fromFifo || fs::file_size(entry.path(), error) > 0);
      }
    }
    EXPECT_TRUE(writing) << "no temporary beside the target";
    kill(process.pid, c.signal);
    const Outcome run = Wait(process);
    if (fifo >= 0) close(fifo);
    EXPECT_EQ(run.signal, c.signal) << "exit status " << run.status << ": " << run.err;
    EXPECT_EQ(State(scratch.path), before);
  }
}

// A file of several data sets whose third cannot be read: status 3, a line that names data
// set 3, and the output holds exactly the matrices (or means) of the two before it, replacing
// the old output; nothing else changes.
TEST(NothingLost, AMultiSetRunThatStopsEarlyKeepsTheMatricesBeforeAndSaysSo) {
  ScratchFolder scratch;
  const std::string first = Markers(6, 40, 1), second = Markers(6, 40, 2);
  const std::string third = Markers(6, 40, 3);
  const std::size_t fourthRow = third.find("O4 ");
  PutFile(scratch / "two.phy", first + second);
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"cut inside a row", first + second + third.substr(0, fourthRow + 30)},
      {"cut before a row", first + second + third.substr(0, fourthRow)},
      {"damaged header", first + second + "6\r\nO1          0 1 0\r\n"},
      {"letters for values", first + second + "6 40\r\nO1          0 1 x\r\n"}};
  for (const bool average : {false, true}) {
    std::vector<std::string> options = {"distances", "--coefficient", "Jaccard"};
    if (average) options.push_back("--average");
    std::vector<std::string> whole = options;
    whole.push_back(scratch / "two.phy");
    const cli::CliRun reference = RunTool(whole);
    ASSERT_EQ(reference.status, kExitOk) << reference.err;
    for (const auto& [label, text] : damaged) {
      SCOPED_TRACE(label + (average ? ", averaged" : ""));
      PutFile(scratch / "several.phy", text);
      PutFile(scratch / "dist.txt", "an older output\r\n");
      FolderState expected = State(scratch.path);
      expected["dist.txt"] = Checksum(reference.out);
      std::vector<std::string> args = options;
      args.insert(args.end(), {"--force", scratch / "several.phy", scratch / "dist.txt"});
      const cli::CliRun run = RunTool(args);
      EXPECT_EQ(run.status, kExitUnreadable);
      EXPECT_TRUE(run.err.starts_with("marbleset-cli: \"" + scratch / "several.phy" +
                                      "\": data set 3 could not be read: "))
          << run.err;
      EXPECT_TRUE(run.err.ends_with(std::string("The output holds 2 ") +
                                    (average ? "means" : "matrices") +
                                    ", those of the data sets before it.\n"))
          << run.err;
      EXPECT_EQ(State(scratch.path), expected);
    }
  }
}

// Names of any bytes, written into data files, generated data sets and distance files: each
// file reads back with one row per OTU, each distance row a full 12-character name field and
// exactly one value per OTU.
TEST(NothingLost, NamesOfEveryByteReadBackFromEveryFileThatWritesThem) {
  ScratchFolder scratch;
  std::mt19937 random(14);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::size_t otus = 2 + random() % 12;
    DataSet data;
    data.Resize(DataKind::kBinary, otus, 30, kBinaryMissingValue);
    for (std::size_t i = 0; i < otus; ++i) {
      data.otuNames[i].resize(random() % 15);
      for (char& c : data.otuNames[i]) c = static_cast<char>(random() % 256);
      for (std::size_t k = 0; k < 30; ++k) data.SetValue(i, k, static_cast<float>(random() % 3));
    }
    NoProgress none;
    const DistanceSettings settings = DefaultDistanceSettings(DataKind::kBinary);
    DistanceRunSingle(data, settings, scratch / "dist.txt", none);
    // Read as PHYLIP's neighbor does: a count line, then per row a 12-character field (the
    // tool's width) and the row's values.
    std::istringstream lines(FileBytes(scratch / "dist.txt"));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(std::stoul(line), otus);
    for (std::size_t i = 0; i < otus; ++i) {
      ASSERT_TRUE(std::getline(lines, line));
      ASSERT_GT(line.size(), 12u);
      const std::string field = line.substr(0, 12);
      EXPECT_TRUE(field[0] != ' ' && field[0] != '"') << "OTU " << i << ": " << field;
      for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 32 && byte != 127 && c != ',') << "OTU " << i << ": " << field;
      }
      std::istringstream values(line.substr(12));
      std::size_t count = 0;
      for (double value; values >> value;) ++count;
      EXPECT_TRUE(values.eof() && count == otus) << "row " << i << ": " << line;
    }
    // A data file and a file of generated data sets: every data set has the data's rows.
    WritePhylipData(data, scratch / "data.phy");
    GeneratorSettings generator = DefaultGeneratorSettings(Generator::kNoise, data);
    generator.dataSets = 10;
    Generate(data, generator, scratch / "noise.phy", none);
    DataSet back;
    ASSERT_NO_THROW(
        LoadDataFile(back, scratch / "data.phy", DataKind::kBinary, FileFormat::kPhylip));
    ASSERT_EQ(back.OtuCount(), otus);
    for (std::size_t i = 0; i < otus; ++i) {
      for (std::size_t k = 0; k < 30; ++k) ASSERT_EQ(back.Value(i, k), data.Value(i, k));
    }
    ItemReader in = ItemReader::OpenFile(scratch / "noise.phy");
    for (int set = 1; set <= 10; ++set) {
      DataSet generated;
      ASSERT_EQ(ReadPhylipBinary(in, generated), ReadStatus::kOk) << "data set " << set;
      ASSERT_EQ(generated.OtuCount(), otus);
      EXPECT_EQ(generated.otuNames, back.otuNames) << "data set " << set;
      EXPECT_EQ(FurtherDataSetFollows(in), set < 10);
    }
  }
}

// Input that never ends or never breaks a line: info on /dev/zero fails at once with the NUL
// message; a line of 200 MB without a delimiter, piped in, is read once to its end and fails
// or finishes; both within a guard far beyond a linear read.
TEST(NothingLost, EndlessInputAndHugeLinesEndWithinMoments) {
  const Outcome zero = Wait(Start({kTool, "info", "/dev/zero"}), std::chrono::seconds(20));
  EXPECT_FALSE(zero.timedOut) << "info /dev/zero ran on";
  EXPECT_EQ(zero.status, kExitUnreadable);
  EXPECT_EQ(zero.err,
            "marbleset-cli: \"/dev/zero\": a NUL byte at byte offset 0; a data file is text and "
            "never holds one.\n");
  const long megabytes = MARBLESET_SANITIZED ? 20 : 200;
  const std::string pipeline = "head -c " + std::to_string(megabytes << 20) +
                               " /dev/zero | tr '\\0' x | '" + kTool + "' info -";
  const Outcome line = Wait(Start({"/bin/sh", "-c", pipeline}), std::chrono::seconds(60));
  EXPECT_FALSE(line.timedOut) << "a line of " << megabytes << " MB was not read within a minute";
  EXPECT_EQ(line.status, kExitUnreadable) << line.err;
  EXPECT_TRUE(line.err.starts_with("marbleset-cli: standard input: ")) << line.err;
}

}  // namespace
}  // namespace marbleset
