#include "resampling/char_picks.h"

#include <numeric>
#include <utility>

namespace marbleset {

namespace {
void Identity(int n_char, CharPicks& pick) {
  pick.resize(static_cast<std::size_t>(n_char) + 1);
  std::iota(pick.begin(), pick.end(), int16_t{0});
}
}  // namespace

void DrawBootstrapPicks(int n_char, int P, UniformSource& source, CharPicks& pick) {
  Identity(n_char, pick);
  // Positions still holding their own column; position j itself is always among them when its
  // turn comes, so j has unreplaced - 1 candidates. Counting them lets the search stop when
  // there are none (one character, or every other position already replaced), where drawing
  // on would never end.
  int unreplaced = n_char;
  const std::uint32_t cut = UniformSource::PercentageCut(P);
  for (int j = 1; j <= n_char; ++j) {
    if (!source.BelowCut(cut)) continue;
    if (unreplaced - 1 == 0) continue;
    int k;
    do {
      k = source.IndexDraw(n_char);
    } while (k == j || pick[k] != k);
    pick[j] = static_cast<int16_t>(k);
    --unreplaced;
  }
}

void DrawPermutationPicks(int n_char, UniformSource& source, CharPicks& pick) {
  Identity(n_char, pick);
  // The partner is drawn over all positions, not only j..n_char: not the uniform shuffle, but
  // the order every earlier file was made with.
  for (int j = 1; j <= n_char; ++j) {
    const int k = source.IndexDraw(n_char);
    std::swap(pick[j], pick[k]);
  }
}

}  // namespace marbleset
