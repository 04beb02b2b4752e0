// The binary pair kernel and the "Marker mean" weight sums for processors with AVX-512 and its
// population count (VPOPCNTDQ), chosen at run time; the quantitative tiles are those of
// quantitative_tiles_avx512.cpp, the other kernels those of the AVX2 build.
//
// With one or two planes per OTU (ones, or ones and missing interleaved word by word) a vector
// holds four words of both planes: o0 m0 o1 m1 ... . Anded with the other OTU's vector it gives
// o&o' (state 1 in both) in the even lanes and m&m' (missing in both) in the odd lanes; anded
// with the other vector's lanes swapped in pairs it gives o&m' and m&o', which never overlap,
// so their counts add up to the 1-against-missing count. Two ands and two counts per four words.
#include <immintrin.h>

#include "distances/pair_kernels.h"

namespace marbleset::kernels {

namespace avx2 {
const KernelTable& Table();
}

namespace avx512 {

namespace {

// The 64-bit lanes of v swapped in pairs (1, 0, 3, 2, ...). Written with the compilers' vector
// built-ins: GCC 12 warns spuriously on the intrinsics for it, and clang has no __builtin_shuffle.
typedef long long V8l __attribute__((vector_size(64)));
__m512i PairSwapped(__m512i v) {
  const V8l lanes = reinterpret_cast<V8l>(v);
#if defined(__clang__)
  return reinterpret_cast<__m512i>(__builtin_shufflevector(lanes, lanes, 1, 0, 3, 2, 5, 4, 7, 6));
#else
  constexpr V8l kPairSwap = {1, 0, 3, 2, 5, 4, 7, 6};
  return reinterpret_cast<__m512i>(__builtin_shuffle(lanes, kPairSwap));
#endif
}

// The lanes of v that mask selects, added up. (GCC 12's own reductions warn spuriously.)
std::uint64_t LaneSum(__m512i v, unsigned mask) {
  alignas(64) std::uint64_t lanes[8];
  _mm512_store_si512(lanes, v);
  std::uint64_t sum = 0;
  for (unsigned lane = 0; lane < 8; ++lane)
    if (mask >> lane & 1) sum += lanes[lane];
  return sum;
}

template <int kPlanes, int kRows>
void BlockT(const std::uint64_t* rows, const std::uint64_t* first, std::size_t stride,
            std::size_t words, std::size_t count, BinaryCounts* out) {
  const std::size_t length = kPlanes * words;  // 64-bit words of one OTU
  const std::size_t whole = length / 8 * 8;
  const __mmask8 tail = static_cast<__mmask8>((1u << (length - whole)) - 1);
  for (std::size_t c = 0; c < count; ++c) {
    const std::uint64_t* pj = first + c * stride;
    __m512i same[kRows], cross[kRows];
    for (int r = 0; r < kRows; ++r) same[r] = cross[r] = _mm512_setzero_si512();
    auto step = [&](std::size_t t, __m512i y) {
      const __m512i swapped = PairSwapped(y);
      for (int r = 0; r < kRows; ++r) {
        const __m512i x = _mm512_maskz_loadu_epi64(t < whole ? 0xFF : tail, rows + r * stride + t);
        same[r] = _mm512_add_epi64(same[r], _mm512_popcnt_epi64(_mm512_and_si512(x, y)));
        if (kPlanes == 2)
          cross[r] = _mm512_add_epi64(cross[r], _mm512_popcnt_epi64(_mm512_and_si512(x, swapped)));
      }
    };
    std::size_t t = 0;
    for (; t < whole; t += 8) step(t, _mm512_loadu_si512(pj + t));
    if (t < length) step(t, _mm512_maskz_loadu_epi64(tail, pj + t));
    for (int r = 0; r < kRows; ++r) {
      BinaryCounts& k = out[static_cast<std::size_t>(r) * count + c];
      k = {};
      if (kPlanes == 1) {
        k.ones = static_cast<std::uint32_t>(LaneSum(same[r], 0xFF));
      } else {
        k.ones = static_cast<std::uint32_t>(LaneSum(same[r], 0x55));
        k.bothMissing = static_cast<std::uint32_t>(LaneSum(same[r], 0xAA));
        k.oneMissing = static_cast<std::uint32_t>(LaneSum(cross[r], 0xFF));
      }
    }
  }
}

template <int kPlanes>
void BlockPlanes(const std::uint64_t* rows, int rowCount, const std::uint64_t* first,
                 std::size_t stride, std::size_t words, std::size_t count, BinaryCounts* out) {
  switch (rowCount) {
    case 8:
      return BlockT<kPlanes, 8>(rows, first, stride, words, count, out);
    case 7:
      return BlockT<kPlanes, 7>(rows, first, stride, words, count, out);
    case 6:
      return BlockT<kPlanes, 6>(rows, first, stride, words, count, out);
    case 5:
      return BlockT<kPlanes, 5>(rows, first, stride, words, count, out);
    case 4:
      return BlockT<kPlanes, 4>(rows, first, stride, words, count, out);
    case 3:
      return BlockT<kPlanes, 3>(rows, first, stride, words, count, out);
    case 2:
      return BlockT<kPlanes, 2>(rows, first, stride, words, count, out);
    default:
      return BlockT<kPlanes, 1>(rows, first, stride, words, count, out);
  }
}

void BinaryBlock(const std::uint64_t* rows, int rowCount, const std::uint64_t* first,
                 std::size_t stride, std::size_t words, std::size_t count, int shape,
                 BinaryCounts* out) {
  switch (shape) {
    case kOnlyZerosAndOnes:
      return BlockPlanes<1>(rows, rowCount, first, stride, words, count, out);
    case kHasMissing:
      return BlockPlanes<2>(rows, rowCount, first, stride, words, count, out);
    default: {  // other values: three planes, rare; the AVX2 kernel counts them, 4 rows a call
      const KernelTable& avx2 = avx2::Table();
      for (int r = 0; r < rowCount; r += avx2.binaryRows) {
        const int rows4 = rowCount - r < avx2.binaryRows ? rowCount - r : avx2.binaryRows;
        avx2.binary_block(rows + static_cast<std::size_t>(r) * stride, rows4, first, stride, words,
                          count, shape, out + static_cast<std::size_t>(r) * count);
      }
    }
  }
}

// "Marker mean" weight sums: character after character, each adding its weight to the sums
// of the OTUs its word of bits selects, eight lanes to a vector. The sums (a few kilobytes)
// stay in the first-level cache, and each character's column of bits is read once. Lanes are
// added to in character order, as the AVX2 kernel does, so the sums are the same to the last
// bit.
template <bool kZeros>
void WeightsT(const std::uint64_t* planes, std::size_t stride, const std::uint32_t* chars,
              std::size_t charCount, const double* pm, std::size_t otus, double* ones,
              double* zeros) {
  for (std::size_t j = 0; j < otus; ++j) {
    ones[j] = 0;
    if (kZeros) zeros[j] = 0;
  }
  const std::size_t groups = (otus + 63) / 64;
  for (std::size_t t = 0; t < charCount; ++t) {
    if (t + 4 < charCount) {
      const char* ahead = reinterpret_cast<const char*>(planes + chars[t + 4] * stride);
      for (std::size_t line = 0; line < stride * 8; line += 64) __builtin_prefetch(ahead + line);
    }
    const std::size_t k = chars[t];
    const __m512d p = _mm512_set1_pd(pm[k]);
    const std::uint64_t* q = planes + k * stride;
    for (std::size_t g = 0; g < groups; ++g) {
      const std::uint64_t o = q[2 * g], z = q[2 * g + 1];
      const int lanes = otus - 64 * g >= 64 ? 8 : 4;  // otus is a multiple of 32
      double* one = ones + 64 * g;
      double* zero = zeros ? zeros + 64 * g : nullptr;
      for (int h = 0; h < lanes; ++h) {
        const __m512d a = _mm512_loadu_pd(one + 8 * h);
        _mm512_storeu_pd(one + 8 * h,
                         _mm512_mask_add_pd(a, static_cast<__mmask8>(o >> (8 * h)), a, p));
        if (kZeros) {
          const __m512d b = _mm512_loadu_pd(zero + 8 * h);
          _mm512_storeu_pd(zero + 8 * h,
                           _mm512_mask_add_pd(b, static_cast<__mmask8>(z >> (8 * h)), b, p));
        }
      }
    }
  }
}

// The same sums with 64 OTUs at a time held in registers over the whole list of characters:
// faster while the characters' columns stay in cache, since each is then read once for every
// 64 OTUs at little cost.
template <int kGroups, bool kZeros>
void WeightsInRegistersT(const std::uint64_t* planes, std::size_t stride,
                         const std::uint32_t* chars, std::size_t charCount, const double* pm,
                         std::size_t word, double* ones, double* zeros) {
  __m512d one[kGroups], zero[kGroups];
  for (int g = 0; g < kGroups; ++g) one[g] = zero[g] = _mm512_setzero_pd();
  for (std::size_t t = 0; t < charCount; ++t) {
    const std::size_t k = chars[t];
    const __m512d p = _mm512_set1_pd(pm[k]);
    const std::uint64_t* q = planes + k * stride + word;
    const std::uint64_t o = q[0], z = q[1];
    for (int g = 0; g < kGroups; ++g) {
      one[g] = _mm512_mask_add_pd(one[g], static_cast<__mmask8>(o >> (8 * g)), one[g], p);
      if (kZeros)
        zero[g] = _mm512_mask_add_pd(zero[g], static_cast<__mmask8>(z >> (8 * g)), zero[g], p);
    }
  }
  for (int g = 0; g < kGroups; ++g) {
    _mm512_storeu_pd(ones + 8 * g, one[g]);
    if (kZeros) _mm512_storeu_pd(zeros + 8 * g, zero[g]);
  }
}

template <bool kZeros>
void WeightsInRegisters(const std::uint64_t* planes, std::size_t stride, const std::uint32_t* chars,
                        std::size_t charCount, const double* pm, std::size_t otus, double* ones,
                        double* zeros) {
  for (std::size_t j = 0; j < otus; j += 64) {
    const std::size_t word = 2 * (j / 64);
    double* z = kZeros ? zeros + j : nullptr;
    if (otus - j >= 64)  // otus is a multiple of 32: a whole word or its first half
      WeightsInRegistersT<8, kZeros>(planes, stride, chars, charCount, pm, word, ones + j, z);
    else
      WeightsInRegistersT<4, kZeros>(planes, stride, chars, charCount, pm, word, ones + j, z);
  }
}

void StateWeightSums(const std::uint64_t* planes, std::size_t stride, const std::uint32_t* chars,
                     std::size_t charCount, const double* pm, std::size_t otus, double* ones,
                     double* zeros) {
  // The columns the list reaches, in bytes: within a few megabytes they stay in cache.
  constexpr std::size_t kCached = std::size_t{4} << 20;
  const std::size_t reach = charCount == 0 ? 0 : (chars[charCount - 1] + 1) * stride * 8;
  if (reach <= kCached) {
    if (zeros)
      WeightsInRegisters<true>(planes, stride, chars, charCount, pm, otus, ones, zeros);
    else
      WeightsInRegisters<false>(planes, stride, chars, charCount, pm, otus, ones, zeros);
  } else if (zeros) {
    WeightsT<true>(planes, stride, chars, charCount, pm, otus, ones, zeros);
  } else {
    WeightsT<false>(planes, stride, chars, charCount, pm, otus, ones, zeros);
  }
}

}  // namespace

void QuantitativeTiles(int kind, const float* rows, int rowCount, const float* first,
                       std::size_t stride, int len, std::size_t count, double* out);
void AddValues(const float* values, std::size_t count, double* sums, double* squares);

const KernelTable& Table() {
  static const KernelTable table = [] {
    KernelTable t = avx2::Table();
    t.name = "avx512";
    t.binary_block = BinaryBlock;
    t.binaryRows = 8;
    t.state_weight_sums = StateWeightSums;
    t.quantitative_tiles = QuantitativeTiles;
    t.add_values = AddValues;
    return t;
  }();
  return table;
}

}  // namespace avx512

}  // namespace marbleset::kernels
