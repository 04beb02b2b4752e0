#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "formats/name_field.h"
#include "resampling/column_picks.h"
#include "resampling/generators.h"
#include "resampling/uniform_source.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

// A matrix of whole numbers, indices from 0.
DataSet Data(DataKind kind, std::size_t otus, std::size_t chars, float missing,
             const std::function<float(std::size_t, std::size_t)>& cell,
             const std::vector<std::string>& names = {}) {
  DataSet data;
  data.Resize(kind, otus, chars, missing);
  for (std::size_t i = 0; i < otus; ++i) {
    data.otuNames[i] = names.empty() ? "otu" + std::to_string(i) : names[i];
    for (std::size_t k = 0; k < chars; ++k) data.SetValue(i, k, cell(i, k));
  }
  return data;
}
const auto kTraced = [](std::size_t i, std::size_t k) { return 1000.0f * i + k; };
const auto kBits = [](std::size_t i, std::size_t k) {
  return (i * 7 + k * 3) % 11 ? float((i * k + k / 3) % 2) : 2.0f;
};

NoProgress none;

std::string Text(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
                 Progress& progress = none) {
  std::ostringstream stream;
  TextSink sink(stream);
  Generate(data, settings, source, sink, progress);
  return stream.str();
}

GeneratorSettings Settings(Generator generator, const DataSet& data, std::size_t sets,
                           double percent = 0, std::size_t otus = 0) {
  GeneratorSettings settings = DefaultGeneratorSettings(generator, data);
  settings.dataSets = sets;
  if (percent != 0) settings.percent = percent;
  if (otus != 0) settings.otus = otus;
  return settings;
}

TEST(Draws, FixedSequenceBoundsPercentTenthsAndSeeds) {
  // Earlier files depend on this sequence (xoshiro256** seeded from 0, top 24 bits).
  UniformSource source;
  for (int bits : {10087519, 12545567, 1728388, 6989204, 12297645}) {
    EXPECT_EQ(source.Next(), static_cast<float>(bits) * 0x1p-24f);
  }
  for (std::size_t n : {1, 7, 5000})
    EXPECT_EQ(UniformSource::IndexFromDraw(1.0f - 0x1p-24f, n), n - 1);
  // Up to 5000 an index draw is floor(r * n) on the single-precision r; beyond, 24 bits would
  // reach only every fourth index of 2^26, so odd ones must turn up too.
  UniformSource a(3), b(3);
  for (std::size_t n : {1, 2, 999, 5000}) EXPECT_EQ(a.IndexDraw(n), std::size_t(b.Next() * n));
  long odd = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::size_t k = a.IndexDraw(std::size_t{1} << 26);
    ASSERT_LT(k, std::size_t{1} << 26);
    odd += k % 2;
  }
  EXPECT_GT(odd, 400);
  // Every percentage a field with one decimal holds, typed or computed, gives its tenths, and the
  // integer cut agrees with the float test on every draw.
  for (int tenths = 1; tenths <= 1000; ++tenths) {
    const std::string typed = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    ASSERT_EQ(UniformSource::PercentTenths(std::stod(typed)), tenths) << typed;
    ASSERT_EQ(UniformSource::PercentTenths(tenths / 10.0), tenths);
    ASSERT_EQ(UniformSource::PercentTenths(tenths * 0.1), tenths);
  }
  for (double percent : {1.0, 33.3, 100.0}) {
    const std::uint32_t cut = UniformSource::PercentageCut(percent);
    const float perDraw = 1000.0f / static_cast<float>(std::lround(percent * 10));
    for (std::uint32_t bits = 0; bits < (1u << 24); ++bits) {
      ASSERT_EQ(bits * 0x1p-24f * perDraw < 1.0f, bits < cut) << percent << ':' << bits;
    }
  }
  // A seed that differs only above 32 bits gives another file.
  const DataSet data = Data(DataKind::kBinary, 3, 40, 2.0f, kBits);
  auto file = [&](std::uint64_t seed) {
    GeneratorSettings settings = Settings(Generator::kBootStraps, data, 10);
    settings.seed = seed;
    std::ostringstream stream;
    TextSink sink(stream);
    Generate(data, settings, sink, none);
    return stream.str();
  };
  // 4294967303 is 2^32 + 7.
  EXPECT_EQ(file(4294967303ULL), file(4294967303ULL));
  EXPECT_NE(file(4294967303ULL), file(7));
  EXPECT_NE(file(0), file(std::uint64_t{1} << 63));
}

