// The one data matrix the program works on, and the little process state around it.
//
// OTUs are rows, characters are columns, both counted from 1; row 0 and column 0 exist but
// carry nothing. The capacity is fixed at 1000 OTUs by 5000 characters and allocated once.
// A missing entry is an entry equal to MissingValue: there is no separate flag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marbleset {

inline constexpr int kMaxOtu = 1000;
inline constexpr int kMaxChar = 5000;

class DataSet {
 public:
  DataSet();
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  int16_t NOtu = 0;
  int16_t NChar = 0;
  // 12-character name fields, indices 0..kMaxOtu.
  std::vector<std::string> OtuName;
  float MissingValue = 0.0f;
  int16_t Quantitative = 0;  // 0 binary, 1 quantitative
  int16_t MultiSet = 0;      // 1 when the file holds further data sets after the first
  std::string DataFileName;  // full path of the loaded data file
  std::string DataDir;       // its folder, without a trailing separator

  float& Matrix(int otu, int character) { return cells_[Index(otu, character)]; }
  float Matrix(int otu, int character) const { return cells_[Index(otu, character)]; }
  // Characters 0..kMaxChar of one OTU, contiguous, for the fast paths.
  float* Row(int otu) { return cells_.data() + Index(otu, 0); }
  const float* Row(int otu) const { return cells_.data() + Index(otu, 0); }

  bool IsMissing(float value) const { return value == MissingValue; }

  // Exchanges everything held with another data set without copying the matrix; a read goes
  // into a fresh data set and is swapped in only when it succeeds.
  void swap(DataSet& other) noexcept;

 private:
  static std::size_t Index(int otu, int character) {
    return static_cast<std::size_t>(otu) * (kMaxChar + 1) + static_cast<std::size_t>(character);
  }
  std::vector<float> cells_;
};

// The folders from the settings store.
struct ProcessState {
  std::string WinDir;
  std::string PhylipDir;
};

// Forgets which file is loaded: no file name, no folder, no OTUs, no characters.
void ClearFileState(DataSet& data);

// True once a data file has been read successfully (and not cleared since).
inline bool HasData(const DataSet& data) {
  return !data.DataFileName.empty();
}

}  // namespace marbleset
