// The uniform source and the picks drawn from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <string>

#include "resampling/char_picks.h"
#include "resampling/otu_picks.h"
#include "resampling/uniform_source.h"

namespace marbleset {
namespace {

// How many draws lead from before to after (limit when after is not reached).
long DrawsBetween(UniformSource before, const UniformSource& after, long limit) {
  long n = 0;
  while (!(before == after) && n < limit) {
    before.Next();
    ++n;
  }
  return n;
}

TEST(UniformSource, StartsFromTheSameFixedStateAndGivesTopBitsOfXoshiro256StarStar) {
  // Files made by earlier versions depend on this exact sequence (SplitMix64 seeding of
  // xoshiro256** from 0, top 24 bits of each output).
  UniformSource source;
  const std::array<int, 5> top_bits = {10087519, 12545567, 1728388, 6989204, 12297645};
  for (int bits : top_bits) EXPECT_EQ(source.Next(), static_cast<float>(bits) * 0x1p-24f);

  UniformSource a, b, seeded(12345);
  bool seeded_differs = false;
  for (int i = 0; i < 10000; ++i) {
    const float r = a.Next();
    ASSERT_EQ(r, b.Next());
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    seeded_differs = seeded_differs || seeded.Next() != r;
  }
  EXPECT_TRUE(seeded_differs);
  EXPECT_EQ(UniformSource(12345), UniformSource(12345));
}

TEST(UniformSource, DerivedDrawsStayInRangeAtTheExtremes) {
  const float largest = 1.0f - 0x1p-24f;
  for (int n = 1; n <= 5000; ++n) {
    // The float product itself stays below n, so no index needs the guard.
    ASSERT_LT(largest * static_cast<float>(n), static_cast<float>(n)) << n;
    ASSERT_EQ(UniformSource::IndexFromDraw(0.0f, n), 1);
    ASSERT_EQ(UniformSource::IndexFromDraw(largest, n), n);
  }
  EXPECT_EQ(UniformSource::CoinFromDraw(0.5f), 1);
  EXPECT_EQ(UniformSource::CoinFromDraw(std::nextafter(0.5f, 0.0f)), 0);
  EXPECT_TRUE(UniformSource::PercentageFromDraw(0.0f, 10));
  EXPECT_TRUE(UniformSource::PercentageFromDraw(0.349f, 350));
  EXPECT_FALSE(UniformSource::PercentageFromDraw(0.351f, 350));
  EXPECT_TRUE(UniformSource::PercentageFromDraw(largest, 1000));
}

TEST(UniformSource, PercentageCutAgreesWithTheFloatTestOnEveryDraw) {
  for (int P : {10, 333, 1000}) {
    const std::uint32_t cut = UniformSource::PercentageCut(P);
    for (std::uint32_t bits = 0; bits < (1u << 24); ++bits) {
      const float r = static_cast<float>(bits) * 0x1p-24f;
      ASSERT_EQ(UniformSource::PercentageFromDraw(r, P), bits < cut) << P << " " << bits;
    }
  }
}

TEST(UniformSource, DerivedDrawsHaveTheirFrequencies) {
  UniformSource source;
  const int draws = 600000;
  std::array<int, 8> index_count{};
  int coins = 0, tests = 0;
  for (int i = 0; i < draws; ++i) {
    ++index_count[source.IndexDraw(6)];
    coins += source.Coin();
    tests += source.PercentageTest(100) ? 1 : 0;
  }
  EXPECT_EQ(index_count[0], 0);
  EXPECT_EQ(index_count[7], 0);
  // Tolerances are about six standard deviations: a one-off error in any formula (1/7 for
  // 1/6, 0.11 for 0.1) is far outside them.
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(index_count[k] / double(draws), 1 / 6.0, 0.003) << k;
  EXPECT_NEAR(coins / double(draws), 0.5, 0.004);
  EXPECT_NEAR(tests / double(draws), 0.1, 0.0025);
}

TEST(BootstrapPicks, CopyOnlyUnreplacedOtherColumnsAtTheChosenShare) {
  UniformSource source;
  CharPicks pick;
  long replaced = 0, positions = 0;
  for (int set = 0; set < 200; ++set) {
    DrawBootstrapPicks(1000, 100, source, pick);
    for (int j = 1; j <= 1000; ++j) {
      const int k = pick[j];
      ASSERT_GE(k, 1);
      ASSERT_LE(k, 1000);
      if (k == j) continue;
      ++replaced;
      // A source is an input column of a position not replaced earlier in the pass; later
      // positions lend their input column even if they are replaced afterwards.
      ASSERT_TRUE(k > j || pick[k] == k) << "position " << j << " copies replaced " << k;
    }
    positions += 1000;
  }
  EXPECT_NEAR(replaced / double(positions), 0.1, 0.004);
}

TEST(BootstrapPicks, EndTheSearchWhenNoOtherPositionIsLeft) {
  UniformSource source;
  CharPicks pick;
  // Every position chosen for replacement: one character can only keep itself, and with more
  // the last position finds every other one replaced.
  for (int n : {1, 2, 5}) {
    DrawBootstrapPicks(n, 1000, source, pick);
    for (int j = 1; j < n; ++j) EXPECT_NE(pick[j], j) << n;
    EXPECT_EQ(pick[n], n);
  }
}

TEST(PermutationPicks, AreReorderingsWithTheSwapOverAllPositions) {
  UniformSource source;
  CharPicks pick;
  std::map<std::array<int, 3>, int> seen;
  const int sets = 60000;
  for (int set = 0; set < sets; ++set) {
    DrawPermutationPicks(3, source, pick);
    ++seen[{pick[1], pick[2], pick[3]}];
  }
  // Swapping with any of the 3 positions gives 27 equally likely paths: three orders come from
  // 5 paths each, three from 4, unlike the 1/6 of a uniform shuffle.
  ASSERT_EQ(seen.size(), 6u);
  const std::map<std::array<int, 3>, int> paths = {{{2, 3, 1}, 5}, {{2, 1, 3}, 5}, {{1, 3, 2}, 5},
                                                   {{3, 1, 2}, 4}, {{3, 2, 1}, 4}, {{1, 2, 3}, 4}};
  for (const auto& [order, count] : seen) {
    EXPECT_NEAR(count / double(sets), paths.at(order) / 27.0, 0.007);
  }
  DrawPermutationPicks(700, source, pick);
  std::vector<int16_t> sorted(pick.begin() + 1, pick.end());
  std::sort(sorted.begin(), sorted.end());
  std::vector<int16_t> all(700);
  std::iota(all.begin(), all.end(), int16_t{1});
  EXPECT_EQ(sorted, all);
}

void Name(DataSet& data, int i, const std::string& name) {
  data.OtuName[i] = name + std::string(12 - name.size(), ' ');
}

TEST(OtuPicks, GroupsByExactNameAndPicksEachMemberEquallyWithOneDrawPerGroup) {
  DataSet data;
  data.NOtu = 9;
  // Letter case and a leading blank make other names.
  const char* names[] = {"A", "B", "A", "C", "B", "A", "a", " A", "A"};
  for (int i = 1; i <= 9; ++i) Name(data, i, names[i - 1]);
  OtuPicks picks;
  ListUniqueOtus(data, picks);
  ASSERT_EQ(picks.NUniqueOtu, 5);
  EXPECT_EQ(std::vector<int16_t>(picks.UniqueOtu.begin() + 1, picks.UniqueOtu.begin() + 6),
            (std::vector<int16_t>{1, 2, 4, 7, 8}));
  const OtuGroups groups = GroupMembers(data, picks);

  UniformSource source;
  std::map<int, int> chosen;
  const int sets = 30000;
  for (int set = 0; set < sets; ++set) {
    const UniformSource before = source;
    PickGroupMembers(groups, source, picks);
    ASSERT_EQ(DrawsBetween(before, source, 100), 5);
    for (int g = 1; g <= 5; ++g) {
      ASSERT_EQ(data.OtuName[picks.UniqueOtu[g]], data.OtuName[groups[g][0]]);
      ++chosen[picks.UniqueOtu[g]];
    }
  }
  for (int i : {1, 3, 6, 9}) EXPECT_NEAR(chosen[i] / double(sets), 0.25, 0.015) << i;
  for (int i : {2, 5}) EXPECT_NEAR(chosen[i] / double(sets), 0.5, 0.015) << i;
  for (int i : {4, 7, 8}) EXPECT_EQ(chosen[i], sets) << i;
}

TEST(OtuPicks, DistinctOtusAreASampleWithoutRepeatsInBoundedTime) {
  UniformSource source;
  OtuPicks picks;
  picks.NUniqueOtu = 5;
  for (int set = 0; set < 100; ++set) {
    PickDistinctOtus(5, source, picks);
    std::vector<int16_t> got(picks.UniqueOtu.begin() + 1, picks.UniqueOtu.begin() + 6);
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got, (std::vector<int16_t>{1, 2, 3, 4, 5}));
  }
  picks.NUniqueOtu = 1;
  std::array<int, 6> single{};
  for (int set = 0; set < 6000; ++set) {
    PickDistinctOtus(5, source, picks);
    ++single[picks.UniqueOtu[1]];
  }
  for (int i = 1; i <= 5; ++i) EXPECT_NEAR(single[i] / 6000.0, 0.2, 0.03) << i;

  // All 1000 of 1000 OTUs: about 1000 * H(1000) = 7485 draws, spread about 1300.
  picks.NUniqueOtu = 1000;
  long total = 0;
  for (int set = 0; set < 20; ++set) {
    const UniformSource before = source;
    PickDistinctOtus(1000, source, picks);
    const long draws = DrawsBetween(before, source, 50000);
    ASSERT_LT(draws, 20000);
    total += draws;
    std::vector<bool> seen(1001, false);
    for (int i = 1; i <= 1000; ++i) {
      ASSERT_FALSE(seen[picks.UniqueOtu[i]]);
      seen[picks.UniqueOtu[i]] = true;
    }
  }
  EXPECT_NEAR(total / 20.0, 7485, 1000);
}

}  // namespace
}  // namespace marbleset
