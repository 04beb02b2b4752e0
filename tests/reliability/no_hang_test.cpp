// Every loop that draws until a condition holds ends, with a bound on its draws: the bootstrap
// candidate search (one character, every other position already replaced), the group-member
// pick and the distinct-OTU pick at m = NOtu = 1000.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <set>
#include <thread>

#include "dataset/data_set.h"
#include "resampling/char_picks.h"
#include "resampling/otu_picks.h"
#include "resampling/uniform_source.h"

namespace marbleset {
namespace {

// Runs work on its own thread; a loop that never ends would leave the test waiting forever, so
// after the limit the whole test program stops with a message instead.
template <typename Work>
void FinishesWithin(std::chrono::seconds limit, const char* what, Work work) {
  auto done = std::async(std::launch::async, work);
  if (done.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "%s did not finish within %lld s: a draw loop never ends\n", what,
                 static_cast<long long>(limit.count()));
    std::_Exit(1);
  }
  done.get();
}

// How many draws took `before` to `after`, up to a limit.
long DrawsBetween(UniformSource before, const UniformSource& after, long limit) {
  for (long n = 0; n <= limit; ++n) {
    if (before == after) return n;
    before.Next();
  }
  return limit + 1;
}

TEST(NoHang, BootstrapSearchEndsWhenNoCandidateIsLeft) {
  FinishesWithin(std::chrono::seconds(20), "the bootstrap candidate search", [] {
    // One character replaced with certainty: there is no other position to copy from.
    for (std::uint64_t seed = 0; seed < 100; ++seed) {
      UniformSource source(seed);
      CharPicks pick;
      DrawBootstrapPicks(1, 1000, source, pick);
      ASSERT_EQ(pick[1], 1);
    }
    // Every position replaced: each takes the column of a later position still its own, and
    // the last, with every other position replaced, keeps its own.
    for (const int n_char : {2, 3, 10, 5000}) {
      for (std::uint64_t seed = 0; seed < 5; ++seed) {
        UniformSource source(seed);
        const UniformSource start = source;
        CharPicks pick;
        DrawBootstrapPicks(n_char, 1000, source, pick);
        for (int j = 1; j < n_char; ++j) {
          ASSERT_GT(pick[j], j) << "n_char " << n_char << ", position " << j;
          ASSERT_LE(pick[j], n_char);
        }
        ASSERT_EQ(pick[n_char], n_char);
        // Position j has n_char - j candidates, so its search takes n_char / (n_char - j)
        // draws on average: about n_char * ln(n_char) in all, far below this bound.
        const double expected = n_char * (std::log(n_char) + 1.0) + n_char;
        EXPECT_LE(DrawsBetween(start, source, static_cast<long>(20 * expected)), 20 * expected);
      }
    }
  });
}

TEST(NoHang, GroupMemberPickTakesOneDrawPerGroup) {
  FinishesWithin(std::chrono::seconds(20), "the group-member pick", [] {
    auto data = std::make_unique<DataSet>();
    data->NOtu = kMaxOtu;
    // All names distinct: a thousand groups of one, each must get its own member back.
    for (int i = 1; i <= kMaxOtu; ++i) {
      std::string name(1, 'N');
      name.append(std::to_string(i)).resize(12, ' ');
      data->OtuName[i] = name;
    }
    OtuPicks picks;
    ListUniqueOtus(*data, picks);
    ASSERT_EQ(picks.NUniqueOtu, kMaxOtu);
    OtuGroups groups = GroupMembers(*data, picks);
    UniformSource source;
    UniformSource start = source;
    PickGroupMembers(groups, source, picks);
    for (int g = 1; g <= kMaxOtu; ++g) ASSERT_EQ(picks.UniqueOtu[g], g);
    EXPECT_EQ(DrawsBetween(start, source, 2 * kMaxOtu), kMaxOtu);

    // One name shared by all: one group, one draw, any member.
    for (int i = 1; i <= kMaxOtu; ++i) data->OtuName[i] = "Same        ";
    ListUniqueOtus(*data, picks);
    ASSERT_EQ(picks.NUniqueOtu, 1);
    groups = GroupMembers(*data, picks);
    start = source;
    PickGroupMembers(groups, source, picks);
    EXPECT_GE(picks.UniqueOtu[1], 1);
    EXPECT_LE(picks.UniqueOtu[1], kMaxOtu);
    EXPECT_EQ(DrawsBetween(start, source, 10), 1);
  });
}

TEST(NoHang, DistinctPickOfAllThousandOtusEnds) {
  FinishesWithin(std::chrono::seconds(20), "the distinct-OTU pick", [] {
    // Drawing all n of n OTUs by rejection is the coupon collector: n * H(n), about 7500
    // draws for 1000, and more than n * (ln n + c) with probability below e^-c.
    const double bound = kMaxOtu * (std::log(kMaxOtu) + 12.0);
    for (std::uint64_t seed = 0; seed < 20; ++seed) {
      UniformSource source(seed);
      const UniformSource start = source;
      OtuPicks picks;
      picks.NUniqueOtu = kMaxOtu;
      PickDistinctOtus(kMaxOtu, source, picks);
      std::set<int> seen(picks.UniqueOtu.begin() + 1, picks.UniqueOtu.begin() + 1 + kMaxOtu);
      ASSERT_EQ(seen.size(), static_cast<std::size_t>(kMaxOtu));
      EXPECT_EQ(*seen.begin(), 1);
      EXPECT_EQ(*seen.rbegin(), kMaxOtu);
      EXPECT_LE(DrawsBetween(start, source, static_cast<long>(bound)), bound) << "seed " << seed;
    }
    // The smallest case: one OTU, one pick.
    UniformSource source;
    OtuPicks one;
    one.NUniqueOtu = 1;
    PickDistinctOtus(1, source, one);
    EXPECT_EQ(one.UniqueOtu[1], 1);
  });
}

}  // namespace
}  // namespace marbleset
