// Outputs that cannot be written: a full disk, a folder that does not exist, a path under a
// regular file, a folder in place of a file, and a file size limit reached half-way. Every
// writer, distance run and generator reports a WriteFailure with the system's reason, keeps
// what it wrote before, and leaves the data set in memory as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/data_loader.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "editing/data_writer.h"
#include "reliability_support.h"
#include "resampling/generators.h"

namespace marbleset {
namespace {

using testing::DataSetSnapshot;
using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

// Four OTUs with distinct values; two of them share a name, so GenStraps has a group to pick.
constexpr char kData[] =
    "4 6\r\n"
    "Alpha       0 1 1 0 ? 1\r\n"
    "Beta        1 1 0 0 1 0\r\n"
    "Alpha       0 0 1 1 1 ?\r\n"
    "Delta       1 0 1 0 0 1\r\n";

struct Target {
  std::string path;
  int error;  // the errno whose text the failure must carry
  const char* what;
};

// The ways an output can be refused without special rights. As root a read-only file is still
// writable, so the read-only case is a path below a regular file (ENOTDIR) and a path that is
// a folder (EISDIR), which no one can create as a file.
std::vector<Target> Targets(const ScratchFolder& folder) {
  const std::string regular = folder / "regular_file";
  WriteFile(regular, "keep");
  return {
      {"/dev/full", ENOSPC, "a full disk"},
      {folder / "no_such_folder/out.phy", ENOENT, "a folder that does not exist"},
      {regular + "/out.phy", ENOTDIR, "a path below a regular file"},
      {folder.path().string(), EISDIR, "a folder"},
  };
}

using Command = std::function<void(DataSet&, const std::string&)>;

struct NamedCommand {
  const char* name;
  Command run;
};

std::vector<NamedCommand> Commands() {
  static UniformSource source;
  static NoProgress progress;
  return {
      {"WritePhylipData", [](DataSet& d, const std::string& p) { WritePhylipData(d, p); }},
      {"WriteNtsysData", [](DataSet& d, const std::string& p) { WriteNtsysData(d, p); }},
      {"DistanceRunSingle",
       [](DataSet& d, const std::string& p) { DistanceRunSingle(d, DistanceSettings{}, p); }},
      {"DistanceRunMulti",
       [](DataSet& d, const std::string& p) {
         DistanceRunMulti(d, DistanceSettings{}, p, progress);
       }},
      {"GenerateBootStraps",
       [](DataSet& d, const std::string& p) {
         GenerateBootStraps(d, source, 100, 350, p, progress);
       }},
      {"GeneratePermutations",
       [](DataSet& d, const std::string& p) { GeneratePermutations(d, source, 100, p, progress); }},
      {"GenerateGenStraps",
       [](DataSet& d, const std::string& p) { GenerateGenStraps(d, source, 100, p, progress); }},
      {"GenerateResamplings",
       [](DataSet& d, const std::string& p) {
         GenerateResamplings(d, source, 100, 30, p, progress);
       }},
      {"GenerateMissStraps",
       [](DataSet& d, const std::string& p) { GenerateMissStraps(d, source, 100, p, progress); }},
      {"GenerateNoise",
       [](DataSet& d, const std::string& p) { GenerateNoise(d, source, 100, 100, p, progress); }},
  };
}

TEST(WriteFailure, EveryOutputReportsTheSystemsReasonAndKeepsTheData) {
  ScratchFolder folder;
  const std::string input = folder / "input.phy";
  WriteFile(input, kData);
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*data, input, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  const DataSetSnapshot before(*data);
  for (const Target& target : Targets(folder)) {
    for (const NamedCommand& command : Commands()) {
      SCOPED_TRACE(std::string(command.name) + " into " + target.what);
      try {
        command.run(*data, target.path);
        ADD_FAILURE() << "no failure reported";
      } catch (const WriteFailure& failure) {
        const std::string text = failure.what();
        EXPECT_NE(text.find(std::strerror(target.error)), std::string::npos) << text;
        EXPECT_NE(text.find(target.path), std::string::npos) << text;
      }
      EXPECT_TRUE(before.SameAs(*data)) << "the data set in memory changed";
      // The program stays usable: the same data is written again without trouble.
      std::ostringstream text;
      TextSink sink(text);
      WritePhylipData(*data, sink);
      sink.Flush();
      EXPECT_EQ(text.str().substr(0, 5), " 4 6\r");
    }
  }
  EXPECT_EQ(ReadFile(folder / "regular_file"), "keep");
}

// Writes beyond `limit` bytes fail with EFBIG while the limit stands; SIGXFSZ, which would end
// the process, is ignored meanwhile. Everything is restored on the way out.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

// The same run into memory and into a file that fills up half-way: the file holds exactly the
// first bytes of the full output, nothing garbled, nothing missing before the limit.
TEST(WriteFailure, AGeneratorStoppedByAFullFileKeepsWhatItWrote) {
  ScratchFolder folder;
  const std::string input = folder / "input.phy";
  WriteFile(input, kData);
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*data, input, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  const DataSetSnapshot before(*data);
  NoProgress progress;

  std::ostringstream full;
  {
    UniformSource source;
    TextSink sink(full);
    GenerateBootStraps(*data, source, 30000, 350, sink, progress);
    sink.Flush();
  }
  constexpr rlim_t kLimit = 100'000;
  ASSERT_GT(full.str().size(), 3 * kLimit);

  const std::string output = folder / "bootstraps.phy";
  std::string text;
  {
    const FileSizeLimit limit(kLimit);
    UniformSource source;
    try {
      GenerateBootStraps(*data, source, 30000, 350, output, progress);
    } catch (const WriteFailure& failure) {
      text = failure.what();
    }
  }
  EXPECT_NE(text.find(std::strerror(EFBIG)), std::string::npos) << text;
  const std::string partial = ReadFile(output);
  EXPECT_EQ(partial.size(), kLimit);
  EXPECT_EQ(partial, full.str().substr(0, partial.size()));
  EXPECT_TRUE(before.SameAs(*data));
}

// A multi-set run whose second data set has no correlation to compute (one OTU is constant):
// the first matrix stays in the file, complete, and the rows of the second up to the failing
// cell follow it.
TEST(WriteFailure, ADistanceRunFailingAtALaterDataSetKeepsTheEarlierMatrices) {
  ScratchFolder folder;
  const std::string input = folder / "two_sets.phy";
  const std::string first =
      "3 3\r\nA           1 2 3\r\nB           2 1 5\r\nC           0 4 1\r\n";
  WriteFile(input,
            first + "3 3\r\nA           1 2 3\r\nB           7 7 7\r\nC           0 4 1\r\n");
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*data, input, DataKind::kQuantitative, Layout::kPhylip), ReadStatus::kOk);
  ASSERT_EQ(data->MultiSet, 1);
  DistanceSettings correlation;
  correlation.coefficient = kCorrelation;
  correlation.policy = kQuantitativeIgnore;

  // The first data set alone, for the expected first matrix.
  const std::string single = folder / "first.phy";
  WriteFile(single, first);
  auto first_set = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*first_set, single, DataKind::kQuantitative, Layout::kPhylip),
            ReadStatus::kOk);
  const std::string expected_path = folder / "expected.dis";
  DistanceRunSingle(*first_set, correlation, expected_path);
  const std::string expected = ReadFile(expected_path);

  const std::string output = folder / "out.dis";
  NoProgress progress;
  EXPECT_THROW(DistanceRunMulti(*data, correlation, output, progress), WriteFailure);
  const std::string written = ReadFile(output);
  ASSERT_GE(written.size(), expected.size());
  EXPECT_EQ(written.substr(0, expected.size()), expected);
  // The second matrix began (its header line) before the failing cell.
  EXPECT_EQ(written.substr(expected.size(), 4), " 3\r\n");
  EXPECT_EQ(data->DataFileName, input);
  EXPECT_EQ(data->MultiSet, 1);
}

}  // namespace
}  // namespace marbleset
