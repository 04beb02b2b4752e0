// Hostile input, outputs that cannot be written, every command at the largest size within
// bounded memory, draw loops that must end, and the reader's chunk boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "distances/reference_pass.h"
#include "editing/screening.h"
#include "formats/data_io.h"
#include "formats/data_writer.h"
#include "formats/format_test_support.h"
#include "formats/item_reader.h"
#include "formats/phylip_reader.h"
#include "resampling/column_picks.h"
#include "resampling/generators.h"
#include "resampling/otu_picks.h"
#include "sanitized.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

// Everything a read may change in the loaded data set, cells through the cell interface.
std::string Snapshot(const DataSet& d) {
  std::ostringstream s;
  s << static_cast<int>(d.Kind()) << ' ' << d.OtuCount() << ' ' << d.CharCount() << ' '
    << d.MissingValue() << ' ' << d.multiSet << '\n'
    << d.fileName << '\n'
    << d.folder;
  for (const std::string& name : d.otuNames) s << '\n' << name;
  for (std::size_t i = 0; i < d.OtuCount(); ++i) {
    for (std::size_t k = 0; k < d.CharCount(); ++k) s << ' ' << d.Value(i, k);
  }
  return s.str();
}

// A data set is consistent whatever a read did: one name per OTU, none longer than the field.
bool Consistent(const DataSet& d) {
  return d.otuNames.size() == d.OtuCount() &&
         std::all_of(d.otuNames.begin(), d.otuNames.end(),
                     [](const std::string& name) { return name.size() <= 12; });
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  while (times-- > 0) text += piece;
  return text;
}

std::string Rows(int otus, const std::string& values) {
  std::string text;
  for (int i = 1; i <= otus; ++i) {
    std::string name = "T";
    name.append(std::to_string(i)).resize(12, ' ');
    text.append(name).append(values).append("\r\n");
  }
  return text;
}

