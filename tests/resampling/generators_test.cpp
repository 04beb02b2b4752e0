// The six generators: what they write, in which layout, and how often.
#include "resampling/generators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "resampling/char_picks.h"
#include "resampling/otu_picks.h"

namespace marbleset {
namespace {

std::unique_ptr<DataSet> MakeData(const std::vector<std::string>& names, int n_char,
                                  float missing = 2.0f) {
  auto data = std::make_unique<DataSet>();
  data->NOtu = static_cast<int16_t>(names.size());
  data->NChar = static_cast<int16_t>(n_char);
  data->MissingValue = missing;
  for (int i = 1; i <= data->NOtu; ++i) {
    data->OtuName[i] = names[i - 1] + std::string(12 - names[i - 1].size(), ' ');
  }
  return data;
}

// Each cell tells where it comes from: OTU i, character j holds 1000 i + j.
std::unique_ptr<DataSet> TracedData(int n_otu, int n_char) {
  std::vector<std::string> names;
  for (int i = 1; i <= n_otu; ++i) names.push_back("otu" + std::to_string(i));
  auto data = MakeData(names, n_char, -9999.0f);
  data->Quantitative = 1;
  for (int i = 1; i <= n_otu; ++i) {
    for (int j = 1; j <= n_char; ++j) data->Matrix(i, j) = static_cast<float>(1000 * i + j);
  }
  return data;
}

// Binary cells from a fixed pattern of 0, 1 and a few missing.
std::unique_ptr<DataSet> BinaryData(int n_otu, int n_char, bool with_missing) {
  std::vector<std::string> names;
  for (int i = 1; i <= n_otu; ++i) names.push_back("b" + std::to_string(i));
  auto data = MakeData(names, n_char);
  for (int i = 1; i <= n_otu; ++i) {
    for (int j = 1; j <= n_char; ++j) {
      const bool missing = with_missing && (i * 7 + j * 3) % 11 == 0;
      data->Matrix(i, j) = missing ? 2.0f : static_cast<float>((i * j + j / 3) % 2);
    }
  }
  return data;
}

struct Row {
  std::string name;
  std::vector<std::string> tokens;
};
struct Set {
  int rows = 0, chars = 0;
  std::vector<Row> row;
};

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  for (std::string t; in >> t;) tokens.push_back(t);
  return tokens;
}

// Reads a generated file back, checking its line layout on the way: CR LF line ends, names in
// 12-character fields, 200 tokens a line, continuation lines of bare tokens each starting with
// a blank, and (where the generator writes them) one empty line after every data set.
std::vector<Set> ParseFile(const std::string& text, bool empty_line_after) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "unterminated line";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  std::vector<Set> sets;
  std::size_t l = 0;
  while (l < lines.size()) {
    const auto header = Tokens(lines[l++]);
    EXPECT_EQ(header.size(), 2u);
    Set set;
    set.rows = std::stoi(header.at(0));
    set.chars = std::stoi(header.at(1));
    for (int r = 0; r < set.rows; ++r) {
      Row row;
      row.name = lines.at(l).substr(0, 12);
      std::string rest = lines.at(l++).substr(12);
      for (;;) {
        EXPECT_EQ(rest.empty() ? ' ' : rest[0], ' ');
        const auto tokens = Tokens(rest);
        row.tokens.insert(row.tokens.end(), tokens.begin(), tokens.end());
        const int expected = std::min(
            200, set.chars - static_cast<int>(row.tokens.size()) + static_cast<int>(tokens.size()));
        EXPECT_EQ(static_cast<int>(tokens.size()), expected);
        if (static_cast<int>(row.tokens.size()) >= set.chars) break;
        rest = lines.at(l++);
      }
      set.row.push_back(row);
    }
    if (empty_line_after) {
      EXPECT_EQ(lines.at(l++), "");
    }
    sets.push_back(set);
  }
  return sets;
}

struct RecordedProgress final : Progress {
  std::string label;
  std::vector<double> values;
  void Start(std::string_view message) override { label = message; }
  void Advance(double percent) override { values.push_back(percent); }
};

