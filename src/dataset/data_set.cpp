#include "dataset/data_set.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset {

namespace {

constexpr std::uint64_t kBit = 1;

std::size_t WordsFor(std::size_t characters) {
  return (characters + 63) / 64;
}

bool TestBit(const std::uint64_t* row, std::size_t character) {
  return (row[character / 64] >> (character % 64)) & kBit;
}

void AssignBit(std::uint64_t* row, std::size_t character, bool on) {
  const std::uint64_t mask = kBit << (character % 64);
  row[character / 64] = on ? row[character / 64] | mask : row[character / 64] & ~mask;
}

// A run of kept characters within one word of a row: the same for every row, so it is found
// once and each row is then compacted a run at a time instead of a bit at a time.
struct KeptRun {
  std::size_t from;  // the run's first character
  unsigned length;   // 1 to 64, never past the end of from's word
};

std::vector<KeptRun> KeptRuns(const std::vector<bool>& remove) {
  std::vector<KeptRun> runs;
  for (std::size_t k = 0; k < remove.size(); ++k) {
    if (remove[k]) continue;
    if (!runs.empty() && runs.back().from + runs.back().length == k && k % 64 != 0) {
      ++runs.back().length;
    } else {
      runs.push_back({k, 1});
    }
  }
  return runs;
}

// Moves the kept bits of one padded row to the front, in order; the rest become 0. A word is
// written only once every run read from it has been taken, so this works in place.
void CompactBits(std::uint64_t* row, std::size_t words, const std::vector<KeptRun>& runs) {
  std::uint64_t gathered = 0;
  unsigned filled = 0;
  std::size_t out = 0;
  for (const KeptRun& run : runs) {
    const std::uint64_t mask = run.length == 64 ? ~std::uint64_t{0} : (kBit << run.length) - 1;
    const std::uint64_t bits = (row[run.from / 64] >> (run.from % 64)) & mask;
    gathered |= bits << filled;
    if (filled + run.length < 64) {
      filled += run.length;
      continue;
    }
    row[out++] = gathered;
    const unsigned taken = 64 - filled;
    gathered = taken == 64 ? 0 : bits >> taken;
    filled = filled + run.length - 64;
  }
  if (filled > 0) row[out++] = gathered;
  for (; out < words; ++out) row[out] = 0;
}

// New position of every kept entry; removed ones map to kept count (never read).
std::vector<std::size_t> KeptPositions(const std::vector<bool>& remove, std::size_t& kept) {
  std::vector<std::size_t> positions(remove.size());
  kept = 0;
  for (std::size_t k = 0; k < remove.size(); ++k) positions[k] = remove[k] ? 0 : kept++;
  return positions;
}

}  // namespace

DataSet DataSet::Clone() const {
  DataSet copy;
  copy.kind_ = kind_;
  copy.otus_ = otus_;
  copy.characters_ = characters_;
  copy.words_ = words_;
  copy.missingValue_ = missingValue_;
  copy.memoryLimit_ = memoryLimit_;
  copy.cells_ = cells_;
  copy.ones_ = ones_;
  copy.missing_ = missing_;
  copy.others_ = others_;
  copy.otherValues_ = otherValues_;
  copy.otuNames = otuNames;
  copy.multiSet = multiSet;
  copy.fileName = fileName;
  copy.folder = folder;
  copy.changedSinceRead = changedSinceRead;
  return copy;
}

std::uint64_t DataSet::MatrixBytes(DataKind kind, std::size_t otus, std::size_t characters) {
  const auto rows = static_cast<std::uint64_t>(otus);
  if (kind == DataKind::kQuantitative) return rows * characters * sizeof(float);
  return 2 * rows * WordsFor(characters) * sizeof(std::uint64_t);
}