TEST(HostileInput, EveryFileGivesAFindingOrAFailureAndKeepsTheLoadedData) {
  std::mt19937 random(20261206);
  std::string garbage(1 << 16, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  // declared: how a header declaring more than the bytes after it can hold is refused, before
  // any memory is reserved (three rows of 24 bytes after it, three of 7, two of 15).
  struct Hostile {
    const char* name;
    std::string bytes, declared = "";
  };
  const Hostile corpus[] = {
      {"empty", ""},
      {"garbage", garbage},
      {"short_otus_32767", "32767 10\r\n" + Rows(3, "0101010101")},
      {"ntsys_short_otus_32767", "1 2 32767 0\r\nA B C\r\n0 1 0\r\n1 1 0\r\n"},
      {"oversized_otus_4000000000", "4000000000 4000000000\r\n" + Rows(3, "0101010101"),
       "4000000000 OTUs by 4000000000 characters, more than the 72 bytes after it"},
      {"ntsys_oversized_otus_4000000000",
       "1 4000000000 4000000000 0\r\nA B C\r\n0 1 0\r\n1 1 0\r\n",
       "4000000000 OTUs by 4000000000 characters, more than the 21 bytes after it"},
      {"oversized_names_only", "900000000000 1\r\n" + Rows(2, "1"),
       "900000000000 OTUs by 1 characters, more than the 30 bytes after it"},
      {"row_longer_than_count", "2 10\r\n" + Rows(2, Repeat("0", 6000))},
      {"megabyte_title", Repeat("title words ", 300'000) + "\r\n2 3\r\n" + Rows(2, "011")},
      {"megabyte_row", "2 3\r\nAlpha       " + Repeat("x", 3 << 20) + "011\r\nBeta        110\r\n"},
      {"megabyte_header", "2" + Repeat(" ", 3 << 20) + "3\r\n" + Rows(2, "011")},
      {"ends_in_quote", "2 3\r\nAlpha       011\r\n\"Beta   1"},
      {"nul_bytes", std::string("2 3\0\r\nAl\0ha       0\0 1\r\n\0\0\0\r\n", 29)},
      {"ntsys_labels_never_end", "1 2 1000 0\r\n" + Repeat("A\r\n", 999)},
      {"ntsys_too_many_labels", "1 2 3 0\r\n" + Repeat("A ", 5000) + "B\r\n0 1 0\r\n"},
      {"huge_exponent", "2 2\r\nA           1e400 1\r\nB           1 1\r\n"},
      {"huge_d_exponent", "2 2\r\nA           1D999 1\r\nB           1 1\r\n"},
      {"huge_long_exponent",
       "2 2\r\nA           1e" + Repeat("9", 100000) + " 1\r\nB           1 1\r\n"},
      {"huge_count", "1e400 3\r\n" + Rows(2, "011")},
      {"ntsys_huge_value", "1 2 2 0\r\nA B\r\n1e400 1\r\n1 1D999\r\n"},
      {"ntsys_huge_missing_code", "1 2 2 1 1e400\r\nA B\r\n1 1\r\n1 1\r\n"},
      {"bare_crs", Repeat("\r", 100000)}};
  ScratchFolder folder;
  auto check = [&](const std::string& path, const std::string& name, const std::string& declared) {
    // Reads 0-3 have bits quantitative and NTSYS; some files must give a text at some reads.
    const unsigned ntsys = name.starts_with("ntsys") ? 2 : 0;
    std::map<unsigned, std::string> must;
    if (name == "empty") must = {{0, ""}, {1, ""}, {2, ""}, {3, ""}};
    if (!declared.empty()) must[ntsys] = must[ntsys + 1] = "the header declares " + declared;
    if (name.find("huge") != std::string::npos) must[ntsys + 1] = "too large";
    if (name == "nul_bytes") must = {{0, "NUL byte"}, {1, "NUL byte"}, {2, "NUL"}, {3, "NUL"}};
    if (name == "ntsys_labels_never_end") must[2] = FindingText(ReadProblem::kLabelsIncomplete);
    for (unsigned read = 0; read < 4; ++read) {
      auto loaded = std::make_unique<DataSet>();
      loaded->SetMemoryLimit(std::uint64_t{256} << 20);
      ASSERT_NO_THROW(LoadDataFile(*loaded, MARBLESET_EXAMPLES_DIR "/markers.phy",
                                   DataKind::kBinary, FileFormat::kPhylip));
      const std::string before = Snapshot(*loaded);
      std::string text;
      bool refused = false, failed = false;
      try {
        LoadDataFile(*loaded, path, read & 1 ? DataKind::kQuantitative : DataKind::kBinary,
                     read & 2 ? FileFormat::kNtsys : FileFormat::kPhylip);
      } catch (const ReadFailure& failure) {
        // A finding counts as one, other failures as failed reads.
        refused = true;
        text = FindingText(failure.Kind());
        if (text.empty()) failed = true, text = failure.what();
      }
      SCOPED_TRACE(path + " read " + std::to_string(read) + ": " + text);
      EXPECT_TRUE(Consistent(*loaded));
      if (refused) {
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(before == Snapshot(*loaded)) << "a file that did not load changed the data";
      }
      if (must.contains(read)) {
        EXPECT_EQ(failed, name != "ntsys_labels_never_end");
        EXPECT_NE(text.find(must[read]), std::string::npos);
      }
    }
    // The run over every data set of a file reads it through its own data set.
    for (const DataKind kind : {DataKind::kBinary, DataKind::kQuantitative}) {
      DataSet loaded;
      loaded.Resize(kind, 2, 2, kind == DataKind::kBinary ? 2.0f : -9999.0f);
      loaded.SetMemoryLimit(std::uint64_t{256} << 20);
      const std::string before = Snapshot(loaded);
      NoProgress progress;
      try {
        ItemReader in = ItemReader::OpenFile(path);
        DistanceRunMulti(loaded, DefaultDistanceSettings(kind), in, folder / "out.dis", progress);
      } catch (const Failure& failure) {
        EXPECT_STRNE(failure.what(), "");
      }
      EXPECT_EQ(Snapshot(loaded), before) << path;
    }
  };
  for (const Hostile& file : corpus) {
    PutFile(folder / file.name, file.bytes);
    check(folder / file.name, file.name, file.declared);
  }
  int findings = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(MARBLESET_TEST_DATA_DIR).parent_path() /
                                                  "reliability/data")) {
    check(entry.path(), "", "");
    ++findings;
  }
  EXPECT_GT(findings, 0);
}

TEST(ChunkBoundary, AFileReadsAsTheSameTextInMemory) {
  ScratchFolder folder;
  const std::string path = folder / "boundary.phy";
  for (const std::string end : {"\r\n", "\r"}) {
    const std::string dataSet = "3 5" + end + "\"Alpha, one\" dropped" + end + "0 1 ? 1 0" + end +
                                "Beta        1,1,0,0,1" + end + "Gamma       0 0 1 1 ?" + end +
                                "2 1" + end;
    for (std::size_t shift = 0; shift <= dataSet.size() + end.size(); ++shift) {
      const std::string text = std::string((std::size_t{1} << 20) - shift, 'x') + end + dataSet;
      SCOPED_TRACE("boundary " + std::to_string(shift) + " bytes before the title's end");
      PutFile(path, text);
      DataSet fromFile, fromText;
      ASSERT_NO_THROW(LoadDataFile(fromFile, path, DataKind::kBinary, FileFormat::kPhylip));
      ItemReader in = ItemReader::FromText(text);
      ASSERT_EQ(ReadPhylipBinary(in, fromText), ReadStatus::kOk);
      EXPECT_TRUE(FurtherDataSetFollows(in));
      EXPECT_TRUE(fromFile.multiSet);
      EXPECT_EQ(fromFile.otuNames, fromText.otuNames);
      for (const DataSet* read : {&fromFile, &fromText})
        EXPECT_EQ(test::AsTable(*read),
                  "Alpha, one,0,1,NA,1,0\nBeta,1,1,0,0,1\nGamma,0,0,1,1,NA\n");
    }
  }
}

// A run over the data sets of a file into a full device: the failure reported is the run's
// own, with the system's reason, not the later one of moving what was written into place.
TEST(WriteFailure, RunOverEveryDataSetIntoAFullDeviceSaysWhy) {
  ScratchFolder folder;
  PutFile(folder / "in.phy", "2 2\r\nA           0 1\r\nB           1 1\r\n\r\n" +
                                 Repeat("2 2\r\nA           0 1\r\nB           1 0\r\n", 3000));
  DataSet data;
  ASSERT_NO_THROW(LoadDataFile(data, folder / "in.phy", DataKind::kBinary, FileFormat::kPhylip));
  ItemReader in = ItemReader::OpenFile(folder / "in.phy");
  NoProgress progress;
  EXPECT_EQ(test::FailureText<WriteFailure>([&] {
              DistanceRunMulti(data, DefaultDistanceSettings(data.Kind()), in, "/dev/full",
                               progress);
            }),
            "/dev/full: " + std::string(std::strerror(ENOSPC)));
}

// The largest sizes: a stream that keeps only the lines asked for and counts the rest, so a
// command's whole output at full size is checked without holding it.
class LineSampler : public std::streambuf {
 public:
  explicit LineSampler(std::set<std::size_t> keep) : keep_(std::move(keep)) {}
  std::size_t bytes = 0;
  std::size_t lines = 0;
  std::map<std::size_t, std::string> kept;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const char* end = s + n;
    while (s < end) {
      const char* lineEnd = static_cast<const char*>(std::memchr(s, '\n', end - s));
      const char* stop = lineEnd != nullptr ? lineEnd + 1 : end;
      if (keep_.contains(lines)) kept[lines].append(s, stop);
      lines += lineEnd != nullptr;
      s = stop;
    }
    bytes += static_cast<std::size_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      const char one = static_cast<char>(c);
      xsputn(&one, 1);
    }
    return traits_type::not_eof(c);
  }

 private:
  std::set<std::size_t> keep_;
};

