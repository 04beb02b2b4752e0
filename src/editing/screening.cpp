#include "editing/screening.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace marbleset {

namespace {

constexpr std::size_t kWordBits = 64;

using WordVector = std::vector<std::uint64_t>;

// The classes of every character, gathered row by row with one bit per character: for each
// state, whether at least one OTU holds it (once) and whether at least two do (twice). These
// counters stop at two, which is all the classes ask, so each row costs a few word operations
// per 64 characters.
class CharacterClasses {
 public:
  explicit CharacterClasses(const DataSet& data)
      : words_((data.CharCount() + kWordBits - 1) / kWordBits),
        zerosOnce_(words_),
        zerosTwice_(words_),
        onesOnce_(words_),
        onesTwice_(words_),
        missing_(words_),
        valid_(words_, ~std::uint64_t{0}) {
    if (data.CharCount() % kWordBits != 0) {
      valid_.back() = (std::uint64_t{1} << (data.CharCount() % kWordBits)) - 1;
    }
    if (data.IsBinary()) {
      for (std::size_t i = 0; i < data.OtuCount(); ++i) {
        AddRow(data.OnesRow(i), data.MissingRow(i), data.OtherRow(i));
      }
    } else {
      // Quantitative data is classed as binary data would be: its rows are first packed into
      // bits of state 1, missing, and other values.
      WordVector ones(words_), missing(words_), other(words_);
      for (std::size_t i = 0; i < data.OtuCount(); ++i) {
        std::fill(ones.begin(), ones.end(), 0);
        std::fill(missing.begin(), missing.end(), 0);
        std::fill(other.begin(), other.end(), 0);
        const float* row = data.Row(i);
        for (std::size_t k = 0; k < data.CharCount(); ++k) {
          const std::uint64_t bit = std::uint64_t{1} << (k % kWordBits);
          const float value = row[k];
          if (value == data.MissingValue()) {
            missing[k / kWordBits] |= bit;
          } else if (value == 1.0f) {
            ones[k / kWordBits] |= bit;
          } else if (value != 0.0f) {
            other[k / kWordBits] |= bit;
          }
        }
        AddRow(ones.data(), missing.data(), other.data());
      }
    }
  }

  std::size_t WordCount() const { return words_; }
  std::uint64_t Monomorphic(std::size_t w) const {
    return ~(zerosOnce_[w] & onesOnce_[w]) & valid_[w];
  }
  std::uint64_t Uninformative(std::size_t w) const {
    return (zerosOnce_[w] & ~zerosTwice_[w]) | (onesOnce_[w] & ~onesTwice_[w]);
  }
  std::uint64_t WithMissing(std::size_t w) const { return missing_[w]; }

 private:
  // A missing cell is neither 0 nor 1, whatever the missing code: the planes hold it apart.
  void AddRow(const std::uint64_t* ones, const std::uint64_t* missing, const std::uint64_t* other) {
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t one = ones[w];
      const std::uint64_t zero = ~(one | missing[w] | (other ? other[w] : 0)) & valid_[w];
      onesTwice_[w] |= onesOnce_[w] & one;
      onesOnce_[w] |= one;
      zerosTwice_[w] |= zerosOnce_[w] & zero;
      zerosOnce_[w] |= zero;
      missing_[w] |= missing[w];
    }
  }

  std::size_t words_;
  WordVector zerosOnce_, zerosTwice_, onesOnce_, onesTwice_, missing_, valid_;
};

std::size_t CountBits(const WordVector& words) {
  std::size_t count = 0;
  for (std::uint64_t word : words) count += static_cast<std::size_t>(std::popcount(word));
  return count;
}

// True when the OTU has a missing entry among the characters whose bit is set in kept.
bool MissingAmong(const DataSet& data, std::size_t otu, const WordVector& kept) {
  if (data.IsBinary()) {
    const std::uint64_t* missing = data.MissingRow(otu);
    std::uint64_t any = 0;
    for (std::size_t w = 0; w < kept.size(); ++w) any |= missing[w] & kept[w];
    return any != 0;
  }
  const float* row = data.Row(otu);
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    if (row[k] == data.MissingValue() && ((kept[k / kWordBits] >> (k % kWordBits)) & 1u)) {
      return true;
    }
  }
  return false;
}

