#include "resampling/column_picks.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace marbleset {

namespace {
void Identity(std::size_t characters, ColumnPicks& picks) {
  picks.resize(characters);
  std::iota(picks.begin(), picks.end(), std::size_t{0});
}
}  // namespace

void DrawBootstrapPicks(std::size_t characters, double percent, UniformSource& source,
                        ColumnPicks& picks) {
  Identity(characters, picks);
  // Positions still holding their own column; position j itself is always among them when its
  // turn comes, so j has unreplaced - 1 candidates. Counting them lets the search stop when
  // there are none (one character, or every other position already replaced), where drawing
  // on would never end.
  std::size_t unreplaced = characters;
  const std::uint32_t cut = UniformSource::PercentageCut(percent);
  for (std::size_t j = 0; j < characters; ++j) {
    if (!source.BelowCut(cut)) continue;
    if (unreplaced - 1 == 0) continue;
    std::size_t k;
    do {
      k = source.IndexDraw(characters);
    } while (k == j || picks[k] != k);
    picks[j] = k;
    --unreplaced;
  }
}

void DrawPermutationPicks(std::size_t characters, UniformSource& source, ColumnPicks& picks) {
  Identity(characters, picks);
  for (std::size_t j = 0; j < characters; ++j) {
    std::swap(picks[j], picks[source.IndexDraw(characters)]);
  }
}

void DrawClassicBootstrapPicks(std::size_t characters, UniformSource& source, ColumnPicks& picks) {
  picks.resize(characters);
  for (auto& pick : picks) pick = source.IndexDraw(characters);
  std::sort(picks.begin(), picks.end());
}

void DrawJackknifePicks(std::size_t characters, UniformSource& source, ColumnPicks& picks) {
  // The first kept positions of a Fisher-Yates shuffle are a uniform subset.
  Identity(characters, picks);
  const std::size_t kept = (characters + 1) / 2;
  for (std::size_t j = 0; j < kept; ++j) {
    std::swap(picks[j], picks[j + source.IndexDraw(characters - j)]);
  }
  picks.resize(kept);
  std::sort(picks.begin(), picks.end());
}

void GatherBits(const std::uint64_t* row, const std::size_t* picks, std::size_t count,
                std::uint64_t* out) {
  for (std::size_t start = 0; start < count; start += 64) {
    const std::size_t* from = picks + start;
    const std::size_t n = std::min<std::size_t>(64, count - start);
    std::uint64_t word = 0;
    for (std::size_t b = 0; b < n; ++b) {
      word |= ((row[from[b] / 64] >> (from[b] % 64)) & 1u) << b;
    }
    out[start / 64] = word;
  }
}

DataSet PickColumns(const DataSet& data, const ColumnPicks& picks) {
  DataSet picked;
  picked.SetMemoryLimit(data.MemoryLimit());
  picked.Resize(data.Kind(), data.OtuCount(), picks.size(), data.MissingValue());
  picked.otuNames = data.otuNames;
  const std::size_t count = picks.size();
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    if (data.IsQuantitative()) {
      const float* row = data.Row(i);
      float* to = picked.Row(i);
      for (std::size_t j = 0; j < count; ++j) to[j] = row[picks[j]];
      continue;
    }
    GatherBits(data.OnesRow(i), picks.data(), count, picked.OnesRow(i));
    GatherBits(data.MissingRow(i), picks.data(), count, picked.MissingRow(i));
    const std::uint64_t* other = data.OtherRow(i);
    if (other == nullptr) continue;
    for (std::size_t j = 0; j < count; ++j) {
      const std::size_t k = picks[j];
      if ((other[k / 64] >> (k % 64)) & 1u) picked.SetValue(i, j, data.Value(i, k));
    }
  }
  return picked;
}

}  // namespace marbleset