// The given OTUs of data, all their characters, in a data set of their own (without copying
// the rest, which may be hundreds of megabytes).
DataSet Subset(const DataSet& data, const std::vector<std::size_t>& otus) {
  DataSet few;
  few.Resize(data.Kind(), otus.size(), data.CharCount(), data.MissingValue());
  for (std::size_t i = 0; i < otus.size(); ++i) {
    few.otuNames[i] = data.otuNames[otus[i]];
    if (data.IsBinary()) {
      std::memcpy(few.OnesRow(i), data.OnesRow(otus[i]), data.WordsPerRow() * 8);
      std::memcpy(few.MissingRow(i), data.MissingRow(otus[i]), data.WordsPerRow() * 8);
    } else {
      std::memcpy(few.Row(i), data.Row(otus[i]), data.CharCount() * sizeof(float));
    }
  }
  return few;
}

// A sink over a LineSampler; Flush before reading the sampler.
struct SampledSink {
  LineSampler sampler;
  std::ostream stream{&sampler};
  TextSink sink{stream, "sampled"};
  explicit SampledSink(std::set<std::size_t> keep) : sampler(std::move(keep)) {}
};

// Stops a run after its first data set: a generator at full size is proven on one data set.
class CancelAfterFirst final : public Progress {
 public:
  void Start(std::string_view) override {}
  void Advance(double) override { ++advances_; }
  bool CancelRequested() const override { return advances_ >= 1; }

