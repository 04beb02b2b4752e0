// Hostile input, outputs that cannot be written, the full capacity, draw loops that must end,
// and the reader's chunk boundary.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <random>
#include <set>

#include "dataset/data_loader.h"
#include "dataset/errors.h"
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"
#include "distances/distance_run.h"
#include "editing/data_writer.h"
#include "editing/screening.h"
#include "resampling/char_picks.h"
#include "resampling/generators.h"
#include "resampling/otu_picks.h"

namespace marbleset {
namespace {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = std::filesystem::temp_directory_path() / "marbleset-reliability-XXXXXX";
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Snapshot(const DataSet& d) {
  std::string s = std::to_string(d.NOtu) + ' ' + std::to_string(d.NChar) + ' ' +
                  std::to_string(d.Quantitative) + ' ' + std::to_string(d.MultiSet) + ' ' +
                  std::to_string(d.MissingValue) + '\n' + d.DataFileName + '\n' + d.DataDir;
  for (const std::string& name : d.OtuName) s += '\n' + name;
  return s.append(reinterpret_cast<const char*>(d.Row(0)),
                  sizeof(float) * (kMaxOtu + 1) * (kMaxChar + 1));
}

bool Within(const DataSet& d) {
  for (int i = 1; i <= d.NOtu && i <= kMaxOtu; ++i) {
    if (d.OtuName[i].size() > 12) return false;
  }
  return d.NOtu >= 0 && d.NOtu <= kMaxOtu && d.NChar >= 0 && d.NChar <= kMaxChar;
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
  const std::pair<const char*, std::string> corpus[] = {
      {"empty", ""},
      {"garbage", garbage},
      {"beyond_otus_32767", "32767 10\r\n" + Rows(3, "0101010101")},
      {"huge_otus_32768", "32768 10\r\n" + Rows(3, "0101010101")},
      {"ntsys_beyond_otus_32767", "1 2 32767 0\r\nA B C\r\n0 1 0\r\n1 1 0\r\n"},
      {"beyond_otus_1001", "1001 4\r\n" + Rows(1001, "0 1 1 0")},
      {"ntsys_beyond_otus_1001",
       "1 1 1001 0\r\n" + Repeat("A ", 1001) + "\r\n" + Repeat("1 ", 1001)},
      {"beyond_chars_5001", "2 5001\r\n" + Rows(2, Repeat("1", 5001))},
      {"beyond_row_5000", "2 10\r\n" + Rows(2, Repeat("0", 6000))},
      {"ntsys_beyond_chars_5001", "1 5001 2 0\r\nA B\r\n" + Repeat("0 1\r\n", 5001)},
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
  auto check = [&](const std::string& path, const std::string& name) {
    // Reads 0-3 have bits quantitative and NTSYS; some files must give a text at some reads.
    const unsigned ntsys = name.starts_with("ntsys") ? 2 : 0;
    std::map<unsigned, std::string> must;
    if (name == "empty") must = {{0, ""}, {1, ""}, {2, ""}, {3, ""}};
    if (name.find("beyond") != std::string::npos) must[ntsys] = "at most";
    if (name.find("huge") != std::string::npos) must[ntsys + 1] = "too large";
    if (name == "ntsys_labels_never_end")
      must[2] = ReadStatusMessage(ReadStatus::kLabelsIncomplete);
    for (unsigned read = 0; read < 4; ++read) {
      auto loaded = std::make_unique<DataSet>();
      ASSERT_EQ(LoadDataFile(*loaded, MARBLESET_EXAMPLES_DIR "/markers.phy", DataKind::kBinary,
                             Layout::kPhylip),
                ReadStatus::kOk);
      const std::string before = Snapshot(*loaded);
      ReadStatus status = ReadStatus::kOk;
      std::string text;
      try {
        status = LoadDataFile(*loaded, path, read & 1 ? DataKind::kQuantitative : DataKind::kBinary,
                              read & 2 ? Layout::kNtsys : Layout::kPhylip);
        text = ReadStatusMessage(status);
      } catch (const ReadFailure& failure) {
        status = ReadStatus(-1);
        text = failure.what();
      }
      SCOPED_TRACE(path + " read " + std::to_string(read) + ": " + text);
      EXPECT_TRUE(Within(*loaded));
      if (status != ReadStatus::kOk) {
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(before == Snapshot(*loaded)) << "a file that did not load changed the data";
      }
      if (must.contains(read)) {
        EXPECT_EQ(status == ReadStatus(-1), name != "ntsys_labels_never_end");
        EXPECT_NE(text.find(must[read]), std::string::npos);
      }
    }
    for (const int16_t quantitative : {0, 1}) {
      auto data = std::make_unique<DataSet>();
      data->DataFileName = path;
      data->MultiSet = 1;
      data->Quantitative = quantitative;
      data->MissingValue = quantitative ? -9999.0f : 2.0f;
      NoProgress progress;
      try {
        DistanceRunMulti(*data, DistanceSettings{}, folder / "out.dis", progress);
      } catch (const Failure& failure) {
        EXPECT_STRNE(failure.what(), "");
      }
      EXPECT_TRUE(Within(*data)) << path << " as " << quantitative;
    }
  };
  for (const auto& [name, bytes] : corpus) {
    WriteFile(folder / name, bytes);
    check(folder / name, name);
  }
  int findings = 0;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(MARBLESET_TEST_DATA_DIR).parent_path() / "reliability/data")) {
    check(entry.path(), "");
    ++findings;
  }
  EXPECT_GT(findings, 0);
}

TEST(ChunkBoundary, AFileReadsAsTheSameTextInMemory) {
  ScratchFolder folder;
  const std::string path = folder / "boundary.phy";
  auto from_file = std::make_unique<DataSet>();
  auto from_text = std::make_unique<DataSet>();
  for (const std::string end : {"\r\n", "\r"}) {
    const std::string data_set = "3 5" + end + "\"Alpha, one\" dropped" + end + "0 1 ? 1 0" + end +
                                 "Beta        1,1,0,0,1" + end + "Gamma       0 0 1 1 ?" + end +
                                 "2 1" + end;
    for (std::size_t shift = 0; shift <= data_set.size() + end.size(); ++shift) {
      const std::string text = std::string((std::size_t{1} << 20) - shift, 'x') + end + data_set;
      SCOPED_TRACE("boundary " + std::to_string(shift) + " bytes before the title's end");
      WriteFile(path, text);
      ASSERT_EQ(LoadDataFile(*from_file, path, DataKind::kBinary, Layout::kPhylip),
                ReadStatus::kOk);
      ItemReader in = ItemReader::FromText(text);
      ASSERT_EQ(ReadPhylipBinary(in, *from_text), ReadStatus::kOk);
      EXPECT_TRUE(FurtherDataSetFollows(in));
      EXPECT_EQ(from_file->OtuName[1], "Alpha, one");
      EXPECT_EQ(from_file->Matrix(1, 3), 2.0f);
      for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(from_file->OtuName[i], from_text->OtuName[i]);
        EXPECT_TRUE(std::equal(from_file->Row(i), from_file->Row(i) + 6, from_text->Row(i)));
      }
    }
  }
}

