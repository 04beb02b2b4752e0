// Hostile data files through the open command's loading: every one gives a read finding or a
// clear failure text, never a crash or a hang, and a file that does not load leaves the loaded
// data set exactly as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dataset/data_loader.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "reliability_support.h"

namespace marbleset {
namespace {

using testing::DataSetSnapshot;
using testing::ScratchFolder;
using testing::WriteFile;

struct Combination {
  DataKind kind;
  Layout layout;
  const char* label;
};

constexpr Combination kCombinations[] = {
    {DataKind::kBinary, Layout::kPhylip, "binary PHYLIP"},
    {DataKind::kQuantitative, Layout::kPhylip, "quantitative PHYLIP"},
    {DataKind::kBinary, Layout::kNtsys, "binary NTSYS"},
    {DataKind::kQuantitative, Layout::kNtsys, "quantitative NTSYS"},
};

struct Outcome {
  bool failed = false;  // a ReadFailure was thrown
  ReadStatus status = ReadStatus::kOk;
  std::string text;  // the failure's text, or the finding's message
};

// The data set loaded before the hostile file: the example markers, known to read.
void LoadExample(DataSet& loaded) {
  ASSERT_EQ(LoadDataFile(loaded, MARBLESET_EXAMPLES_DIR "/markers.phy", DataKind::kBinary,
                         Layout::kPhylip),
            ReadStatus::kOk);
}

// Loads path over the example data and checks what every outcome must hold: a failure has a
// text, a finding has its message, and only a successful read changes the loaded data set,
// into one that later commands can use safely.
Outcome LoadOverExample(const std::string& path, const Combination& how) {
  auto loaded = std::make_unique<DataSet>();
  LoadExample(*loaded);
  const DataSetSnapshot before(*loaded);
  Outcome outcome;
  try {
    outcome.status = LoadDataFile(*loaded, path, how.kind, how.layout);
    outcome.text = std::string(ReadStatusMessage(outcome.status));
  } catch (const ReadFailure& failure) {
    outcome.failed = true;
    outcome.text = failure.what();
  }
  SCOPED_TRACE(path + " as " + how.label + ": " + outcome.text);
  if (outcome.failed || outcome.status != ReadStatus::kOk) {
    EXPECT_FALSE(outcome.text.empty());
    EXPECT_TRUE(before.SameAs(*loaded)) << "a file that did not load changed the data set";
  } else {
    EXPECT_GE(loaded->NOtu, 0);
    EXPECT_LE(loaded->NOtu, kMaxOtu);
    EXPECT_GE(loaded->NChar, 0);
    EXPECT_LE(loaded->NChar, kMaxChar);
    for (int i = 1; i <= loaded->NOtu; ++i) EXPECT_LE(loaded->OtuName[i].size(), 12u);
  }
  return outcome;
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(times));
  for (int n = 0; n < times; ++n) text += piece;
  return text;
}

// n OTU rows of PHYLIP binary data, each with the same values.
std::string PhylipRows(int otus, const std::string& values) {
  std::string text;
  for (int i = 1; i <= otus; ++i) {
    std::string name(1, 'T');
    name += std::to_string(i);
    name.resize(12, ' ');
    text.append(name).append(values).append("\r\n");
  }
  return text;
}

struct HostileFile {
  std::string name;
  std::string bytes;
};

std::vector<HostileFile> HostileFiles() {
  std::vector<HostileFile> files;
  files.push_back({"empty", ""});
  std::mt19937 random(20261206);
  std::string garbage(1 << 16, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  files.push_back({"garbage", garbage});
  files.push_back({"otus_32767", "32767 10\r\n" + PhylipRows(3, "0101010101")});
  files.push_back({"otus_32768", "32768 10\r\n" + PhylipRows(3, "0101010101")});
  files.push_back({"otus_minus_5", "-5 10\r\n" + PhylipRows(3, "0101010101")});
  files.push_back({"ntsys_otus_32767", "1 2 32767 0\r\nA B C\r\n0 1 0\r\n1 1 0\r\n"});
  files.push_back({"ntsys_otus_minus_5", "1 2 -5 0\r\nA B C\r\n0 1 0\r\n1 1 0\r\n"});
  files.push_back({"otus_1001", "1001 4\r\n" + PhylipRows(1001, "0 1 1 0")});
  files.push_back({"ntsys_otus_1001",
                   "1 1 1001 0\r\n" + Repeat("A ", 1001) + "\r\n" + Repeat("1 ", 1001) + "\r\n"});
  files.push_back({"chars_5001", "2 5001\r\n" + PhylipRows(2, Repeat("1", 5001))});
  files.push_back({"row_beyond_5000", "2 10\r\n" + PhylipRows(2, Repeat("0", 6000))});
  files.push_back({"ntsys_chars_5001", "1 5001 2 0\r\nA B\r\n" + Repeat("0 1\r\n", 5001)});
  // Lines of a few mebibytes cross the reader's chunks: a title, a name line, a header.
  const std::string megabyte_title = Repeat("title words ", 300'000);
  files.push_back({"megabyte_title", megabyte_title + "\r\n2 3\r\n" + PhylipRows(2, "011")});
  files.push_back({"megabyte_row",
                   "2 3\r\nAlpha       " + Repeat("x", 3 << 20) + "011\r\nBeta        110\r\n"});
  files.push_back({"megabyte_values", "2 3\r\n" + PhylipRows(2, Repeat("0 1 ", 1 << 18))});
  files.push_back({"megabyte_header", "2" + Repeat(" ", 3 << 20) + "3\r\n" + PhylipRows(2, "011")});
  files.push_back({"ends_in_quote", "2 3\r\nAlpha       011\r\n\"Beta   1"});
  files.push_back({"quote_only", "\""});
  files.push_back({"ntsys_ends_in_quote", "1 2 2 0\r\n\"A B"});
  files.push_back({"nul_bytes", std::string("2 3\0\r\nAl\0ha       0\0 1\r\n\0\0\0\r\n", 29)});
  files.push_back({"only_nul", std::string(4096, '\0')});
  files.push_back({"ntsys_labels_never_end", "1 2 1000 0\r\n" + Repeat("A\r\n", 999)});
  files.push_back({"ntsys_too_many_labels", "1 2 3 0\r\n" + Repeat("A ", 5000) + "B\r\n0 1 0\r\n"});
  files.push_back({"huge_exponent", "2 2\r\nA           1e400 1\r\nB           1 1\r\n"});
  files.push_back({"huge_d_exponent", "2 2\r\nA           1D999 1\r\nB           1 1\r\n"});
  files.push_back({"huge_count", "1e400 3\r\n" + PhylipRows(2, "011")});
  files.push_back({"ntsys_huge_value", "1 2 2 0\r\nA B\r\n1e400 1\r\n1 1D999\r\n"});
  files.push_back({"ntsys_huge_missing_code", "1 2 2 1 1e400\r\nA B\r\n1 1\r\n1 1\r\n"});
  files.push_back({"long_exponent", "2 2\r\nA           1e" + Repeat("9", 100000) + " 1\r\n" +
                                        "B           1 1\r\n"});
  files.push_back({"commas_only", Repeat(",", 100000)});
  files.push_back({"bare_crs", Repeat("\r", 100000)});
  return files;
}

TEST(HostileInput, EveryFileGivesAFindingOrAFailureAndKeepsTheLoadedData) {
  ScratchFolder folder;
  for (const HostileFile& file : HostileFiles()) {
    const std::string path = folder / file.name;
    WriteFile(path, file.bytes);
    for (const Combination& how : kCombinations) LoadOverExample(path, how);
  }
}

TEST(HostileInput, CountsBeyondTheCapacityFailWithTheLimit) {
  ScratchFolder folder;
  for (const HostileFile& file : HostileFiles()) {
    const bool ntsys = file.name.rfind("ntsys_", 0) == 0;
    const bool beyond = file.name.find("32767") != std::string::npos ||
                        file.name.find("1001") != std::string::npos ||
                        file.name.find("5001") != std::string::npos ||
                        file.name == "row_beyond_5000";
    if (!beyond) continue;
    const std::string path = folder / file.name;
    WriteFile(path, file.bytes);
    const Outcome outcome = LoadOverExample(
        path, {DataKind::kBinary, ntsys ? Layout::kNtsys : Layout::kPhylip, "binary"});
    EXPECT_TRUE(outcome.failed) << file.name;
    EXPECT_NE(outcome.text.find("at most"), std::string::npos) << outcome.text;
  }
}

TEST(HostileInput, NumbersBeyondTheFloatRangeFailAsTooLarge) {
  ScratchFolder folder;
  const std::vector<HostileFile> files = HostileFiles();
  for (const char* name : {"huge_exponent", "huge_d_exponent", "long_exponent"}) {
    const std::string path = folder / name;
    for (const HostileFile& file : files) {
      if (file.name == name) WriteFile(path, file.bytes);
    }
    const Outcome outcome =
        LoadOverExample(path, {DataKind::kQuantitative, Layout::kPhylip, "quantitative"});
    EXPECT_TRUE(outcome.failed) << name;
    EXPECT_NE(outcome.text.find("too large"), std::string::npos) << outcome.text;
  }
  for (const char* name : {"ntsys_huge_value", "ntsys_huge_missing_code"}) {
    const std::string path = folder / name;
    for (const HostileFile& file : files) {
      if (file.name == name) WriteFile(path, file.bytes);
    }
    const Outcome outcome =
        LoadOverExample(path, {DataKind::kQuantitative, Layout::kNtsys, "quantitative"});
    EXPECT_TRUE(outcome.failed) << name;
    EXPECT_NE(outcome.text.find("too large"), std::string::npos) << outcome.text;
  }
  const std::string count = folder / "huge_count";
  WriteFile(count, "1e400 3\r\n" + PhylipRows(2, "011"));
  const Outcome outcome = LoadOverExample(count, kCombinations[0]);
  EXPECT_TRUE(outcome.failed);
  EXPECT_NE(outcome.text.find("too large"), std::string::npos) << outcome.text;
}

TEST(HostileInput, TruncatedFilesGiveTheirFindings) {
  ScratchFolder folder;
  const std::string empty = folder / "empty";
  WriteFile(empty, "");
  for (const Combination& how : kCombinations) EXPECT_TRUE(LoadOverExample(empty, how).failed);

  // The label block of an NTSYS file that ends before its 1000 labels are there.
  const std::string labels = folder / "labels";
  WriteFile(labels, "1 2 1000 0\r\n" + Repeat("A\r\n", 999));
  const Outcome outcome = LoadOverExample(labels, kCombinations[2]);
  EXPECT_FALSE(outcome.failed);
  EXPECT_EQ(outcome.status, ReadStatus::kLabelsIncomplete);
}

TEST(HostileInput, NamesKeepEveryByteValueThatCannotEndAnItem) {
  // Every byte but the comma and the line ends can stand in a name field; a leading blank or
  // double quote would be read as item syntax, so neither starts a name.
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != ',' && b != '\r' && b != '\n') bytes.push_back(static_cast<char>(b));
  }
  std::vector<std::string> names;
  for (std::size_t at = 0; at < bytes.size(); at += 12) {
    std::string name = bytes.substr(at, 12);
    name.resize(12, 'z');
    if (name[0] == ' ' || name[0] == '"') std::swap(name[0], name[1]);
    names.push_back(name);
  }
  std::string text = std::to_string(names.size()) + " 2\r\n";
  for (const std::string& name : names) text += name + "01\r\n";
  ScratchFolder folder;
  const std::string path = folder / "names.phy";
  WriteFile(path, text);

  auto loaded = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*loaded, path, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  ASSERT_EQ(loaded->NOtu, static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(loaded->OtuName[i + 1], names[i]) << "OTU " << i + 1;
    EXPECT_EQ(loaded->Matrix(static_cast<int>(i) + 1, 1), 0.0f);
    EXPECT_EQ(loaded->Matrix(static_cast<int>(i) + 1, 2), 1.0f);
  }
  for (const Combination& how : kCombinations) LoadOverExample(path, how);
}

TEST(HostileInput, FoldersAndUnreadableFilesFailWithTheSystemsReason) {
  ScratchFolder folder;
  const std::string regular = folder / "regular";
  WriteFile(regular, "2 2\r\nA           01\r\nB           10\r\n");
  struct Case {
    std::string path;
    int error;
  };
  std::vector<Case> cases = {
      {folder.path().string(), EISDIR},
      {folder / "missing.phy", ENOENT},
      {regular + "/inside.phy", ENOTDIR},
      // The kernel refuses to read a process's memory at address 0, even for root: a file
      // that opens but cannot be read.
      {"/proc/self/mem", EIO},
  };
  const std::string locked = folder / "locked";
  WriteFile(locked, "2 2\r\nA           01\r\nB           10\r\n");
  ::chmod(locked.c_str(), 0);
  // Root reads files whatever their mode, so a locked file is only unreadable for others.
  if (::geteuid() != 0) cases.push_back({locked, EACCES});
  for (const Case& c : cases) {
    for (const Combination& how : kCombinations) {
      const Outcome outcome = LoadOverExample(c.path, how);
      EXPECT_TRUE(outcome.failed) << c.path;
      EXPECT_NE(outcome.text.find(std::strerror(c.error)), std::string::npos) << outcome.text;
      EXPECT_NE(outcome.text.find(c.path), std::string::npos) << outcome.text;
    }
  }
}

// The inputs the fuzz targets found trouble with, kept as files. Each is opened in all four
// ways and read as the multi-set distance run reads it, as binary and as quantitative data;
// whatever the run ends on, the data set it leaves must stay within the capacity, since later
// commands index the matrix by its counts.
TEST(HostileInput, FuzzFindingsReadSafely) {
  const std::filesystem::path findings =
      std::filesystem::path(MARBLESET_TEST_DATA_DIR).parent_path() / "reliability" / "data";
  ScratchFolder folder;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(findings)) {
    const std::string path = entry.path().string();
    ++files;
    for (const Combination& how : kCombinations) LoadOverExample(path, how);
    for (const bool quantitative : {false, true}) {
      SCOPED_TRACE(path + (quantitative ? " as quantitative" : " as binary"));
      auto data = std::make_unique<DataSet>();
      data->DataFileName = path;
      data->MultiSet = 1;
      data->Quantitative = quantitative ? 1 : 0;
      data->MissingValue = quantitative ? -9999.0f : 2.0f;
      NoProgress progress;
      try {
        DistanceRunMulti(*data, DistanceSettings{}, folder / "out.dis", progress);
      } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()), "");
      }
      EXPECT_GE(data->NOtu, 0);
      EXPECT_LE(data->NOtu, kMaxOtu);
      EXPECT_GE(data->NChar, 0);
      EXPECT_LE(data->NChar, kMaxChar);
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace marbleset