template <class Run>
std::string Capture(Run&& run) {
  std::ostringstream stream;
  TextSink sink(stream);
  run(sink);
  sink.Flush();
  return stream.str();
}

TEST(Generators, BootstrapsFollowTheirPicksForEveryRowAndKeepMissingWithItsColumn) {
  auto data = TracedData(4, 30);
  data->Matrix(3, 7) = -9999.0f;
  UniformSource source, replay;
  NoProgress progress;
  const auto sets = ParseFile(
      Capture([&](TextSink& out) { GenerateBootStraps(*data, source, 500, 350, out, progress); }),
      false);
  ASSERT_EQ(sets.size(), 50u);
  CharPicks pick;
  int replaced = 0;
  for (const Set& set : sets) {
    ASSERT_EQ(set.rows, 4);
    ASSERT_EQ(set.chars, 30);
    DrawBootstrapPicks(30, 350, replay, pick);
    for (int i = 1; i <= 4; ++i) {
      EXPECT_EQ(set.row[i - 1].name, data->OtuName[i]);
      for (int j = 1; j <= 30; ++j) {
        const std::string expected =
            (i == 3 && pick[j] == 7) ? "?" : std::to_string(1000 * i + pick[j]);
        ASSERT_EQ(set.row[i - 1].tokens[j - 1], expected) << "otu " << i << " position " << j;
      }
    }
    for (int j = 1; j <= 30; ++j) replaced += pick[j] != j;
  }
  // Same draws as the picks alone: a run draws nothing besides them.
  EXPECT_EQ(source, replay);
  EXPECT_GT(replaced, 0);
}

TEST(Generators, PermutationsHoldEveryColumnOnceInOneOrderForAllRows) {
  auto data = TracedData(3, 25);
  UniformSource source;
  NoProgress progress;
  const auto sets = ParseFile(
      Capture([&](TextSink& out) { GeneratePermutations(*data, source, 200, out, progress); }),
      false);
  ASSERT_EQ(sets.size(), 20u);
  bool reordered = false;
  for (const Set& set : sets) {
    std::vector<int> order;
    for (const auto& token : set.row[0].tokens) order.push_back(std::stoi(token) - 1000);
    for (int i = 2; i <= 3; ++i) {
      for (int j = 0; j < 25; ++j) {
        ASSERT_EQ(set.row[i - 1].tokens[j], std::to_string(1000 * i + order[j]));
      }
    }
    reordered = reordered || !std::is_sorted(order.begin(), order.end());
    std::sort(order.begin(), order.end());
    for (int j = 0; j < 25; ++j) ASSERT_EQ(order[j], j + 1);
  }
  EXPECT_TRUE(reordered);

  // One character: every data set is the input.
  auto single = TracedData(2, 1);
  const std::string text =
      Capture([&](TextSink& out) { GeneratePermutations(*single, source, 100, out, progress); });
  std::string one =
      " 2 1\r\n" + single->OtuName[1] + " 1001\r\n" + single->OtuName[2] + " 2001\r\n";
  std::string expected;
  for (int d = 0; d < 10; ++d) expected += one;
  EXPECT_EQ(text, expected);
}

