// The inner loops of the fast matrix pass: blocks of OTUs against runs of consecutive OTUs.
//
// They are compiled for plain x86-64 and for processors with AVX2, FMA and POPCNT, and the
// binary kernel once more for AVX-512 with its population count; the pass picks the best the
// processor has when it starts, so the package runs everywhere and is fast where it can be.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marbleset::kernels {

// What the data packed for the binary kernels holds, and so how many planes each OTU has:
// only 0 and 1 (one plane: ones), also missing entries (two: ones, missing), or also other
// values (three: ones, valid, missing). The planes of one OTU are interleaved word by word, so
// they are one contiguous run of memory; bits past the last character are clear in all.
enum BinaryShape : int {
  kOnlyZerosAndOnes = 0,
  kHasMissing = 1,
  kHasOtherValues = 2,
};

inline constexpr int PlanesFor(int shape) {
  return shape == kOnlyZerosAndOnes ? 1 : shape == kHasMissing ? 2 : 3;
}

// Counts of one pair of OTUs over the words of their planes. With only 0, 1 and missing
// entries just the first three are counted; the rest follow from them and from the OTUs' own
// counts of 1 and missing entries (see BinaryComputer). With other values all are counted.
struct BinaryCounts {
  std::uint32_t ones;        // both 1
  std::uint32_t oneMissing;  // one 1, the other missing
  std::uint32_t bothMissing;
  std::uint32_t valid;         // both 0 or 1
  std::uint32_t mismatch;      // one 0, the other 1
  std::uint32_t validMissing;  // one 0 or 1, the other missing
};

// What the quantitative tile kernel sums for each pair: the squared differences or the
// products of dense rows (missing entries filled in), the squared differences over the
// characters where both have a value (NaN marks a missing entry), or the five sums of a
// correlation over those characters (Sx, Sy, Sxx, Syy, Sxy, in that order), or the number
// of equal entries (a missing entry, NaN, equals nothing).
enum TileKind : int {
  kTileSquares = 0,
  kTileProducts = 1,
  kTileMaskedSquares = 2,
  kTileMaskedCorrelation = 3,
  kTileEqual = 4,
};
inline constexpr int TileSums(int kind) {
  return kind == kTileMaskedCorrelation ? 5 : 1;
}

struct KernelTable {
  const char* name;
  // rowCount (1 to binaryRows) consecutive OTUs starting at rows against count consecutive OTUs
  // starting at first, all stride words apart, words words of each plane: the counts of row
  // r against OTU c into out[r * count + c]. Several rows at once read each other OTU once
  // for all of them.
  void (*binary_block)(const std::uint64_t* rows, int rowCount, const std::uint64_t* first,
                       std::size_t stride, std::size_t words, std::size_t count, int shape,
                       BinaryCounts* out);
  int binaryRows;
  // "Marker mean": for each of otus OTUs (a multiple of 32), the sum of pm[k] over the
  // characters k in chars (ascending) where that OTU is in state 1 (into ones) and in state 0
  // (into zeros, unless it is null). planes holds the states by character: at
  // planes + k * stride, one word of state-1 bits and one more word per 64 OTUs, interleaved;
  // the second holds the state-0 bits where zeros are summed (it is not read otherwise). Every
  // build adds in the order of chars, so the sums are the same to the last bit.
  void (*state_weight_sums)(const std::uint64_t* planes, std::size_t stride,
                            const std::uint32_t* chars, std::size_t charCount, const double* pm,
                            std::size_t otus, double* ones, double* zeros);
  // rowCount consecutive OTUs starting at rows against count consecutive OTUs starting at
  // first (rows of len floats, len a multiple of 8, stride floats apart; first is one OTU
  // after rows, and row r is summed against OTUs r .. count - 1 only): TileSums(kind) sums of
  // row r against OTU c are added to out[(r * count + c) * TileSums(kind) + s].
  void (*quantitative_tiles)(int kind, const float* rows, int rowCount, const float* first,
                             std::size_t stride, int len, std::size_t count, double* out);
  // sums[t] += values[t] and squares[t] += values[t]^2 for t < count, in double.
  void (*add_values)(const float* values, std::size_t count, double* sums, double* squares);
};

const KernelTable& BaselineKernels();
// The AVX2 table when the processor runs it (null otherwise), for the tests: BestKernels may
// be the AVX-512 table, which takes the binary kernel of its own and the rest of AVX2's.
const KernelTable* Avx2Kernels();
// The fastest table this processor can run.
const KernelTable& BestKernels();

}  // namespace marbleset::kernels