TEST(WriteFailure, EveryOutputReportsTheSystemsReasonAndKeepsTheData) {
  ScratchFolder folder;
  // Two OTUs share a name, so GenStraps has a group to pick.
  WriteFile(folder / "in.phy",
            "4 6\r\nAlpha       0 1 1 0 ? 1\r\nBeta        1 1 0 0 1 0\r\n"
            "Alpha       0 0 1 1 1 ?\r\nDelta       1 0 1 0 0 1\r\n");
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*data, folder / "in.phy", DataKind::kBinary, Layout::kPhylip),
            ReadStatus::kOk);
  const std::string before = Snapshot(*data);
  // As root a read-only file is still writable, hence a path below a file and a folder.
  const std::pair<std::string, int> targets[] = {{"/dev/full", ENOSPC},
                                                 {folder / "no_such_folder/out", ENOENT},
                                                 {folder / "in.phy/out", ENOTDIR},
                                                 {folder / "", EISDIR}};
  UniformSource source;
  NoProgress progress;
  using P = const std::string&;
  const std::function<void(P)> commands[] = {
      [&](P p) { WritePhylipData(*data, p); },
      [&](P p) { WriteNtsysData(*data, p); },
      [&](P p) { DistanceRunSingle(*data, DistanceSettings{}, p); },
      [&](P p) { DistanceRunMulti(*data, DistanceSettings{}, p, progress); },
      [&](P p) { GenerateBootStraps(*data, source, 100, 350, p, progress); },
      [&](P p) { GeneratePermutations(*data, source, 100, p, progress); },
      [&](P p) { GenerateGenStraps(*data, source, 100, p, progress); },
      [&](P p) { GenerateResamplings(*data, source, 100, 30, p, progress); },
      [&](P p) { GenerateMissStraps(*data, source, 100, p, progress); },
      [&](P p) { GenerateNoise(*data, source, 100, 100, p, progress); }};
  for (const auto& [path, error] : targets) {
    for (std::size_t c = 0; c < std::size(commands); ++c) {
      SCOPED_TRACE("command " + std::to_string(c) + " into " + path);
      try {
        commands[c](path);
        ADD_FAILURE() << "no failure reported";
      } catch (const WriteFailure& failure) {
        const std::string text = failure.what();
        EXPECT_NE(text.find(std::strerror(error)), std::string::npos) << text;
        EXPECT_NE(text.find(path), std::string::npos) << text;
      }
      EXPECT_TRUE(before == Snapshot(*data)) << "the data set in memory changed";
    }
  }
  EXPECT_EQ(std::filesystem::file_size(folder / "in.phy"), 105u);
}