TEST(Generators, GenStrapsWriteOneMemberPerNameInFirstOccurrenceOrder) {
  auto data = MakeData({"A", "B", "A", "C", "B", "A"}, 3);
  for (int i = 1; i <= 6; ++i) {
    for (int j = 1; j <= 3; ++j) data->Matrix(i, j) = static_cast<float>(10 * i + j);
  }
  data->Matrix(6, 2) = 2.0f;  // missing
  UniformSource source;
  NoProgress progress;
  const auto sets = ParseFile(
      Capture([&](TextSink& out) { GenerateGenStraps(*data, source, 10000, out, progress); }),
      true);
  ASSERT_EQ(sets.size(), 1000u);
  std::vector<int> count(7, 0);
  for (const Set& set : sets) {
    ASSERT_EQ(set.rows, 3);
    const char* names[] = {"A", "B", "C"};
    for (int g = 0; g < 3; ++g) {
      const Row& row = set.row[g];
      ASSERT_EQ(row.name.substr(0, 1), names[g]);
      const int i = std::stoi(row.tokens[0]) / 10;
      ASSERT_EQ(row.name, data->OtuName[i]);
      ASSERT_EQ(row.tokens[1], i == 6 ? "?" : std::to_string(10 * i + 2));
      ++count[i];
    }
  }
  EXPECT_EQ(count[4], 1000);
  for (int i : {1, 3, 6}) EXPECT_NEAR(count[i] / 1000.0, 1 / 3.0, 0.07) << i;
  for (int i : {2, 5}) EXPECT_NEAR(count[i] / 1000.0, 0.5, 0.07) << i;
}

TEST(Generators, ResamplingWritesDistinctOtusInDrawOrder) {
  auto data = TracedData(7, 4);
  UniformSource source;
  NoProgress progress;
  for (int16_t M : {70, 10, 45, 55}) {
    const auto sets = ParseFile(
        Capture([&](TextSink& out) { GenerateResamplings(*data, source, 300, M, out, progress); }),
        true);
    ASSERT_EQ(sets.size(), 30u);
    const int expected_rows = M == 70 ? 7 : M == 10 ? 1 : M == 45 ? 4 : 6;
    bool out_of_order = false;
    for (const Set& set : sets) {
      ASSERT_EQ(set.rows, expected_rows) << M;
      std::set<int> seen;
      int previous = 0;
      for (const Row& row : set.row) {
        const int i = std::stoi(row.tokens[0]) / 1000;
        EXPECT_EQ(row.name, data->OtuName[i]);
        EXPECT_EQ(row.tokens[3], std::to_string(1000 * i + 4));
        EXPECT_TRUE(seen.insert(i).second) << "OTU " << i << " twice";
        out_of_order = out_of_order || i < previous;
        previous = i;
      }
    }
    if (expected_rows > 1) {
      EXPECT_TRUE(out_of_order) << M;
    }
  }
  std::ostringstream stream;
  TextSink sink(stream);
  EXPECT_THROW(GenerateResamplings(*data, source, 100, 80, sink, progress), WriteFailure);
  EXPECT_THROW(GenerateResamplings(*data, source, 100, 4, sink, progress), WriteFailure);
}

TEST(Generators, MissStrapsFillOnlyMissingCellsWithFairCoins) {
  auto data = BinaryData(20, 60, true);
  UniformSource source;
  NoProgress progress;
  const auto sets = ParseFile(
      Capture([&](TextSink& out) { GenerateMissStraps(*data, source, 2000, out, progress); }),
      false);
  ASSERT_EQ(sets.size(), 200u);
  long ones = 0, filled = 0;
  for (const Set& set : sets) {
    for (int i = 1; i <= 20; ++i) {
      for (int j = 1; j <= 60; ++j) {
        const std::string& token = set.row[i - 1].tokens[j - 1];
        const float value = data->Matrix(i, j);
        if (value == 2.0f) {
          ASSERT_TRUE(token == "0" || token == "1");
          ones += token == "1";
          ++filled;
        } else {
          ASSERT_EQ(token, value == 1.0f ? "1" : "0");
        }
      }
    }
  }
  ASSERT_GT(filled, 10000);
  EXPECT_NEAR(ones / double(filled), 0.5, 0.015);

  // Nothing missing: copies back to back, and no draw at all.
  auto complete = BinaryData(3, 5, false);
  const UniformSource before = source;
  const std::string text =
      Capture([&](TextSink& out) { GenerateMissStraps(*complete, source, 100, out, progress); });
  EXPECT_EQ(source, before);
  const auto copies = ParseFile(text, false);
  ASSERT_EQ(copies.size(), 10u);
  EXPECT_EQ(text.substr(0, text.size() / 10), text.substr(text.size() / 10 * 9));
}