// Bootstraps and permutations of characters are pinned by the generators' files below; the
// draws for trees' support (classic bootstrap, jackknife) and a bootstrap that replaces every
// position are checked here.
TEST(ColumnPicks, FullBootstrapClassicAndJackknifeDrawsAndTheBitGather) {
  UniformSource source;
  ColumnPicks picks;
  // All replaced: the last position finds no other one left and keeps itself.
  for (std::size_t n : {1, 2, 5}) {
    DrawBootstrapPicks(n, 100, source, picks);
    for (std::size_t j = 0; j + 1 < n; ++j) EXPECT_NE(picks[j], j) << n;
    EXPECT_EQ(picks[n - 1], n - 1);
  }
  // Classic bootstrap: n columns with replacement, each drawn n times on average; jackknife:
  // half of them, distinct, each kept half the time.
  std::vector<int> classic(7), kept(7);
  for (int set = 0; set < 20000; ++set) {
    DrawClassicBootstrapPicks(7, source, picks);
    ASSERT_EQ(picks.size(), 7u);
    ASSERT_TRUE(std::is_sorted(picks.begin(), picks.end()));
    for (std::size_t k : picks) ++classic.at(k);
    DrawJackknifePicks(8, source, picks);
    ASSERT_EQ(picks.size(), 4u);
    ASSERT_TRUE(std::adjacent_find(picks.begin(), picks.end(), std::greater_equal<>()) ==
                picks.end());
    for (std::size_t k : picks) kept.at(k % 7) += k < 7;
  }
  for (int k = 0; k < 7; ++k) EXPECT_NEAR(classic[k] / 20000.0, 1.0, 0.03) << k;
  for (int k = 0; k < 7; ++k) EXPECT_NEAR(kept[k] / 20000.0, 0.5, 0.015) << k;
  DrawJackknifePicks(1, source, picks);
  EXPECT_EQ(picks, ColumnPicks{0});

  // The gathered data set against a cell-by-cell copy, across word boundaries, with missing
  // cells and cells other than 0 and 1.
  for (DataKind kind : {DataKind::kBinary, DataKind::kQuantitative}) {
    const float missing = kind == DataKind::kBinary ? 2.0f : -9.0f;
    const DataSet data = Data(kind, 3, 150, missing, [&](std::size_t i, std::size_t k) {
      const std::size_t h = (i * 31 + k * 17) % 23;
      return h == 0 ? missing : h == 1 ? 7.5f : float(h % 2);
    });
    for (std::size_t n : {0, 1, 64, 65, 150, 300}) {
      DrawClassicBootstrapPicks(150, source, picks);
      picks.resize(n, 149);
      std::shuffle(picks.begin(), picks.end(), std::mt19937(n));
      const DataSet picked = PickColumns(data, picks);
      ASSERT_EQ(picked.CharCount(), n);
      ASSERT_EQ(picked.otuNames, data.otuNames);
      for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
          ASSERT_EQ(picked.Value(i, j), data.Value(i, picks[j])) << i << ',' << j;
          ASSERT_EQ(picked.IsMissing(i, j), data.IsMissing(i, picks[j]));
        }
      }
    }
  }
}

// The generators written plainly, as a reference for the files a seed must keep giving: indices
// from 1, settings in tenths, the draws as single-precision formulas on the uniform draw r, rows
// written token by token.
struct TenthsFormulaFile {
  const DataSet& data;
  UniformSource& source;
  std::string text;

