// The data matrix the program works on: OTUs by characters, sized to its file.
//
// OTUs and characters are counted from 0. Binary data is held in bit planes, 64 cells a word,
// each OTU's row padded to whole words with zero bits: a state-1 plane and a missing plane, plus
// an "other" plane and a side table for the rare cells that are neither 0, 1 nor missing (NTSYS
// files may hold them). Quantitative data is held as one float a cell. A cell is missing when it
// equals the missing value, which is fixed when the data set is sized.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace marbleset {

enum class DataKind { kBinary, kQuantitative };

// The missing values the readers give each kind unless a file declares its own.
inline constexpr float kBinaryMissingValue = 2.0f;
inline constexpr float kQuantitativeMissingValue = -9999.0f;

class DataSet {
 public:
  DataSet() = default;
  DataSet(DataSet&&) noexcept = default;
  DataSet& operator=(DataSet&&) noexcept = default;
  // Copies are made on purpose only (Clone), never by accident: the matrix may be gigabytes.
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;
  DataSet Clone() const;

  // The bytes the matrix of a data set of this shape takes, names not counted.
  static std::uint64_t MatrixBytes(DataKind kind, std::size_t otus, std::size_t characters);
  // What Resize needs for this shape, names included; UINT64_MAX for a shape beyond any memory.
  static std::uint64_t BytesNeeded(DataKind kind, std::size_t otus, std::size_t characters);

  // Gives the data set this shape, every cell 0, every name empty, nothing else changed.
  // Throws MemoryFailure, leaving the data set as it was, when the matrix would need more than
  // the memory limit.
  void Resize(DataKind kind, std::size_t otus, std::size_t characters, float missingValue);
  // The most the matrix may take; 0 (the default) means what the machine has available now.
  void SetMemoryLimit(std::uint64_t bytes) { memoryLimit_ = bytes; }
  std::uint64_t MemoryLimit() const { return memoryLimit_; }

  std::size_t OtuCount() const { return otus_; }
  std::size_t CharCount() const { return characters_; }
  DataKind Kind() const { return kind_; }
  bool IsBinary() const { return kind_ == DataKind::kBinary; }
  bool IsQuantitative() const { return kind_ == DataKind::kQuantitative; }
  float MissingValue() const { return missingValue_; }

  // One cell, in either kind; Value gives the missing value for a missing cell.
  float Value(std::size_t otu, std::size_t character) const;
  void SetValue(std::size_t otu, std::size_t character, float value);
  bool IsMissing(std::size_t otu, std::size_t character) const;

  // Quantitative data: the CharCount() values of one OTU, contiguous.
  const float* Row(std::size_t otu) const { return cells_.data() + otu * characters_; }
  float* Row(std::size_t otu) { return cells_.data() + otu * characters_; }

  // Binary data: the planes of one OTU, WordsPerRow() words each. Bit b of word w is character
  // 64 w + b; the bits past the last character are always 0. A cell is in state 1 when its bit
  // is set in OnesRow, missing when set in MissingRow, another value when set in OtherRow, and
  // in state 0 when set in none. OtherRow is null while the data holds no other values.
  std::size_t WordsPerRow() const { return words_; }
  const std::uint64_t* OnesRow(std::size_t otu) const { return ones_.data() + otu * words_; }
  const std::uint64_t* MissingRow(std::size_t otu) const { return missing_.data() + otu * words_; }
  const std::uint64_t* OtherRow(std::size_t otu) const {
    return others_.empty() ? nullptr : others_.data() + otu * words_;
  }
  std::uint64_t* OnesRow(std::size_t otu) { return ones_.data() + otu * words_; }
  std::uint64_t* MissingRow(std::size_t otu) { return missing_.data() + otu * words_; }
  bool HasOtherValues() const { return !otherValues_.empty(); }

  // Keeps the characters (or OTUs, with their names) whose flag is false, in their order; one
  // pass over the matrix whatever is removed. remove.size() must be CharCount() (or OtuCount()).
  void RemoveCharacters(const std::vector<bool>& remove);
  void RemoveOtus(const std::vector<bool>& remove);

  // Exchanges everything held with another data set without copying the matrix; a read goes
  // into a fresh data set and is swapped in only when it succeeds.
  void swap(DataSet& other) noexcept;

  // Names as read: from PHYLIP data the 12-character field (shorter only when its line was),
  // from NTSYS data the label padded to 12 characters. One per OTU, resized by Resize.
  std::vector<std::string> otuNames;
  // True when the file holds further data sets after this one.
  bool multiSet = false;
  // The loaded data file's full path and its folder (without a trailing separator); empty
  // while nothing is loaded.
  std::string fileName;
  std::string folder;
  // True once the data was changed after it was read (cropped): it no longer is what fileName
  // holds, so nothing may send that file off in its place.
  bool changedSinceRead = false;

 private:
  std::size_t CellIndex(std::size_t otu, std::size_t character) const {
    return otu * characters_ + character;
  }
  void SetOther(std::size_t otu, std::size_t character, float value);
  void ClearOther(std::size_t otu, std::size_t character);

  DataKind kind_ = DataKind::kBinary;
  std::size_t otus_ = 0;
  std::size_t characters_ = 0;
  std::size_t words_ = 0;
  float missingValue_ = 0.0f;
  std::uint64_t memoryLimit_ = 0;
  std::vector<float> cells_;
  std::vector<std::uint64_t> ones_;
  std::vector<std::uint64_t> missing_;
  std::vector<std::uint64_t> others_;
  std::unordered_map<std::size_t, float> otherValues_;  // by CellIndex
};

// True once a data file has been read successfully (and not cleared since).
inline bool HasData(const DataSet& data) {
  return !data.fileName.empty();
}

// The memory the machine has available now (MemAvailable), in bytes.
std::uint64_t AvailableMemory();
// "1.5 GB", "640 MB", "12 kB": a size as messages show it.
std::string ByteSize(std::uint64_t bytes);

}  // namespace marbleset