TEST(Generators, NoiseFlipsAtItsRateAndKeepsMissingAndOtherValues) {
  auto data = BinaryData(10, 50, true);
  data->Matrix(4, 9) = 3.0f;  // neither 0, 1 nor missing
  UniformSource source;
  NoProgress progress;
  UniformSource one_draw_per_cell = source;
  for (int n = 0; n < 10 * 10 * 50; ++n) one_draw_per_cell.Next();
  const auto flip_all = ParseFile(
      Capture([&](TextSink& out) { GenerateNoise(*data, source, 100, 1000, out, progress); }),
      false);
  ASSERT_EQ(flip_all.size(), 10u);
  EXPECT_EQ(source, one_draw_per_cell);
  for (const Set& set : flip_all) {
    for (int i = 1; i <= 10; ++i) {
      ASSERT_EQ(set.row[i - 1].tokens.size(), 50u);
      for (int j = 1; j <= 50; ++j) {
        const float value = data->Matrix(i, j);
        const char* expected = value == 2.0f   ? "?"
                               : value == 0.0f ? "1"
                               : value == 1.0f ? "0"
                                               : "3";
        ASSERT_EQ(set.row[i - 1].tokens[j - 1], expected);
      }
    }
  }

  const auto some = ParseFile(
      Capture([&](TextSink& out) { GenerateNoise(*data, source, 2000, 100, out, progress); }),
      false);
  long flipped = 0, cells = 0;
  for (const Set& set : some) {
    for (int i = 1; i <= 10; ++i) {
      for (int j = 1; j <= 50; ++j) {
        const float value = data->Matrix(i, j);
        const std::string& token = set.row[i - 1].tokens[j - 1];
        if (value == 2.0f) {
          ASSERT_EQ(token, "?");
        } else if (value == 3.0f) {
          ASSERT_EQ(token, "3");
        } else {
          flipped += token != (value == 1.0f ? "1" : "0");
          ++cells;
        }
      }
    }
  }
  EXPECT_NEAR(flipped / double(cells), 0.1, 0.006);
}

TEST(Generators, MissingCodesZeroAndOneStayApartFromDrawnBits) {
  // An NTSYS file may declare 0 or 1 as its missing code; drawn and flipped bits must still
  // come out as digits and missing cells as " ?".
  auto data = MakeData({"x", "y"}, 4, 1.0f);
  const float cells[2][4] = {{0, 1, 0, 1}, {1, 0, 0, 1}};
  for (int i = 1; i <= 2; ++i) {
    for (int j = 1; j <= 4; ++j) data->Matrix(i, j) = cells[i - 1][j - 1];
  }
  UniformSource source;
  NoProgress progress;
  for (const Set& set : ParseFile(
           Capture([&](TextSink& out) { GenerateNoise(*data, source, 100, 1000, out, progress); }),
           false)) {
    EXPECT_EQ(set.row[0].tokens, (std::vector<std::string>{"1", "?", "1", "?"}));
    EXPECT_EQ(set.row[1].tokens, (std::vector<std::string>{"?", "1", "1", "?"}));
  }
  for (const Set& set : ParseFile(
           Capture([&](TextSink& out) { GenerateMissStraps(*data, source, 100, out, progress); }),
           false)) {
    EXPECT_EQ(set.row[0].tokens[0], "0");
    EXPECT_TRUE(set.row[0].tokens[1] == "0" || set.row[0].tokens[1] == "1");
  }
}