 private:
  int advances_ = 0;
};

// The peak resident memory since ResetPeakMemory (VmHWM), in bytes.
std::uint64_t PeakMemory() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * 1024;
  }
  return 0;
}
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

// Prints the peak memory since ResetPeakMemory beside the data's bytes and, where it was
// measured and no sanitizer's shadow memory makes it meaningless, bounds it by copies of the
// data at once and 64 MB of buffers and threads.
void ExpectPeakMemoryWithin(bool measured, const char* kind, std::size_t otus,
                            std::size_t characters, std::uint64_t bytes, unsigned copies) {
  const std::uint64_t peak = PeakMemory();
  std::printf("%s %zu x %zu: data %.1f MB, peak memory %.1f MB\n", kind, otus, characters,
              bytes / 1e6, peak / 1e6);
  if (measured && !MARBLESET_SANITIZED) {
    EXPECT_LT(peak, copies * bytes + (std::uint64_t{64} << 20));
  }
}

// The whole text of the tokens of a distance matrix row line, after its name field.
std::vector<std::string> Tokens(const std::string& line) {
  std::istringstream words(line.substr(12));
  std::vector<std::string> tokens;
  for (std::string word; words >> word;) tokens.push_back(word);
  return tokens;
}

// Every coefficient and policy of the data's kind on a few OTUs of the full width: the fast
// pass gives the text of the plain cell-by-cell pass, with counts past 16 bits.
void EveryCoefficientOnAFewOtus(const DataSet& data) {
  const DataSet few = Subset(data, {0, 7, 1, data.OtuCount() - 1});  // 0 and 7 hold missing
  for (const Coefficient coefficient : CoefficientsFor(few.Kind())) {
    for (const MissingPolicy policy : MissingPoliciesFor(few.Kind())) {
      for (const bool distances : {true, false}) {
        const DistanceSettings settings{coefficient, policy, distances, false};
        const std::string fast =
            test::Written([&](TextSink& out) { DistanceMatrixPass(few, settings, out); });
        EXPECT_EQ(fast,
                  test::Written([&](TextSink& out) { ReferenceMatrixPass(few, settings, out); }))
            << CoefficientName(coefficient) << " / " << MissingPolicyName(policy);
        EXPECT_GT(fast.size(), 4u * 12u);
      }
    }
  }
}

// The default distance run at full size: row sizes, and the cells of the first and last row
// against the plain pass on those OTUs alone.
void FullDistanceRun(const DataSet& data) {
  const std::size_t n = data.OtuCount();
  SampledSink out({1, n});
  DistanceMatrixPass(data, DefaultDistanceSettings(data.Kind()), out.sink);
  out.sink.Flush();
  EXPECT_EQ(out.sampler.lines, n + 1);
  ASSERT_EQ(out.sampler.kept.size(), 2u);
  const std::vector<std::string> first = Tokens(out.sampler.kept[1]);
  const std::vector<std::string> last = Tokens(out.sampler.kept[n]);
  ASSERT_EQ(first.size(), n);
  ASSERT_EQ(last.size(), n);
  const DataSet ends = Subset(data, {0, 1, n - 1});
  std::istringstream lines(test::Written([&](TextSink& out) {
    ReferenceMatrixPass(ends, DefaultDistanceSettings(data.Kind()), out);
  }));
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  const std::vector<std::string> plainFirst = Tokens(line);
  ASSERT_EQ(plainFirst.size(), 3u);
  EXPECT_EQ(first[0], plainFirst[0]);
  EXPECT_EQ(first[1], plainFirst[1]);
  EXPECT_EQ(first[n - 1], plainFirst[2]);
  EXPECT_EQ(last[0], plainFirst[2]);
  EXPECT_EQ(last[n - 1], plainFirst[0]);
}

