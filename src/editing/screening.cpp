#include "editing/screening.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "dataset/text_sink.h"

namespace marbleset {

namespace {

// Class counts of every character, gathered row by row: the matrix is stored by OTU, so walking
// the rows reads memory in order where walking a character would jump a whole row per entry.
struct CharacterTally {
  explicit CharacterTally(const DataSet& data)
      : zeros(data.NChar + 1), ones(data.NChar + 1), missing(data.NChar + 1) {
    const float missing_value = data.MissingValue;
    for (int i = 1; i <= data.NOtu; ++i) {
      const float* row = data.Row(i);
      for (int k = 1; k <= data.NChar; ++k) {
        const float value = row[k];
        zeros[k] += value == 0.0f;
        ones[k] += value == 1.0f;
        missing[k] += value == missing_value;
      }
    }
  }
  bool Monomorphic(int k) const { return zeros[k] == 0 || ones[k] == 0; }
  bool Uninformative(int k) const { return zeros[k] == 1 || ones[k] == 1; }

  std::vector<int> zeros;
  std::vector<int> ones;
  std::vector<int> missing;
};

int RowMissingCount(const DataSet& data, int otu) {
  const float* row = data.Row(otu);
  return static_cast<int>(std::count(row + 1, row + data.NChar + 1, data.MissingValue));
}

// Removes the characters marked in gone (indexed 1..NChar) in one pass over every row, keeping
// the others in their order.
template <typename Test>
int CompactCharacters(DataSet& data, Test gone) {
  std::vector<int> kept;
  kept.reserve(data.NChar);
  for (int k = 1; k <= data.NChar; ++k) {
    if (!gone(k)) kept.push_back(k);
  }
  const int removed = data.NChar - static_cast<int>(kept.size());
  if (removed == 0) return 0;
  for (int i = 1; i <= data.NOtu; ++i) {
    float* row = data.Row(i);
    int to = 1;
    for (int k : kept) row[to++] = row[k];
  }
  data.NChar = static_cast<int16_t>(kept.size());
  return removed;
}

void CheckIndex(int index, int count, const char* what) {
  if (index < 1 || index > count) {
    throw std::out_of_range(std::string(what) + " index " + std::to_string(index) +
                            " is outside 1.." + std::to_string(count));
  }
}

}  // namespace

int OtuMissingCount(const DataSet& data, int otu) {
  return RowMissingCount(data, otu);
}

int CharMissingCount(const DataSet& data, int character) {
  int count = 0;
  for (int i = 1; i <= data.NOtu; ++i) count += data.IsMissing(data.Matrix(i, character));
  return count;
}

namespace {
struct StateCounts {
  int zeros = 0;
  int ones = 0;
};

StateCounts CountStates(const DataSet& data, int character) {
  StateCounts counts;
  for (int i = 1; i <= data.NOtu; ++i) {
    const float value = data.Matrix(i, character);
    counts.zeros += value == 0.0f;
    counts.ones += value == 1.0f;
  }
  return counts;
}
}  // namespace

bool IsMonomorphic(const DataSet& data, int character) {
  const StateCounts counts = CountStates(data, character);
  return counts.zeros == 0 || counts.ones == 0;
}

bool IsUninformative(const DataSet& data, int character) {
  const StateCounts counts = CountStates(data, character);
  return counts.zeros == 1 || counts.ones == 1;
}

CropCounts CountCropProperties(const DataSet& data) {
  CropCounts counts;
  for (int i = 1; i <= data.NOtu; ++i) {
    if (RowMissingCount(data, i) > 0) ++counts.NOtuMissing;
  }
  const CharacterTally tally(data);
  for (int k = 1; k <= data.NChar; ++k) {
    if (tally.missing[k] > 0) ++counts.NCharMissing;
    if (tally.Monomorphic(k)) ++counts.NMonomorphic;
    if (tally.Uninformative(k)) ++counts.NUninformative;
  }
  return counts;
}

std::string CropCountsText(const CropCounts& counts, std::string_view line_end) {
  std::string text;
  const auto line = [&text, line_end](std::string_view label, int count) {
    text.append(label).append(" ").append(std::to_string(count)).append(line_end);
  };
  line("Number of monomorphic characters:", counts.NMonomorphic);
  line("Number of uninformative characters:", counts.NUninformative);
  line("Number of characters with missing data:", counts.NCharMissing);
  line("Number of OTUs with missing data:", counts.NOtuMissing);
  return text;
}

int RemoveMonomorphicCharacters(DataSet& data) {
  const CharacterTally tally(data);
  return CompactCharacters(data, [&tally](int k) { return tally.Monomorphic(k); });
}

int RemoveUninformativeCharacters(DataSet& data) {
  const CharacterTally tally(data);
  return CompactCharacters(data, [&tally](int k) { return tally.Uninformative(k); });
}

int RemoveCharactersWithMissing(DataSet& data) {
  const CharacterTally tally(data);
  return CompactCharacters(data, [&tally](int k) { return tally.missing[k] > 0; });
}

int RemoveOtusWithMissing(DataSet& data) {
  int to = 1;
  for (int i = 1; i <= data.NOtu; ++i) {
    if (RowMissingCount(data, i) > 0) continue;
    if (to != i) {
      data.OtuName[to] = std::move(data.OtuName[i]);
      std::copy_n(data.Row(i) + 1, data.NChar, data.Row(to) + 1);
    }
    ++to;
  }
  const int removed = data.NOtu - (to - 1);
  data.NOtu = static_cast<int16_t>(to - 1);
  return removed;
}

void ApplyCrop(DataSet& data, const CropChoice& choice) {
  if (choice.monomorphic) RemoveMonomorphicCharacters(data);
  if (choice.uninformative) RemoveUninformativeCharacters(data);
  if (choice.characters_with_missing) RemoveCharactersWithMissing(data);
  if (choice.otus_with_missing) RemoveOtusWithMissing(data);
}

void RemoveCharacter(DataSet& data, int character) {
  CheckIndex(character, data.NChar, "Character");
  for (int i = 1; i <= data.NOtu; ++i) {
    float* row = data.Row(i);
    std::copy(row + character + 1, row + data.NChar + 1, row + character);
  }
  --data.NChar;
}

void RemoveOtu(DataSet& data, int otu) {
  CheckIndex(otu, data.NOtu, "OTU");
  for (int r = otu; r < data.NOtu; ++r) {
    data.OtuName[r] = data.OtuName[r + 1];
    std::copy_n(data.Row(r + 1) + 1, data.NChar, data.Row(r) + 1);
  }
  --data.NOtu;
}

}  // namespace marbleset