std::uint64_t DataSet::BytesNeeded(DataKind kind, std::size_t otus, std::size_t characters) {
  // Counts from a file can be so large that the products overflow; such a shape is far beyond
  // any memory, so it is measured roughly first.
  const long double rough = static_cast<long double>(otus) * static_cast<long double>(characters) *
                                (kind == DataKind::kQuantitative ? 4.0L : 0.25L) +
                            static_cast<long double>(otus) * sizeof(std::string);
  if (rough > 1e18L) return UINT64_MAX;
  // The names count too: a billion OTUs by no characters need no matrix but a billion names.
  return MatrixBytes(kind, otus, characters) +
         static_cast<std::uint64_t>(otus) * sizeof(std::string);
}

void DataSet::Resize(DataKind kind, std::size_t otus, std::size_t characters, float missingValue) {
  const std::uint64_t needed = BytesNeeded(kind, otus, characters);
  const std::uint64_t limit = memoryLimit_ != 0 ? memoryLimit_ : AvailableMemory();
  const std::string shape =
      std::to_string(otus) + " OTUs by " + std::to_string(characters) + " characters";
  if (needed == UINT64_MAX) {
    throw MemoryFailure("A data set of " + shape + " needs more memory than any machine has.");
  }
  if (needed > limit) {
    throw MemoryFailure("A data set of " + shape + " needs " + ByteSize(needed) + " of memory; " +
                        ByteSize(limit) + " are available.");
  }
  DataSet fresh;
  fresh.kind_ = kind;
  fresh.otus_ = otus;
  fresh.characters_ = characters;
  fresh.missingValue_ = missingValue;
  if (kind == DataKind::kQuantitative) {
    fresh.cells_.assign(otus * characters, 0.0f);
  } else {
    fresh.words_ = WordsFor(characters);
    fresh.ones_.assign(otus * fresh.words_, 0);
    fresh.missing_.assign(otus * fresh.words_, 0);
  }
  fresh.otuNames.resize(otus);
  kind_ = fresh.kind_;
  otus_ = otus;
  characters_ = characters;
  words_ = fresh.words_;
  missingValue_ = missingValue;
  cells_.swap(fresh.cells_);
  ones_.swap(fresh.ones_);
  missing_.swap(fresh.missing_);
  others_.clear();
  otherValues_.clear();
  otuNames.swap(fresh.otuNames);
}

float DataSet::Value(std::size_t otu, std::size_t character) const {
  if (kind_ == DataKind::kQuantitative) return cells_[CellIndex(otu, character)];
  if (TestBit(MissingRow(otu), character)) return missingValue_;
  if (TestBit(OnesRow(otu), character)) return 1.0f;
  if (!others_.empty() && TestBit(OtherRow(otu), character)) {
    return otherValues_.at(CellIndex(otu, character));
  }
  return 0.0f;
}

bool DataSet::IsMissing(std::size_t otu, std::size_t character) const {
  if (kind_ == DataKind::kQuantitative) return cells_[CellIndex(otu, character)] == missingValue_;
  return TestBit(MissingRow(otu), character);
}

void DataSet::SetValue(std::size_t otu, std::size_t character, float value) {
  if (kind_ == DataKind::kQuantitative) {
    cells_[CellIndex(otu, character)] = value;
    return;
  }
  // The missing value comes first: a file may declare 0 or 1 as its missing-data code.
  const bool missing = value == missingValue_;
  const bool one = !missing && value == 1.0f;
  const bool other = !missing && !one && value != 0.0f;
  AssignBit(MissingRow(otu), character, missing);
  AssignBit(OnesRow(otu), character, one);
  if (other) {
    SetOther(otu, character, value);
  } else if (!others_.empty()) {
    ClearOther(otu, character);
  }
}

void DataSet::SetOther(std::size_t otu, std::size_t character, float value) {
  if (others_.empty()) others_.assign(ones_.size(), 0);
  AssignBit(others_.data() + otu * words_, character, true);
  otherValues_[CellIndex(otu, character)] = value;
}