// Each generator offered for the data, on one data set: whole rows of the data set's shape, and
// what can be known of the text without drawing (GenStraps of distinct names writes the data set
// as it is saved; a permutation or random resampling of all OTUs keeps every token, so its size).
void GeneratorsOnOneDataSet(const DataSet& data, std::size_t savedBytes) {
  for (const Generator generator :
       {Generator::kBootStraps, Generator::kPermutations, Generator::kGenStraps,
        Generator::kRandomResampling, Generator::kMissStraps, Generator::kNoise}) {
    if (!IsOffered(generator, data)) continue;
    SCOPED_TRACE(std::string(GeneratorLabel(generator)) + " on " + std::to_string(data.OtuCount()) +
                 " OTUs");
    GeneratorSettings settings = DefaultGeneratorSettings(generator, data);
    settings.dataSets = 10;
    settings.otus = data.OtuCount();
    SampledSink out({0, 1});
    CancelAfterFirst oneDataSet;
    EXPECT_THROW(Generate(data, settings, out.sink, oneDataSet), RunCancelled);
    out.sink.Flush();
    const bool emptyLineAfter =
        generator == Generator::kGenStraps || generator == Generator::kRandomResampling;
    const std::size_t lines = (data.CharCount() + 199) / 200;
    EXPECT_EQ(out.sampler.lines, 1 + data.OtuCount() * lines + emptyLineAfter);
    EXPECT_EQ(out.sampler.kept[0], " " + std::to_string(data.OtuCount()) + " " +
                                       std::to_string(data.CharCount()) + "\r\n");
    if (data.IsBinary() || generator != Generator::kBootStraps) {
      EXPECT_EQ(out.sampler.bytes, savedBytes + 2 * emptyLineAfter);
    }
  }
}

// The bytes the data set takes when saved in the PHYLIP layout.
std::size_t SavedBytes(const DataSet& data) {
  SampledSink out({});
  WritePhylipData(data, out.sink);
  out.sink.Flush();
  return out.sampler.bytes;
}

#if MARBLESET_SANITIZED
constexpr std::size_t kBinaryOtus = 200, kQuantOtus = 150;
#else
constexpr std::size_t kBinaryOtus = 2000, kQuantOtus = 1500;
#endif
constexpr std::size_t kBinaryChars = 100'000, kQuantChars = 20'000;