TEST(Generators, SameSourceStateSameFileAndARunContinuesTheSequence) {
  auto data = BinaryData(6, 40, true);
  NoProgress progress;
  using Run = void (*)(const DataSet&, UniformSource&, TextSink&, Progress&);
  const std::vector<Run> runs = {[](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GenerateBootStraps(d, s, 100, 350, o, p);
                                 },
                                 [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GeneratePermutations(d, s, 100, o, p);
                                 },
                                 [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GenerateGenStraps(d, s, 100, o, p);
                                 },
                                 [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GenerateResamplings(d, s, 100, 40, o, p);
                                 },
                                 [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GenerateMissStraps(d, s, 100, o, p);
                                 },
                                 [](const DataSet& d, UniformSource& s, TextSink& o, Progress& p) {
                                   GenerateNoise(d, s, 100, 100, o, p);
                                 }};
  // GenStraps on distinct names writes copies of the input, so it is the same every run.
  data->OtuName[3] = data->OtuName[1];
  for (std::size_t r = 0; r < runs.size(); ++r) {
    UniformSource fresh1, fresh2;
    const auto first = Capture([&](TextSink& o) { runs[r](*data, fresh1, o, progress); });
    const auto again = Capture([&](TextSink& o) { runs[r](*data, fresh2, o, progress); });
    const auto next = Capture([&](TextSink& o) { runs[r](*data, fresh1, o, progress); });
    EXPECT_EQ(first, again) << r;
    EXPECT_NE(first, next) << r;
  }
}

TEST(Generators, RowsWrapAfter200TokensAndCountsAndProgressFollowTheSetting) {
  UniformSource source;
  for (int n_char : {200, 201, 401}) {
    auto data = BinaryData(3, n_char, true);
    RecordedProgress progress;
    const std::string text = Capture(
        [&](TextSink& out) { GenerateBootStraps(*data, source, 1000, 350, out, progress); });
    // ParseFile checks the wrapping; the line count pins it down.
    EXPECT_EQ(ParseFile(text, false).size(), 100u);
    const long lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(lines, 100 * (1 + 3 * ((n_char + 199) / 200))) << n_char;
    EXPECT_EQ(progress.label, "Generating BootStraps");
    ASSERT_EQ(progress.values.size(), 100u);
    EXPECT_DOUBLE_EQ(progress.values.front(), 1.0);
    EXPECT_DOUBLE_EQ(progress.values.back(), 100.0);
  }

  auto data = BinaryData(2, 3, false);
  const std::vector<std::pair<std::string, std::function<void(TextSink&, Progress&)>>> runs = {
      {"Generating permutations",
       [&](TextSink& o, Progress& p) { GeneratePermutations(*data, source, 105, o, p); }},
      {"Generating GenStraps",
       [&](TextSink& o, Progress& p) { GenerateGenStraps(*data, source, 105, o, p); }},
      {"Generating resamplings",
       [&](TextSink& o, Progress& p) { GenerateResamplings(*data, source, 105, 20, o, p); }},
      {"Generating MissStraps",
       [&](TextSink& o, Progress& p) { GenerateMissStraps(*data, source, 105, o, p); }},
      {"Generating Noise",
       [&](TextSink& o, Progress& p) { GenerateNoise(*data, source, 105, 100, o, p); }}};
  for (const auto& [label, run] : runs) {
    RecordedProgress progress;
    const std::string text = Capture([&](TextSink& o) { run(o, progress); });
    const bool empty_lines = label == "Generating GenStraps" || label == "Generating resamplings";
    EXPECT_EQ(ParseFile(text, empty_lines).size(), 10u) << label;
    EXPECT_EQ(progress.label, label);
    ASSERT_EQ(progress.values.size(), 10u);
    for (int d = 1; d <= 10; ++d) EXPECT_DOUBLE_EQ(progress.values[d - 1], 1000.0 * d / 105);
  }
}

TEST(Generators, PathRunsWriteTheSameFileAndFailuresNameThePath) {
  auto data = BinaryData(4, 10, true);
  NoProgress progress;
  const auto dir = std::filesystem::temp_directory_path() / "marbleset_resampling_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "out_n.phy").string();
  UniformSource a, b;
  GenerateNoise(*data, a, 300, 100, path, progress);
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(written, Capture([&](TextSink& o) { GenerateNoise(*data, b, 300, 100, o, progress); }));

  const std::string nowhere = (dir / "no such folder" / "out_bs.phy").string();
  try {
    GenerateBootStraps(*data, a, 100, 350, nowhere, progress);
    ADD_FAILURE() << "no failure";
  } catch (const WriteFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find(nowhere), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace marbleset