void DataSet::ClearOther(std::size_t otu, std::size_t character) {
  std::uint64_t* row = others_.data() + otu * words_;
  if (!TestBit(row, character)) return;
  AssignBit(row, character, false);
  otherValues_.erase(CellIndex(otu, character));
  if (otherValues_.empty()) others_.clear();
}

void DataSet::RemoveCharacters(const std::vector<bool>& remove) {
  std::size_t kept = 0;
  const std::vector<std::size_t> positions = KeptPositions(remove, kept);
  if (kept == characters_) return;
  if (kind_ == DataKind::kQuantitative) {
    float* to = cells_.data();
    for (std::size_t i = 0; i < otus_; ++i) {
      const float* from = cells_.data() + i * characters_;
      for (std::size_t k = 0; k < characters_; ++k) {
        if (!remove[k]) *to++ = from[k];
      }
    }
    cells_.resize(otus_ * kept);
    characters_ = kept;
    return;
  }
  std::unordered_map<std::size_t, float> otherValues;
  for (const auto& [index, value] : otherValues_) {
    const std::size_t character = index % characters_;
    if (!remove[character]) otherValues[index / characters_ * kept + positions[character]] = value;
  }
  const std::size_t words = WordsFor(kept);
  const std::vector<KeptRun> runs = KeptRuns(remove);
  auto compactPlane = [&](std::vector<std::uint64_t>& plane) {
    if (plane.empty()) return;
    for (std::size_t i = 0; i < otus_; ++i) {
      std::uint64_t* row = plane.data() + i * words_;
      CompactBits(row, words_, runs);
      std::copy(row, row + words, plane.data() + i * words);
    }
    plane.resize(otus_ * words);
  };
  compactPlane(ones_);
  compactPlane(missing_);
  compactPlane(others_);
  otherValues_.swap(otherValues);
  if (otherValues_.empty()) others_.clear();
  characters_ = kept;
  words_ = words;
}

void DataSet::RemoveOtus(const std::vector<bool>& remove) {
  std::size_t kept = 0;
  const std::vector<std::size_t> positions = KeptPositions(remove, kept);
  if (kept == otus_) return;
  auto compactRows = [&](auto& plane, std::size_t width) {
    if (plane.empty()) return;
    for (std::size_t i = 0; i < otus_; ++i) {
      if (remove[i]) continue;
      std::copy(plane.begin() + i * width, plane.begin() + (i + 1) * width,
                plane.begin() + positions[i] * width);
    }
    plane.resize(kept * width);
  };
  compactRows(cells_, characters_);
  compactRows(ones_, words_);
  compactRows(missing_, words_);
  compactRows(others_, words_);
  std::unordered_map<std::size_t, float> otherValues;
  for (const auto& [index, value] : otherValues_) {
    const std::size_t otu = index / characters_;
    if (!remove[otu]) otherValues[positions[otu] * characters_ + index % characters_] = value;
  }
  otherValues_.swap(otherValues);
  if (otherValues_.empty()) others_.clear();
  std::vector<std::string> names;
  names.reserve(kept);
  for (std::size_t i = 0; i < otus_; ++i) {
    if (!remove[i]) names.push_back(std::move(otuNames[i]));
  }
  otuNames.swap(names);
  otus_ = kept;
}

void DataSet::swap(DataSet& other) noexcept {
  std::swap(*this, other);
}

std::uint64_t AvailableMemory() {
  return platform::AvailableMemory();
}

std::string ByteSize(std::uint64_t bytes) {
  constexpr std::string_view kUnits[] = {"bytes", "kB", "MB", "GB", "TB"};
  double size = static_cast<double>(bytes);
  std::size_t unit = 0;
  while (size >= 1000.0 && unit + 1 < std::size(kUnits)) {
    size /= 1000.0;
    ++unit;
  }
  char text[32];
  if (unit == 0) {
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else {
    std::snprintf(text, sizeof text, "%.1f %s", size, std::string(kUnits[unit]).c_str());
  }
  return text;
}

}  // namespace marbleset