// Bytes written by run into a sink that keeps none.
std::size_t Discarded(const std::function<void(TextSink&)>& run) {
  struct : std::streambuf {
    std::size_t n = 0;
    int_type overflow(int_type c) override { return ++n, traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize k) override { return n += k, k; }
  } discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  run(sink);
  sink.Flush();
  return discard.n;
}

TEST(FullCapacity, EveryCommandOnAThousandOtusByFiveThousandCharacters) {
  ScratchFolder folder;
  for (const bool quantitative : {false, true}) {
    SCOPED_TRACE(quantitative ? "quantitative" : "binary");
    auto original = std::make_unique<DataSet>();
    original->NOtu = kMaxOtu;
    original->NChar = kMaxChar;
    original->Quantitative = quantitative;
    original->MissingValue = quantitative ? -9999.0f : 2.0f;
    std::mt19937 random(1);
    for (int i = 1; i <= kMaxOtu; ++i) {
      original->OtuName[i] = std::string("OTU").append(std::to_string(i)).append(8, ' ');
      original->OtuName[i].resize(12);
      for (int j = 1; j <= kMaxChar; ++j) {  // hundredths survive the writer's 7 digits
        original->Matrix(i, j) =
            quantitative ? static_cast<float>((static_cast<int>(random() % 10001) - 5000) / 100.0)
                         : static_cast<float>(random() & 1);
      }
    }
    for (int i = 1; i <= 10; ++i) original->Matrix(i, i * 37) = original->MissingValue;
    WriteNtsysData(*original, folder / "full.nts");
    WritePhylipData(*original, folder / "full.phy");
    auto loaded = std::make_unique<DataSet>();
    for (const auto layout : {Layout::kNtsys, Layout::kPhylip}) {
      ASSERT_EQ(LoadDataFile(*loaded, folder / (layout == Layout::kNtsys ? "full.nts" : "full.phy"),
                             quantitative ? DataKind::kQuantitative : DataKind::kBinary, layout),
                ReadStatus::kOk);
      loaded->DataFileName = loaded->DataDir = "";
      EXPECT_TRUE(Snapshot(*loaded) == Snapshot(*original));
    }
    original.reset();

    for (int c = 0; c < static_cast<int>(CoefficientNames(quantitative).size()); ++c) {
      for (int p = 0; p < static_cast<int>(MissingPolicyNames(quantitative).size()); ++p) {
        const DistanceSettings settings{.coefficient = c, .policy = p, .averaging = true};
        EXPECT_GT(Discarded([&](TextSink& s) { DistanceMatrixPass(*loaded, settings, s); }), 0u)
            << c << " / " << p;
      }
    }

    // Ten data sets each; M = 10000 tenths makes the distinct pick draw all 1000 OTUs.
    UniformSource source;
    NoProgress progress;
    const DataSet& d = *loaded;
    std::vector<std::function<void(TextSink&)>> generators = {
        [&](TextSink& s) { GenerateBootStraps(d, source, 100, 350, s, progress); },
        [&](TextSink& s) { GeneratePermutations(d, source, 100, s, progress); },
        [&](TextSink& s) { GenerateGenStraps(d, source, 100, s, progress); },
        [&](TextSink& s) { GenerateResamplings(d, source, 100, 10000, s, progress); }};
    if (!quantitative) {
      generators.push_back([&](TextSink& s) { GenerateMissStraps(d, source, 100, s, progress); });
      generators.push_back([&](TextSink& s) { GenerateNoise(d, source, 100, 100, s, progress); });
    }
    for (const auto& generate : generators) EXPECT_GT(Discarded(generate), 50'000'000u);
    if (quantitative) continue;
    // Only the ten characters with a missing entry go; no OTU is wholly missing.
    ApplyCrop(*loaded, CropChoice{true, true, true, false});
    EXPECT_EQ(loaded->NChar, kMaxChar - 10);
    ApplyCrop(*loaded, CropChoice{false, false, false, true});
    EXPECT_EQ(loaded->NOtu, kMaxOtu);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("full capacity: peak memory %ld MB\n", usage.ru_maxrss / 1024);
#ifndef __SANITIZE_ADDRESS__  // its quarantine makes the figure meaningless
  EXPECT_LT(usage.ru_maxrss / 1024, 200);
#endif
}

long DrawsBetween(UniformSource before, const UniformSource& after, long limit) {
  long n = 0;
  for (; n <= limit && !(before == after); ++n) before.Next();
  return n;
}

void Bounds() {
  // Every position replaced: each copies a later one, the last keeps its own.
  for (const int n_char : {1, 2, 10, 5000}) {
    for (std::uint64_t seed = 0; seed < 5; ++seed) {
      UniformSource source(seed);
      const UniformSource start = source;
      CharPicks pick;
      DrawBootstrapPicks(n_char, 1000, source, pick);
      for (int j = 1; j < n_char; ++j) ASSERT_TRUE(pick[j] > j && pick[j] <= n_char);
      ASSERT_EQ(pick[n_char], n_char);
      const long bound = 20 * n_char * (std::log(n_char) + 2);
      EXPECT_LE(DrawsBetween(start, source, bound), bound) << n_char;
    }
  }
  // All n of n distinct OTUs: the coupon collector, over n (ln n + c) with probability < e^-c.
  const long bound = kMaxOtu * (std::log(kMaxOtu) + 12);
  for (std::uint64_t seed = 0; seed < 20; ++seed) {
    UniformSource source(seed);
    const UniformSource start = source;
    OtuPicks picks;
    picks.NUniqueOtu = kMaxOtu;
    PickDistinctOtus(kMaxOtu, source, picks);
    const std::set<int> seen(picks.UniqueOtu.begin() + 1, picks.UniqueOtu.begin() + 1 + kMaxOtu);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kMaxOtu));
    EXPECT_TRUE(*seen.begin() == 1 && *seen.rbegin() == kMaxOtu);
    EXPECT_LE(DrawsBetween(start, source, bound), bound) << "seed " << seed;
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
