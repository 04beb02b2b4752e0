#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "resampling/char_picks.h"
#include "resampling/generators.h"
#include "resampling/uniform_source.h"

namespace marbleset {
namespace {

TEST(Draws, FixedSequenceBoundsFrequenciesAndTheCharacterPicks) {
  // Earlier files depend on this sequence (xoshiro256** seeded from 0, top 24 bits).
  UniformSource source;
  for (int bits : {10087519, 12545567, 1728388, 6989204, 12297645}) {
    EXPECT_EQ(source.Next(), static_cast<float>(bits) * 0x1p-24f);
  }
  for (int n : {1, 7, 5000}) EXPECT_EQ(UniformSource::IndexFromDraw(1.0f - 0x1p-24f, n), n);
  // About six standard deviations: 1/7 for 1/6 or 0.11 for 0.1 falls outside.
  std::array<int, 8> index_count{};
  int coins = 0, tests = 0;
  for (int i = 0; i < 600000; ++i) {
    ++index_count[source.IndexDraw(6)];
    coins += source.Coin();
    tests += source.PercentageTest(100);
  }
  EXPECT_EQ(index_count[0] + index_count[7], 0);
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(index_count[k] / 6e5, 1 / 6.0, 0.003) << k;
  EXPECT_NEAR(coins / 6e5, 0.5, 0.004);
  EXPECT_NEAR(tests / 6e5, 0.1, 0.0025);
  // The integer cut agrees with the float test on every draw.
  for (int P : {10, 333, 1000}) {
    const std::uint32_t cut = UniformSource::PercentageCut(P);
    for (std::uint32_t bits = 0; bits < (1u << 24); ++bits) {
      ASSERT_EQ(UniformSource::PercentageFromDraw(bits * 0x1p-24f, P), bits < cut)
          << P << ':' << bits;
    }
  }

  CharPicks pick;
  long replaced = 0;
  for (int set = 0; set < 200; ++set) {
    DrawBootstrapPicks(1000, 100, source, pick);
    for (int j = 1; j <= 1000; ++j) {
      const int k = pick[j];
      replaced += k != j;
      // Later positions lend their input column even if replaced afterwards.
      ASSERT_TRUE(k >= 1 && k <= 1000 && (k >= j || pick[k] == k)) << j << " copies " << k;
    }
  }
  EXPECT_NEAR(replaced / 2e5, 0.1, 0.004);
  // All replaced: the last position finds no other one left and keeps itself.
  for (int n : {1, 2, 5}) {
    DrawBootstrapPicks(n, 1000, source, pick);
    for (int j = 1; j < n; ++j) EXPECT_NE(pick[j], j) << n;
    EXPECT_EQ(pick[n], n);
  }
  // 27 equally likely swap paths: three orders from 5 each, three from 4.
  std::map<std::array<int, 3>, int> seen;
  for (int set = 0; set < 60000; ++set) {
    DrawPermutationPicks(3, source, pick);
    ++seen[{pick[1], pick[2], pick[3]}];
  }
  for (const auto& [order, count] : seen) {
    const bool five = order[0] == 2 || order == std::array<int, 3>{1, 3, 2};
    EXPECT_NEAR(count / 6e4, (five ? 5 : 4) / 27.0, 0.007);
  }
}

std::unique_ptr<DataSet> Data(int n_otu, int n_char, float missing,
                              const std::function<float(int, int)>& cell,
                              const std::vector<std::string>& names = {}) {
  auto data = std::make_unique<DataSet>();
  data->NOtu = static_cast<int16_t>(n_otu);
  data->NChar = static_cast<int16_t>(n_char);
  data->MissingValue = missing;
  for (int i = 1; i <= n_otu; ++i) {
    const auto name = names.empty() ? "o" + std::to_string(i) : names[i - 1];
    data->OtuName[i] = (name + std::string(12, ' ')).substr(0, 12);
    for (int j = 1; j <= n_char; ++j) data->Matrix(i, j) = cell(i, j);
  }
  return data;
}
const auto Traced = [](int i, int j) { return 1000.0f * i + j; };
const auto Bits = [](int i, int j) { return (i * 7 + j * 3) % 11 ? (i * j + j / 3) % 2 : 2.0f; };

using Set = std::vector<std::vector<std::string>>;  // rows: the name, then cells 1..NChar

// Reads sets back checking the layout: CR LF, 12-character names, 200 tokens a line.
std::vector<Set> Parse(const std::string& text, bool blank_after) {
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n'));
  std::istringstream in(text);
  std::vector<Set> sets;
  for (std::string line; std::getline(in, line);) {
    std::size_t rows = 0, chars = 0;
    std::istringstream(line) >> rows >> chars;
    Set& set = sets.emplace_back();
    for (std::size_t r = 0; r < rows && std::getline(in, line); ++r) {
      auto& row = set.emplace_back(1, line.substr(0, 12));
      for (line.erase(0, 12); in; std::getline(in, line)) {
        EXPECT_EQ(line[0], ' ');
        const std::size_t before = row.size() - 1;
        std::istringstream tokens(line);
        for (std::string t; tokens >> t;) row.push_back(t);
        EXPECT_EQ(row.size() - 1 - before, std::min<std::size_t>(200, chars - before));
        if (row.size() > chars) break;
      }
    }
    EXPECT_TRUE(!blank_after || (std::getline(in, line) && line == "\r"));
  }
  return sets;
}

NoProgress none;
enum Gen { kBoot, kPerm, kGenStraps, kResample, kMiss, kNoise };

// x is the percentage of BootStraps and noise and the M of resamplings.
std::string Text(Gen g, const DataSet& d, UniformSource& s, int16_t C, int16_t x = 0,
                 Progress& p = none) {
  std::ostringstream stream;
  TextSink sink(stream);
  g == kBoot        ? GenerateBootStraps(d, s, C, x, sink, p)
  : g == kPerm      ? GeneratePermutations(d, s, C, sink, p)
  : g == kGenStraps ? GenerateGenStraps(d, s, C, sink, p)
  : g == kResample  ? GenerateResamplings(d, s, C, x, sink, p)
  : g == kMiss      ? GenerateMissStraps(d, s, C, sink, p)
                    : GenerateNoise(d, s, C, x, sink, p);
  sink.Flush();
  return stream.str();
}

std::vector<Set> Sets(Gen g, const DataSet& d, UniformSource& s, int16_t C, int16_t x = 0) {
  return Parse(Text(g, d, s, C, x), g == kGenStraps || g == kResample);
}

TEST(Generators, BootstrapsAndPermutationsMoveWholeColumnsWithTheirMissingCells) {
  auto data = Data(4, 30, -9999.0f, Traced);
  data->Matrix(3, 7) = -9999.0f;
  UniformSource source, replay;
  CharPicks pick;
  for (Gen g : {kBoot, kPerm}) {
    for (const Set& set : Sets(g, *data, source, 500, 350)) {
      std::vector<int> order(1);
      for (int j = 1; j <= 30; ++j) order.push_back(std::stoi(set.at(0).at(j)) - 1000);
      for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(set.at(i - 1)[0], data->OtuName[i]);
        for (int j = 1; j <= 30; ++j) {
          const int k = order[j];
          ASSERT_EQ(set[i - 1].at(j), i == 3 && k == 7 ? "?" : std::to_string(1000 * i + k));
        }
      }
      if (g == kBoot) DrawBootstrapPicks(30, 350, replay, pick);
      if (g == kPerm) std::sort(order.begin(), order.end());
      for (int j = 1; j <= 30; ++j) ASSERT_EQ(order[j], g == kBoot ? pick[j] : j);
    }
    EXPECT_TRUE(g == kPerm || source == replay);  // no draws besides the picks
  }
}

TEST(Generators, GenStrapsDrawOneMemberPerExactNameAndResamplingsDistinctOtus) {
  auto data = Data(9, 3, 2.0f, Traced, {"A", "B", "A", "C", "B", "A", "a", " A", "A"});
  data->Matrix(6, 2) = 2.0f;
  UniformSource source, five_draws;
  for (int n = 0; n < 5; ++n) five_draws.Next();
  std::vector<int> chosen(10);
  for (int16_t C : {10, 30000}) {
    for (const Set& set : Sets(kGenStraps, *data, source, C)) {
      ASSERT_EQ(set.size(), 5u);
      for (int g = 0; g < 5; ++g) {
        const int i = std::stoi(set[g].at(1)) / 1000;
        EXPECT_EQ(set[g][0], data->OtuName[i]);
        EXPECT_EQ(set[g][0], data->OtuName[(std::array{1, 2, 4, 7, 8}[g])]);  // first occurrences
        EXPECT_EQ(set[g].at(2), i == 6 ? "?" : std::to_string(1000 * i + 2));
        ++chosen[i];
      }
    }
    EXPECT_TRUE(C > 10 || source == five_draws);  // one draw per group
  }
  for (int i : {1, 3, 6, 9}) EXPECT_NEAR(chosen[i] / 3001.0, 0.25, 0.04) << i;
  for (int i : {2, 5}) EXPECT_NEAR(chosen[i] / 3001.0, 0.5, 0.04) << i;
  for (int i : {4, 7, 8}) EXPECT_EQ(chosen[i], 3001) << i;

  // M counts tenths of the OTUs; the sample has no repeats and keeps its draw order.
  auto traced = Data(7, 4, -9999.0f, Traced);
  for (auto [M, rows] : {std::pair<int16_t, std::size_t>{70, 7}, {10, 1}, {45, 4}, {55, 6}}) {
    bool out_of_order = false;
    for (const Set& set : Sets(kResample, *traced, source, 300, M)) {
      ASSERT_EQ(set.size(), rows) << M;
      std::set<int> seen;
      for (const auto& row : set) {
        const int i = std::stoi(row.at(1)) / 1000;
        EXPECT_EQ(row[0], traced->OtuName[i]);
        EXPECT_EQ(row.at(4), std::to_string(1000 * i + 4));
        EXPECT_TRUE(seen.insert(i).second) << "OTU " << i << " twice";
        out_of_order = out_of_order || i < *seen.rbegin();
      }
    }
    EXPECT_EQ(out_of_order, rows > 1) << M;
  }
  for (int16_t M : {80, 4}) EXPECT_THROW(Text(kResample, *traced, source, 100, M), WriteFailure);
}

TEST(Generators, MissStrapsAndNoiseDrawBitsOnlyWhereTheyBelong) {
  auto data = Data(10, 50, 2.0f, Bits);
  data->Matrix(4, 9) = 3.0f;
  UniformSource source, one_draw_per_cell;
  for (int n = 0; n < 200 * 10 * 50; ++n) one_draw_per_cell.Next();
  for (int16_t P : {1000, 100, 0}) {  // 0: MissStraps, a coin for each missing cell
    long changed = 0, drawn = 0;
    for (const Set& set : Sets(P ? kNoise : kMiss, *data, source, 2000, P)) {
      for (int i = 1; i <= 10; ++i) {
        for (int j = 1; j <= 50; ++j) {
          const float v = data->Matrix(i, j);
          const std::string token = set.at(i - 1).at(j), kept = v == 1.0f ? "1" : "0";
          if (v == 3.0f || (v == 2.0f) == (P > 0)) {
            ASSERT_EQ(token, v == 3.0f ? "3" : v == 2.0f ? "?" : kept) << P;
          } else {
            ASSERT_TRUE(token == "0" || token == "1") << P;
            changed += token != kept;
            ++drawn;
          }
        }
      }
    }
    EXPECT_TRUE(P != 1000 || (source == one_draw_per_cell && changed == drawn));
    EXPECT_NEAR(changed / double(drawn), P ? P / 1000.0 : 0.5, P ? 0.006 : 0.015) << P;
  }
  // Missing code 1: drawn and flipped bits still come out as digits.
  auto one = Data(1, 3, 1.0f, [](int, int j) { return j == 1 ? 0.0f : 1.0f; });
  for (const Set& set : Sets(kNoise, *one, source, 50, 1000)) {
    EXPECT_EQ(set.at(0), (std::vector<std::string>{one->OtuName[1], "1", "?", "?"}));
  }
  std::string coins;
  for (const Set& set : Sets(kMiss, *one, source, 50)) coins += set.at(0).at(1) + set[0].at(2);
  EXPECT_TRUE(coins.find_first_not_of("01") == coins.npos && coins.find('1') != coins.npos);
}

struct RecordedProgress final : Progress {
  std::string label;
  std::vector<double> values;
  void Start(std::string_view message) override { label = message; }
  void Advance(double percent) override { values.push_back(percent); }
};

TEST(Generators, FreshSourcesRepeatARunAndSetCountsProgressAndWrappingFollowTheSettings) {
  auto data = Data(6, 40, 2.0f, Bits);
  data->OtuName[3] = data->OtuName[1];  // GenStraps on distinct names only copies the input
  const char* labels[] = {"BootStraps",  "permutations", "GenStraps",
                          "resamplings", "MissStraps",   "Noise"};
  for (Gen g : {kBoot, kPerm, kGenStraps, kResample, kMiss, kNoise}) {
    const int16_t x = g == kResample ? 20 : 350;
    UniformSource fresh1, fresh2;
    RecordedProgress progress;
    const auto first = Text(g, *data, fresh1, 105, x, progress);
    EXPECT_EQ(first, Text(g, *data, fresh2, 105, x)) << g;
    EXPECT_NE(first, Text(g, *data, fresh1, 105, x)) << g;
    EXPECT_EQ(Parse(first, g == kGenStraps || g == kResample).size(), 10u) << g;
    EXPECT_EQ(progress.label, std::string("Generating ") + labels[g]);
    ASSERT_EQ(progress.values.size(), 10u) << g;
    for (int d = 1; d <= 10; ++d) EXPECT_DOUBLE_EQ(progress.values[d - 1], 1000.0 * d / 105);
  }
  UniformSource source;
  for (int n_char : {200, 201, 401}) {
    const auto file = Text(kBoot, *Data(3, n_char, 2.0f, Bits), source, 1000, 350);
    EXPECT_EQ(Parse(file, false).size(), 100u);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 100 * (1 + 3 * ((n_char + 199) / 200)));
  }
}

}  // namespace
}  // namespace marbleset
