// What the "Marker mean" policy adds to the binary cells, for every pair of OTUs at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "distances/binary_bitsets.h"
#include "distances/marker_statistics.h"
#include "distances/pair_kernels.h"

namespace marbleset {

// For one pair: pm summed over the characters where one OTU is missing and the other holds 1
// (one) or 0 (zero); pm^2, (1-pm)^2 and 2pm(1-pm) summed over the characters where both are
// missing.
struct MarkerMeanShares {
  double one = 0, zero = 0, both_one = 0, both_zero = 0, both_mixed = 0;
};

// Pair (i, j) draws pm from the characters where i is missing and from those where j is
// missing. Summed pair by pair that is a walk over both missing lists for each of the half
// million pairs. Instead, each OTU i adds, for each character k it misses, pm_k into a row of
// sums over all OTUs j, selected by j's state at k: one vectorised pass over the states of
// character k (stored transposed, as bit planes over the OTUs). Pair (i, j) then takes row i's sum
// at j plus row j's sum at i. Characters missing in both OTUs are few; they are gathered from the
// per-character lists of missing OTUs instead. When every entry is 0, 1 or missing, only the
// state-1 sums are needed: what is neither state 1 nor missing at a character is state 0.
class MarkerMeanSums {
 public:
  // planes: the data packed with missing entries kept.
  MarkerMeanSums(const BinaryPlanes& planes, int otus, int chars, const MarkerStatistics& stats,
                 const kernels::KernelTable& kernels);

  // Computes the row sums of every OTU, on threads threads, and folds row j's sum at i into
  // row i's sum at j. Must come before Row.
  void Prepare(int threads);

  std::size_t MissingCount() const { return missing_chars_.size(); }

  // The shares of pairs (i, j), j = i + 1 .. NOtu, into out[j - i - 1].
  void Row(int i, MarkerMeanShares* out) const;

 private:
  void TransposeStates(const BinaryPlanes& planes, int chars);
  void TransposeBlock(const BinaryPlanes& planes, int otu_word, int char_word, int chars);
  void ListMissing(const BinaryPlanes& planes, int chars);
  void SumRow(int i);
  void FoldLowerIntoUpper();
  void AddBothMissing(int i, MarkerMeanShares* out) const;
  void DeriveZeros(int i, MarkerMeanShares* out) const;
  double* Ones(int i) { return ones_.data() + static_cast<std::size_t>(i - 1) * width_; }
  double* Zeros(int i) {
    return sum_zeros_ ? zeros_.data() + static_cast<std::size_t>(i - 1) * width_ : nullptr;
  }

  const kernels::KernelTable& kernels_;
  int otus_ = 0;
  int width_ = 0;           // OTUs rounded up to a multiple of 32; OTU j at column j - 1
  bool sum_zeros_ = false;  // some entries are neither 0, 1 nor missing
  std::vector<double> pm_;
  std::vector<double> both_;                  // per character pm^2, (1-pm)^2, 2pm(1-pm)
  std::size_t stride_ = 0;                    // words per character in planes_
  std::vector<std::uint64_t> planes_;         // per character, state-1 and state-0 bits of the OTUs
  std::vector<std::uint32_t> missing_start_;  // per OTU, into missing_chars_
  std::vector<std::uint16_t> missing_chars_;
  std::vector<std::uint32_t> column_start_;  // per character, into missing_otus_
  std::vector<std::uint16_t> missing_otus_;  // ascending within a character
  // Per entry of missing_chars_: where the OTUs after this one start in missing_otus_.
  std::vector<std::uint32_t> later_missing_;
  std::vector<double> missing_pm_;  // per OTU, pm summed over its missing characters
  std::vector<double> ones_, zeros_;
};

}  // namespace marbleset