std::vector<bool> Flags(const WordVector& words, std::size_t count) {
  std::vector<bool> flags(count);
  for (std::size_t k = 0; k < count; ++k) flags[k] = (words[k / kWordBits] >> (k % kWordBits)) & 1u;
  return flags;
}

struct CropResult {
  std::size_t characters = 0;
  std::size_t otus = 0;
};

CropResult Crop(DataSet& data, const CropChoice& choice) {
  const CharacterClasses classes(data);
  WordVector removed(classes.WordCount()), kept(classes.WordCount());
  for (std::size_t w = 0; w < classes.WordCount(); ++w) {
    if (choice.monomorphic) removed[w] |= classes.Monomorphic(w);
    if (choice.uninformative) removed[w] |= classes.Uninformative(w);
    if (choice.charactersWithMissing) removed[w] |= classes.WithMissing(w);
    kept[w] = ~removed[w];
  }
  CropResult result;
  if (choice.otusWithMissing) {
    std::vector<bool> otus(data.OtuCount());
    for (std::size_t i = 0; i < data.OtuCount(); ++i) otus[i] = MissingAmong(data, i, kept);
    result.otus = static_cast<std::size_t>(std::count(otus.begin(), otus.end(), true));
    if (result.otus > 0) data.RemoveOtus(otus);
  }
  result.characters = CountBits(removed);
  if (result.characters > 0) data.RemoveCharacters(Flags(removed, data.CharCount()));
  return result;
}

struct StateCounts {
  std::size_t zeros = 0;
  std::size_t ones = 0;
};

StateCounts CountStates(const DataSet& data, std::size_t character) {
  StateCounts counts;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    if (data.IsMissing(i, character)) continue;
    const float value = data.Value(i, character);
    counts.zeros += value == 0.0f;
    counts.ones += value == 1.0f;
  }
  return counts;
}

}  // namespace

std::size_t OtuMissingCount(const DataSet& data, std::size_t otu) {
  std::size_t count = 0;
  for (std::size_t k = 0; k < data.CharCount(); ++k) count += data.IsMissing(otu, k);
  return count;
}

std::size_t CharMissingCount(const DataSet& data, std::size_t character) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) count += data.IsMissing(i, character);
  return count;
}

bool IsMonomorphic(const DataSet& data, std::size_t character) {
  const StateCounts counts = CountStates(data, character);
  return counts.zeros == 0 || counts.ones == 0;
}

bool IsUninformative(const DataSet& data, std::size_t character) {
  const StateCounts counts = CountStates(data, character);
  return counts.zeros == 1 || counts.ones == 1;
}

CropCounts CountCropProperties(const DataSet& data) {
  const CharacterClasses classes(data);
  CropCounts counts;
  for (std::size_t w = 0; w < classes.WordCount(); ++w) {
    counts.monomorphic += static_cast<std::size_t>(std::popcount(classes.Monomorphic(w)));
    counts.uninformative += static_cast<std::size_t>(std::popcount(classes.Uninformative(w)));
    counts.charactersWithMissing += static_cast<std::size_t>(std::popcount(classes.WithMissing(w)));
  }
  const WordVector all(classes.WordCount(), ~std::uint64_t{0});
  for (std::size_t i = 0; i < data.OtuCount(); ++i)
    counts.otusWithMissing += MissingAmong(data, i, all);
  return counts;
}

std::string CropCountsText(const CropCounts& counts, std::string_view lineEnd) {
  std::string text;
  const auto line = [&text, lineEnd](std::string_view label, std::size_t count) {
    text.append(label).append(" ").append(std::to_string(count)).append(lineEnd);
  };
  line("Number of monomorphic characters:", counts.monomorphic);
  line("Number of uninformative characters:", counts.uninformative);
  line("Number of characters with missing data:", counts.charactersWithMissing);
  line("Number of OTUs with missing data:", counts.otusWithMissing);
  return text;
}

void ApplyCrop(DataSet& data, const CropChoice& choice) {
  const CropResult removed = Crop(data, choice);
  if (removed.characters + removed.otus > 0) data.changedSinceRead = true;
}

}  // namespace marbleset