  int Index(int n) { return static_cast<int>(source.Next() * static_cast<float>(n)) + 1; }
  bool Percentage(int P) { return source.Next() * (1000.0f / static_cast<float>(P)) < 1.0f; }
  static std::string Cell(float v, float missing) {
    return v == missing ? "?" : std::to_string(static_cast<int>(v));
  }
  float Matrix(int i, int j) const { return data.Value(i - 1, j - 1); }
  void Header(std::size_t rows) {
    text += " " + std::to_string(rows) + " " + std::to_string(data.CharCount()) + "\r\n";
  }
  void Row(int i, const std::vector<std::string>& tokens) {
    text += PhylipNameField(data.otuNames[i - 1]);
    for (std::size_t k = 0; k < tokens.size(); ++k) {
      text += (k > 0 && k % 200 == 0 ? "\r\n " : " ") + tokens[k];
    }
    text += "\r\n";
  }

  void Run(Generator g, int C, int P, int M) {
    const int nOtu = static_cast<int>(data.OtuCount()), nChar = static_cast<int>(data.CharCount());
    const float missing = data.MissingValue();
    for (int d = 1; d <= C / 10; ++d) {
      std::vector<int> pick(nChar + 1), rows;
      for (int j = 0; j <= nChar; ++j) pick[j] = j;
      if (g == Generator::kBootStraps) {
        int unreplaced = nChar;
        for (int j = 1; j <= nChar; ++j) {
          if (!Percentage(P) || unreplaced == 1) continue;
          int k;
          do k = Index(nChar);
          while (k == j || pick[k] != k);
          pick[j] = k;
          --unreplaced;
        }
      } else if (g == Generator::kPermutations) {
        for (int j = 1; j <= nChar; ++j) std::swap(pick[j], pick[Index(nChar)]);
      } else if (g == Generator::kGenStraps) {
        for (int i = 1; i <= nOtu; ++i) {
          bool first = true;
          for (int e = 1; e < i; ++e) first = first && data.otuNames[e - 1] != data.otuNames[i - 1];
          if (!first) continue;
          std::vector<int> members;
          for (int e = i; e <= nOtu; ++e) {
            if (data.otuNames[e - 1] == data.otuNames[i - 1]) members.push_back(e);
          }
          rows.push_back(members[Index(static_cast<int>(members.size())) - 1]);
        }
      } else if (g == Generator::kRandomResampling) {
        const int m = M / 10 + (M % 10 > 5 || (M % 10 == 5 && (M / 10) % 2 == 1));
        while (static_cast<int>(rows.size()) < m) {
          const int r = Index(nOtu);
          if (std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
        }
      }
      const bool otuRows = g == Generator::kGenStraps || g == Generator::kRandomResampling;
      if (!otuRows) {
        for (int i = 1; i <= nOtu; ++i) rows.push_back(i);
      }
      Header(rows.size());
      for (int i : rows) {
        std::vector<std::string> tokens;
        for (int j = 1; j <= nChar; ++j) {
          float v = Matrix(i, pick[j]);
          if (g == Generator::kMissStraps && v == missing) {
            v = static_cast<float>(static_cast<int>(2.0f * source.Next()));
          } else if (g == Generator::kNoise && Percentage(P) && v != missing) {
            v = v == 0.0f ? 1.0f : v == 1.0f ? 0.0f : v;
          }
          tokens.push_back(Cell(v, missing));
        }
        Row(i, tokens);
      }
      if (otuRows) text += "\r\n";
    }
  }
};

TEST(Generators, EveryDialogSettingWritesTheFileOfTheTenthsFormulas) {
  // 230 characters: rows go on over a second line. Names repeat for GenStraps.
  // A value other than 0 and 1 keeps its token and is never drawn anew.
  DataSet data = Data(DataKind::kBinary, 6, 230, 2.0f, kBits,
                      {"Alpha", "Beta", "Alpha", "Gamma", "Beta", "Alpha"});
  data.SetValue(3, 8, 3.0f);
  const DataSet traced = Data(DataKind::kQuantitative, 7, 230, -9999.0f, kTraced);
  auto check = [&](const DataSet& d, Generator g, int C, int P, int M, double percent,
                   std::size_t otus) {
    UniformSource before(C * 7919 + P), after = before;
    TenthsFormulaFile plain{d, before, {}};
    plain.Run(g, C, P, M);
    ASSERT_EQ(Text(d, Settings(g, d, C / 10, percent, otus), after), plain.text)
        << GeneratorLabel(g) << " C " << C << " P " << P << " M " << M;
    ASSERT_TRUE(before == after);
  };
  // Every "Bootstrap %" and "Noise %" the dialog holds, as the field's text gives it.
  for (int P = 10; P <= 1000; ++P) {
    const double percent = std::stod(std::to_string(P / 10) + "." + std::to_string(P % 10));
    if (P <= 500) check(data, Generator::kBootStraps, 100, P, 0, percent, 0);
    check(data, Generator::kNoise, 100, P, 0, percent, 0);
  }
  for (int C : {105, 1000, 10000}) {
    check(traced, Generator::kBootStraps, C, 350, 0, 35, 0);
    check(traced, Generator::kPermutations, C, 0, 0, 0, 0);
    check(data, Generator::kGenStraps, C, 0, 0, 0, 0);
    check(data, Generator::kMissStraps, C, 0, 0, 0, 0);
  }
  // M in tenths of an OTU, rounded half to even, as the dialog translates it.
  for (auto [M, otus] : {std::pair{10, 1}, {45, 4}, {55, 6}, {50, 5}}) {
    check(traced, Generator::kRandomResampling, 300, 0, M, 0, otus);
  }
}

using Set = std::vector<std::vector<std::string>>;  // rows: the name field, then the cells

std::vector<Set> Parse(const std::string& text) {
  std::istringstream in(text);
  std::vector<Set> sets;
  for (std::string line; std::getline(in, line);) {
    if (line == "\r") continue;
    std::size_t rows = 0, chars = 0;
    std::istringstream(line) >> rows >> chars;
    Set& set = sets.emplace_back();
    for (std::size_t r = 0; r < rows && std::getline(in, line); ++r) {
      auto& row = set.emplace_back(1, line.substr(0, 12));
      for (line.erase(0, 12);; std::getline(in, line)) {
        std::istringstream tokens(line);
        for (std::string t; tokens >> t;) row.push_back(t);
        if (row.size() > chars || !in) break;
      }
    }
  }
  return sets;
}

TEST(Generators, MissingCodeOneAndSizesBeyond16Bits) {
  UniformSource source;
  // Missing code 1: drawn and flipped bits still come out as digits.
  const DataSet one =
      Data(DataKind::kBinary, 1, 3, 1.0f, [](auto, auto k) { return k ? 1.0f : 0.0f; });
  for (const Set& set : Parse(Text(one, Settings(Generator::kNoise, one, 50, 100), source))) {
    EXPECT_EQ(set.at(0), (std::vector<std::string>{"otu0        ", "1", "?", "?"}));
  }
  std::string coins;
  for (const Set& set : Parse(Text(one, Settings(Generator::kMissStraps, one, 50), source))) {
    coins += set.at(0).at(2) + set[0].at(3);
  }
  EXPECT_TRUE(coins.find_first_not_of("01") == coins.npos && coins.find('1') != coins.npos);

  // 70,000 OTUs: every one drawn once, in random order (draws over more than 5000 OTUs).
  const DataSet many =
      Data(DataKind::kBinary, 70000, 2, 2.0f, [](auto i, auto k) { return float((i >> k) & 1); });
  const auto sets =
      Parse(Text(many, Settings(Generator::kRandomResampling, many, 10, 0, 70000), source));
  ASSERT_EQ(sets.size(), 10u);
  std::set<std::string> names;
  for (const auto& row : sets[9]) names.insert(row[0]);
  EXPECT_EQ(names.size(), 70000u);
  EXPECT_NE(sets[9][0][0], "otu0        ");
}

struct RecordedProgress final : Progress {
  std::vector<double> values;
  std::size_t cancelAfter = 0;
  void Start(std::string_view) override {}
  void Advance(double percent) override { values.push_back(percent); }
  bool CancelRequested() const override { return cancelAfter != 0 && values.size() >= cancelAfter; }
};

TEST(Generators, SettingsCheckedBeforeAnyOutputProgressCancelAndPaths) {
  // GenStraps on distinct names only copies the input.
  const DataSet data = Data(DataKind::kBinary, 6, 40, 2.0f, kBits, {"a", "b", "c", "a", "d", "e"});
  const DataSet quantitative = Data(DataKind::kQuantitative, 4, 5, -9999.0f, kTraced);
  for (int g = 0; g < 6; ++g) {
    const auto generator = static_cast<Generator>(g);
    UniformSource fresh1, fresh2;
    RecordedProgress progress;
    const GeneratorSettings settings = Settings(generator, data, 10);
    const std::string first = Text(data, settings, fresh1, progress);
    EXPECT_EQ(first, Text(data, settings, fresh2)) << g;
    EXPECT_TRUE(first != Text(data, settings, fresh1)) << g;  // the sequence goes on
    EXPECT_EQ(Parse(first).size(), 10u) << g;
    ASSERT_EQ(progress.values.size(), 10u) << g;
    for (int d = 1; d <= 10; ++d) EXPECT_DOUBLE_EQ(progress.values[d - 1], 10.0 * d);
    EXPECT_EQ(IsOffered(generator, quantitative), g < 4);
  }
  // Refused settings write nothing and create no file.
  const ScratchFolder folder;
  const std::string path = folder / "refused.phy";
  auto refused = [&](const DataSet& d, GeneratorSettings settings) {
    std::ostringstream stream;
    TextSink sink(stream);
    UniformSource source;
    EXPECT_THROW(Generate(d, settings, source, sink, none), Failure);
    EXPECT_THROW(Generate(d, settings, path, none), Failure);
    EXPECT_TRUE(stream.str().empty() && !std::filesystem::exists(path));
    EXPECT_TRUE(source == UniformSource());
  };
  for (std::size_t sets : {0, 9, 1001})
    refused(data, Settings(Generator::kPermutations, data, sets));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double percent : {0.9, 50.1, nan})
    refused(data, Settings(Generator::kBootStraps, data, 10, percent));
  for (double percent : {0.5, 100.5, -1.0})
    refused(data, Settings(Generator::kNoise, data, 10, percent));
  GeneratorSettings otus = Settings(Generator::kRandomResampling, data, 10);
  for (std::size_t n : {0, 7}) {
    otus.otus = n;
    refused(data, otus);
  }
  refused(quantitative, Settings(Generator::kMissStraps, quantitative, 10));
  refused(quantitative, Settings(Generator::kNoise, quantitative, 10));

  // A Cancel stops before the next data set; the file at the path is not created, and a file
  // that was there keeps its bytes.
  for (bool existed : {false, true}) {
    if (existed) PutFile(path, "kept");
    RecordedProgress cancelling;
    cancelling.cancelAfter = 3;
    EXPECT_THROW(Generate(data, Settings(Generator::kNoise, data, 1000), path, cancelling),
                 RunCancelled);
    EXPECT_EQ(cancelling.values.size(), 3u);
    EXPECT_EQ(std::filesystem::exists(path), existed);
  }
  EXPECT_EQ(FileBytes(path), "kept");
}

}  // namespace
}  // namespace marbleset
