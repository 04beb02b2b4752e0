// What the "Marker mean" policy adds to the binary cells, for every pair of OTUs at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "distances/marker_statistics.h"
#include "distances/pair_kernels.h"

namespace marbleset {

// For one pair: pm summed over the characters where one OTU is missing and the other holds 1
// (one) or 0 (zero); pm and pm^2 summed over the characters where both are missing (both,
// bothSquares). With B such characters, they add pm^2 (bothSquares) to the 1-1 matches,
// (1-pm)^2 (B - 2 both + bothSquares) to the 0-0 matches and 2pm(1-pm) to the mismatches.
struct MarkerMeanShares {
  double one = 0, zero = 0, both = 0, bothSquares = 0;
};

// Pair (i, j) draws pm from the characters where i is missing and from those where j is
// missing. Summed pair by pair that is a walk over both missing lists for each of the millions
// of pairs. Instead, each OTU i adds, for each character k it misses, pm_k into a row of sums
// over all OTUs j, selected by j's state at k: one vectorised pass over the states of character
// k (stored transposed, as bit planes over the OTUs). Pair (i, j) then takes row i's sum at j
// plus row j's sum at i. Characters missing in both OTUs are few; row i finds them from its own
// missing bits and, for each, the OTUs after it missing there from the transposed missing
// bits. When every entry is 0, 1 or missing, only the state-1 sums are needed: what is neither
// state 1 nor missing at a character is state 0.
//
// Memory: the transposed planes (two bits per entry), one row of sums per OTU, and a list of
// the missing entries by character only while they are few (up to 16 MB), so a matrix of
// 2000 x 100,000 needs about 80 MB beyond its own bit planes.
class MarkerMeanSums {
 public:
  // Up to listLimit missing entries are also listed by character (see ListMissing).
  static constexpr std::size_t kListedMissing = std::size_t{4} << 20;
  MarkerMeanSums(const DataSet& data, const MarkerStatistics& stats,
                 const kernels::KernelTable& kernels, std::size_t listLimit = kListedMissing);

  // Computes the row sums of every OTU, on threads threads, and folds row j's sum at i into
  // row i's sum at j. Must come before Row.
  void Prepare(int threads);

  std::size_t MissingCount() const { return missingCount_; }

  // The shares of pairs (i, j), j = i + 1 .. OtuCount() - 1, into out[j - i - 1].
  void Row(std::size_t i, MarkerMeanShares* out) const;

 private:
  void TransposeStates();
  void TransposeBlock(std::size_t otuWord, std::size_t charWord);
  void SumRow(std::size_t i, std::vector<std::uint32_t>& chars);
  void FoldLowerIntoUpper();
  void AddBothMissing(std::size_t i, MarkerMeanShares* out) const;
  void DeriveZeros(std::size_t i, MarkerMeanShares* out) const;
  double* Ones(std::size_t i) { return ones_.data() + i * width_; }
  double* Zeros(std::size_t i) { return sumZeros_ ? zeros_.data() + i * width_ : nullptr; }
  void ListMissing();
  void MissingChars(std::size_t i, std::vector<std::uint32_t>& chars) const;
  // Character k's words of missing bits, MissingStep() words apart: the word for OTUs
  // 64 w .. 64 w + 63 is MissingColumn(k)[MissingStep() * w].
  const std::uint64_t* MissingColumn(std::size_t k) const {
    return sumZeros_ ? missing_.data() + k * otuWords_ : planes_.data() + k * stride_ + 1;
  }
  std::size_t MissingStep() const { return sumZeros_ ? 1 : 2; }

  const DataSet& data_;
  const kernels::KernelTable& kernels_;
  std::size_t otus_ = 0;
  std::size_t chars_ = 0;
  std::size_t width_ = 0;  // OTUs rounded up to a multiple of 32
  std::size_t otuWords_ = 0;
  bool sumZeros_ = false;  // some entries are neither 0, 1 nor missing
  std::size_t missingCount_ = 0;
  std::vector<double> pm_;
  std::vector<double> both_;  // per character pm and pm^2
  std::size_t stride_ = 0;    // words per character in planes_
  // Per character, for each 64 OTUs a word of state-1 bits and a word of missing bits (of
  // state-0 bits when other values need them summed, the missing bits then in missing_).
  std::vector<std::uint64_t> planes_;
  std::vector<std::uint64_t> missing_;
  // Up to listLimit_ missing entries: per character, its missing OTUs in ascending order.
  std::size_t listLimit_ = kListedMissing;
  std::vector<std::size_t> columnStart_;
  std::vector<std::uint32_t> missingOtus_;
  std::vector<double> missingPm_;  // per OTU, pm summed over its missing characters
  std::vector<double> ones_, zeros_;
};

}  // namespace marbleset
