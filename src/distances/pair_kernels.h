// The inner loops of the fast matrix pass: one OTU against a run of consecutive OTUs.
//
// They are compiled twice, for plain x86-64 and for processors with AVX2, FMA and POPCNT, and
// the pass picks the best the processor has when it starts; the package therefore runs
// everywhere and is fast where it can be.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marbleset::kernels {

// Per-OTU bit planes of binary data, three words per 64 characters: ones, valid (0 or 1) and
// missing. Bits past the last character are clear in all three.
struct BinaryCounts {
  std::uint32_t ones;           // both 1
  std::uint32_t valid;          // both 0 or 1
  std::uint32_t mismatch;       // one 0, the other 1
  std::uint32_t one_missing;    // one 1, the other missing
  std::uint32_t valid_missing;  // one 0 or 1, the other missing
  std::uint32_t both_missing;
};

enum BinaryShape : int {
  kOnlyZerosAndOnes = 0,  // valid is then the number of characters
  kHasMissing = 1,
  kHasOtherValues = 2,
};

// Sums over the characters where both OTUs have a value; NaN marks a missing entry.
struct MaskedSums {
  double n, equal, ss, sx, sy, sxx, syy, sxy;
};

enum MaskedKind : int { kMaskedMatching = 0, kMaskedSquares = 1, kMaskedCorrelation = 2 };

struct KernelTable {
  const char* name;
  // row_i against count OTUs starting at first, stride words apart.
  void (*binary_counts)(const std::uint64_t* row_i, const std::uint64_t* first, std::size_t stride,
                        int words, int count, int shape, std::uint32_t characters,
                        BinaryCounts* out);
  // Dense float rows of length len (a multiple of 8, zero padded), stride floats apart.
  void (*squared_differences)(const float* row_i, const float* first, std::size_t stride, int len,
                              int count, double* out);
  void (*dot_products)(const float* row_i, const float* first, std::size_t stride, int len,
                       int count, double* out);
  // Counts equal entries, the padding included.
  void (*equal_counts)(const float* row_i, const float* first, std::size_t stride, int len,
                       int count, std::uint32_t* out);
  // Rows with NaN for missing entries and padding.
  void (*masked_sums)(int kind, const float* row_i, const float* first, std::size_t stride, int len,
                      int count, MaskedSums* out);
  // "Marker mean": for each of otus OTUs (a multiple of 32), the sum of pm[k] over the
  // characters k in chars where that OTU is in state 1 (into ones) and in state 0 (into
  // zeros, unless it is null). planes holds the states by character: at planes + k * stride, one
  // word of state-1 bits and one of state-0 bits per 64 OTUs, interleaved.
  void (*state_weight_sums)(const std::uint64_t* planes, std::size_t stride,
                            const std::uint16_t* chars, int char_count, const double* pm, int otus,
                            double* ones, double* zeros);
};

const KernelTable& BaselineKernels();
// The fastest table this processor can run.
const KernelTable& BestKernels();

}  // namespace marbleset::kernels