// The largest binary data: saved to a file, read back, saved in NTSYS, every generator, the
// distances and crop. Characters 1, 65535 are uninformative, 70000 and the last monomorphic,
// ten characters past 65536 hold a missing entry each, in ten OTUs.
TEST(LargestSize, BinaryEveryCommandWithinMemoryBoundedByItsBitPlanes) {
  const bool measured = ResetPeakMemory();
  const std::size_t n = kBinaryOtus, m = kBinaryChars;
  DataSet original;
  original.Resize(DataKind::kBinary, n, m, kBinaryMissingValue);
  const std::uint64_t planeBytes = 2 * n * original.WordsPerRow() * 8;
  std::mt19937_64 random(1);
  for (std::size_t i = 0; i < n; ++i) {
    original.otuNames[i] = "OTU" + std::to_string(i + 1);
    std::uint64_t* ones = original.OnesRow(i);
    for (std::size_t w = 0; w < original.WordsPerRow(); ++w) ones[w] = random();
    ones[original.WordsPerRow() - 1] &= (std::uint64_t{1} << (m % 64)) - 1;
    original.SetValue(i, 1, i == 5 ? 1.0f : 0.0f);
    original.SetValue(i, 65535, i == 0 ? 0.0f : 1.0f);
    original.SetValue(i, 70000, 0.0f);
    original.SetValue(i, m - 1, 1.0f);
  }
  for (std::size_t j = 0; j < 10; ++j) original.SetValue(j * 7, 65536 + 1001 * j, 2.0f);

  ScratchFolder folder;
  const std::string path = folder / "largest.phy";
  WritePhylipData(original, path);
  const std::size_t rowBytes = 12 + 2 * m + 2 * ((m + 199) / 200);
  const std::string header = " " + std::to_string(n) + " " + std::to_string(m) + "\r\n";
  const std::size_t savedBytes = header.size() + n * rowBytes;
  ASSERT_EQ(fs::file_size(path), savedBytes);

  DataSet loaded;
  ASSERT_NO_THROW(LoadDataFile(loaded, path, DataKind::kBinary, FileFormat::kPhylip));
  ASSERT_EQ(loaded.OtuCount(), n);
  ASSERT_EQ(loaded.CharCount(), m);
  EXPECT_FALSE(loaded.HasOtherValues());
  for (std::size_t i = 0, bytes = loaded.WordsPerRow() * 8; i < n; ++i) {
    ASSERT_TRUE(loaded.otuNames[i].starts_with(original.otuNames[i]) &&
                std::memcmp(loaded.OnesRow(i), original.OnesRow(i), bytes) == 0 &&
                std::memcmp(loaded.MissingRow(i), original.MissingRow(i), bytes) == 0)
        << "OTU " << i;
  }
  original = DataSet();

  // NTSYS: the header, labels twenty to a line, then one line per character holding its
  // column; lines past 16 bits of characters and one with a missing entry compared cell by cell.
  {
    const std::size_t labelLines = (n + 19) / 20;
    const std::vector<std::size_t> sampled = {0, 65535, 65536 + 1001 * 3, m - 1};
    std::set<std::size_t> keep = {0};
    for (const std::size_t k : sampled) keep.insert(1 + labelLines + k);
    SampledSink ntsys(keep);
    WriteNtsysData(loaded, ntsys.sink);
    ntsys.sink.Flush();
    std::size_t labelBytes = 2 * labelLines;
    for (const std::string& name : loaded.otuNames) {
      labelBytes += name.find(' ') + 1;  // "OTU17 "
    }
    const std::string ntsysHeader =
        "1 " + std::to_string(m) + " " + std::to_string(n) + "L 1 2\r\n";
    EXPECT_EQ(ntsys.sampler.kept[0], ntsysHeader);
    EXPECT_EQ(ntsys.sampler.bytes, ntsysHeader.size() + labelBytes + m * (2 * n + 2));
    for (const std::size_t k : sampled) {
      std::string column;
      for (std::size_t i = 0; i < n; ++i) {
        column += loaded.IsMissing(i, k) ? " 2" : loaded.Value(i, k) == 1.0f ? " 1" : " 0";
      }
      EXPECT_TRUE(ntsys.sampler.kept[1 + labelLines + k] == column + "\r\n") << "character " << k;
    }
  }
  EveryCoefficientOnAFewOtus(loaded);
  FullDistanceRun(loaded);
  GeneratorsOnOneDataSet(loaded, savedBytes);

  // Crop: the two uninformative, two monomorphic and ten characters with a missing entry go;
  // OTUs with missing entries are judged on what stays, so none goes.
  DataSet cropped = loaded.Clone();
  ApplyCrop(cropped, CropChoice{true, true, true, true});
  EXPECT_EQ(cropped.CharCount(), m - 14);
  EXPECT_EQ(cropped.OtuCount(), n);
  // Eight removed characters lay before character 70001, thirteen before the last but one.
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_EQ(cropped.Value(i, 69993), loaded.Value(i, 70001));
    ASSERT_EQ(cropped.Value(i, m - 15), loaded.Value(i, m - 2));
  }
  cropped = DataSet();
  ApplyCrop(loaded, CropChoice{false, false, false, true});
  EXPECT_EQ(loaded.OtuCount(), n - 10);
  EXPECT_EQ(loaded.otuNames[0], "OTU2        ");

  // Three data sets at most at once: the original and the one read back, later the one read
  // back and a copy to crop.
  ExpectPeakMemoryWithin(measured, "binary", n, m, planeBytes, 3);
}

// The largest quantitative data: hundredths (which the writer's seven digits keep) and ten
// missing entries past character 16384, saved and read back; the distances and the
// generators on part of its OTUs.
TEST(LargestSize, QuantitativeEveryCommandWithinMemoryBoundedByItsCells) {
  const bool measured = ResetPeakMemory();
  const std::size_t n = kQuantOtus, m = kQuantChars;
  const std::uint64_t cellBytes = 4 * n * m;
  DataSet original;
  original.Resize(DataKind::kQuantitative, n, m, kQuantitativeMissingValue);
  std::mt19937 random(1);
  for (std::size_t i = 0; i < n; ++i) {
    original.otuNames[i] = "OTU" + std::to_string(i + 1);
    float* row = original.Row(i);
    for (std::size_t k = 0; k < m; ++k) {
      row[k] = static_cast<float>((static_cast<int>(random() % 10001) - 5000) / 100.0);
    }
  }
  for (std::size_t j = 0; j < 10; ++j) original.Row(j * 7)[16384 + 337 * j] = -9999.0f;

  ScratchFolder folder;
  const std::string path = folder / "largest.phy";
  WritePhylipData(original, path);
  DataSet loaded;
  ASSERT_NO_THROW(LoadDataFile(loaded, path, DataKind::kQuantitative, FileFormat::kPhylip));
  ASSERT_EQ(loaded.OtuCount(), n);
  ASSERT_EQ(loaded.CharCount(), m);
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_EQ(std::memcmp(loaded.Row(i), original.Row(i), m * sizeof(float)), 0) << "OTU " << i;
  }
  original = DataSet();

  // Formatting values is most of the time of every other command and grows with the cells
  // alone: the full width for a tenth of the OTUs is proof enough for the generators, and for
  // a third (a ninth of the pairs) for the distances.
  const auto first = [&](std::size_t count) {
    std::vector<std::size_t> otus(count);
    for (std::size_t i = 0; i < count; ++i) otus[i] = i;
    return Subset(loaded, otus);
  };
  const DataSet tenth = first(n / 10);
  EveryCoefficientOnAFewOtus(loaded);
  FullDistanceRun(first(n / 3));
  GeneratorsOnOneDataSet(tenth, SavedBytes(tenth));

  // The original and the data read back at once.
  ExpectPeakMemoryWithin(measured, "quantitative", n, m, cellBytes, 2);
}

long DrawsBetween(UniformSource before, const UniformSource& after, long limit) {
  long n = 0;
  for (; n <= limit && !(before == after); ++n) before.Next();
  return n;
}

void Bounds() {
  // Every position replaced: each copies a later one, the last keeps its own.
  for (const std::size_t characters : {1, 2, 10, 5000, 100'000}) {
    for (std::uint64_t seed = 0; seed < 5; ++seed) {
      UniformSource source(seed);
      const UniformSource start = source;
      ColumnPicks picks;
      DrawBootstrapPicks(characters, 100, source, picks);
      ASSERT_EQ(picks.size(), characters);
      for (std::size_t j = 0; j + 1 < characters; ++j) {
        ASSERT_TRUE(picks[j] > j && picks[j] < characters) << j << " " << picks[j];
      }
      ASSERT_EQ(picks[characters - 1], characters - 1);
      const auto bound =
          static_cast<long>(20 * characters * (std::log(static_cast<double>(characters)) + 2));
      EXPECT_LE(DrawsBetween(start, source, bound), bound) << characters;
    }
  }
  // All n of n distinct OTUs: the coupon collector, over n (ln n + c) with probability < e^-c.
  for (const std::size_t otus : {1000, 10'000}) {
    const auto bound = static_cast<long>(otus * (std::log(static_cast<double>(otus)) + 12));
    for (std::uint64_t seed = 0; seed < 10; ++seed) {
      UniformSource source(seed);
      const UniformSource start = source;
      OtuPicks picks;
      PickDistinctOtus(otus, otus, source, picks);
      const std::set<std::size_t> seen(picks.begin(), picks.end());
      ASSERT_EQ(picks.size(), otus);
      ASSERT_EQ(seen.size(), otus);
      EXPECT_TRUE(*seen.begin() == 0 && *seen.rbegin() == otus - 1);
      EXPECT_LE(DrawsBetween(start, source, bound), bound) << "seed " << seed;
    }
  }
}

TEST(NoHang, EveryDrawLoopEndsWithinItsBound) {
  auto done = std::async(std::launch::async, Bounds);
  if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    std::fprintf(stderr, "a draw loop did not end within 60 s\n");
    std::_Exit(1);
  }
  done.get();
}

}  // namespace
}  // namespace marbleset
