#include "distances/marker_mean_sums.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "dataset/worker_pool.h"

namespace marbleset {

namespace {

constexpr std::size_t kBlock = 32;  // OTUs per step of the weight-sum kernel

// Turns the 64 x 64 bit matrix over: bit c of word r goes to bit r of word c. Blocks of half
// the size swap places, then blocks of a quarter, down to single bits.
void TransposeBits(std::uint64_t a[64]) {
  std::uint64_t mask = 0x00000000FFFFFFFFull;
  for (int j = 32; j != 0; j >>= 1, mask ^= mask << j) {
    for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
      const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & mask;
      a[k] ^= t << j;
      a[k | j] ^= t;
    }
  }
}

}  // namespace

MarkerMeanSums::MarkerMeanSums(const DataSet& data, const MarkerStatistics& stats,
                               const kernels::KernelTable& kernels, std::size_t listLimit)
    : data_(data),
      kernels_(kernels),
      otus_(data.OtuCount()),
      chars_(data.CharCount()),
      width_((data.OtuCount() + kBlock - 1) / kBlock * kBlock),
      otuWords_((data.OtuCount() + 63) / 64),
      sumZeros_(data.HasOtherValues()),
      listLimit_(listLimit) {
  pm_.assign(chars_, 0.0);
  both_.assign(2 * chars_, 0.0);
  for (std::size_t k = 0; k < chars_; ++k) {
    const double p = stats.mean[k];
    pm_[k] = p;
    both_[2 * k] = p;
    both_[2 * k + 1] = p * p;
  }
  TransposeStates();
  // Each OTU's pm over its missing characters, in character order.
  missingPm_.assign(otus_, 0.0);
  for (std::size_t i = 0; i < otus_; ++i) {
    const std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t w = 0; w < data.WordsPerRow(); ++w) {
      missingCount_ += static_cast<std::size_t>(std::popcount(missing[w]));
      for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1)
        missingPm_[i] += pm_[64 * w + static_cast<std::size_t>(std::countr_zero(bits))];
    }
  }
  ListMissing();  // needs the count of missing entries
}

void MarkerMeanSums::TransposeStates() {
  stride_ = 2 * otuWords_;
  planes_.assign(chars_ * stride_, 0);
  if (sumZeros_) missing_.assign(chars_ * otuWords_, 0);
  for (std::size_t b = 0; b < otuWords_; ++b)
    for (std::size_t w = 0; w < data_.WordsPerRow(); ++w) TransposeBlock(b, w);
}

// 64 OTUs by 64 characters: the OTUs' words of state-1 and missing (or state-0) bits become
// the characters' words of OTU bits; the padding past the last character is cut off below.
void MarkerMeanSums::TransposeBlock(std::size_t otuWord, std::size_t charWord) {
  std::uint64_t ones[64] = {}, second[64] = {}, missing[64] = {};
  for (std::size_t r = 0; r < 64 && 64 * otuWord + r < otus_; ++r) {
    const std::size_t i = 64 * otuWord + r;
    const std::uint64_t* other = data_.OtherRow(i);
    ones[r] = data_.OnesRow(i)[charWord];
    missing[r] = data_.MissingRow(i)[charWord];
    second[r] = sumZeros_ ? ~(ones[r] | missing[r] | (other ? other[charWord] : 0)) : missing[r];
  }
  TransposeBits(ones);
  TransposeBits(second);
  if (sumZeros_) TransposeBits(missing);
  for (std::size_t c = 0; c < 64 && 64 * charWord + c < chars_; ++c) {
    const std::size_t k = 64 * charWord + c;
    std::uint64_t* out = planes_.data() + k * stride_ + 2 * otuWord;
    out[0] = ones[c];
    out[1] = second[c];  // rows past the last OTU stayed 0
    if (sumZeros_) missing_[k * otuWords_ + otuWord] = missing[c];
  }
}

// With few missing entries, each character's missing OTUs in a list: walking the later ones
// of a list costs a step per pair, where the transposed bits cost a step per word of OTUs.
// Many missing entries are walked through the bits instead, to keep the memory down.
void MarkerMeanSums::ListMissing() {
  if (missingCount_ > listLimit_) return;
  columnStart_.assign(chars_ + 1, 0);
  missingOtus_.reserve(missingCount_);
  for (std::size_t k = 0; k < chars_; ++k) {
    const std::uint64_t* column = MissingColumn(k);
    for (std::size_t g = 0; g < otuWords_; ++g)
      for (std::uint64_t bits = column[MissingStep() * g]; bits != 0; bits &= bits - 1)
        missingOtus_.push_back(static_cast<std::uint32_t>(64 * g + std::countr_zero(bits)));
    columnStart_[k + 1] = missingOtus_.size();
  }
}

void MarkerMeanSums::Prepare(int threads) {
  const std::size_t size = otus_ * width_;
  ones_.assign(size, 0.0);
  zeros_.assign(sumZeros_ ? size : 0, 0.0);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    std::vector<std::uint32_t> chars;
    for (std::size_t i = next.fetch_add(1); i < otus_; i = next.fetch_add(1)) SumRow(i, chars);
  };
  TaskGroup tasks;
  for (int t = 1; t < threads; ++t) tasks.Run(work);
  work();
  tasks.Wait();
  FoldLowerIntoUpper();
}

// The characters OTU i misses, in order, from its own missing bits.
void MarkerMeanSums::MissingChars(std::size_t i, std::vector<std::uint32_t>& chars) const {
  chars.clear();
  const std::uint64_t* missing = data_.MissingRow(i);
  for (std::size_t w = 0; w < data_.WordsPerRow(); ++w)
    for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1)
      chars.push_back(static_cast<std::uint32_t>(64 * w + std::countr_zero(bits)));
}

void MarkerMeanSums::SumRow(std::size_t i, std::vector<std::uint32_t>& chars) {
  MissingChars(i, chars);
  kernels_.state_weight_sums(planes_.data(), stride_, chars.data(), chars.size(), pm_.data(),
                             width_, Ones(i), Zeros(i));
}

// Row i then holds the whole one-sided share of pair (i, j), j > i. Tiles keep both the rows
// and the columns being read in cache.
void MarkerMeanSums::FoldLowerIntoUpper() {
  constexpr std::size_t kTile = 32;
  for (std::size_t ti = 0; ti < otus_; ti += kTile) {
    for (std::size_t tj = ti; tj < otus_; tj += kTile) {
      for (std::size_t i = ti; i < std::min(ti + kTile, otus_); ++i) {
        for (std::size_t j = std::max(tj, i + 1); j < std::min(tj + kTile, otus_); ++j) {
          Ones(i)[j] += Ones(j)[i];
          if (sumZeros_) Zeros(i)[j] += Zeros(j)[i];
        }
      }
    }
  }
}

void MarkerMeanSums::Row(std::size_t i, MarkerMeanShares* out) const {
  const std::size_t row = i * width_;
  for (std::size_t j = i + 1; j < otus_; ++j) {
    const double zero = sumZeros_ ? zeros_[row + j] : 0.0;
    out[j - i - 1] = {ones_[row + j], zero, 0, 0};
  }
  AddBothMissing(i, out);
  if (!sumZeros_) DeriveZeros(i, out);
}

// For each character OTU i misses, in order, the OTUs after i missing there too. Their sums
// are gathered in two doubles per OTU, few enough to stay in the first-level cache.
void MarkerMeanSums::AddBothMissing(std::size_t i, MarkerMeanShares* out) const {
  const std::size_t next = i + 1;
  if (next >= otus_) return;
  thread_local std::vector<double> sums;
  sums.assign(2 * (otus_ - next), 0.0);
  const std::size_t firstWord = next / 64;
  const std::uint64_t firstMask = ~std::uint64_t{0} << (next % 64);
  thread_local std::vector<std::uint32_t> chars;
  MissingChars(i, chars);
  // The columns of the characters lie far apart: asking for one a few steps ahead hides the
  // wait for memory.
  constexpr std::size_t kAhead = 8;
  if (!columnStart_.empty()) {
    for (std::size_t t = 0; t < chars.size(); ++t) {
      if (t + kAhead < chars.size())
        __builtin_prefetch(missingOtus_.data() + columnStart_[chars[t + kAhead]]);
      const std::size_t k = chars[t];
      const double p = both_[2 * k], p2 = both_[2 * k + 1];
      const std::uint32_t* end = missingOtus_.data() + columnStart_[k + 1];
      const std::uint32_t* later = std::upper_bound(missingOtus_.data() + columnStart_[k], end,
                                                    static_cast<std::uint32_t>(i));
      for (; later != end; ++later) {
        double* s = sums.data() + 2 * (*later - next);
        s[0] += p;
        s[1] += p2;
      }
    }
  } else {
    const std::size_t groupsPerLine = 8 / MissingStep();
    for (std::size_t t = 0; t < chars.size(); ++t) {
      if (t + kAhead < chars.size()) {
        const std::uint64_t* ahead = MissingColumn(chars[t + kAhead]);
        for (std::size_t g = firstWord; g < otuWords_; g += groupsPerLine)
          __builtin_prefetch(ahead + MissingStep() * g);
      }
      const std::size_t k = chars[t];
      const double p = both_[2 * k], p2 = both_[2 * k + 1];
      const std::uint64_t* column = MissingColumn(k);
      for (std::size_t g = firstWord; g < otuWords_; ++g) {
        std::uint64_t others = column[MissingStep() * g];
        if (g == firstWord) others &= firstMask;
        for (; others != 0; others &= others - 1) {
          double* s = sums.data() +
                      2 * (64 * g + static_cast<std::size_t>(std::countr_zero(others)) - next);
          s[0] += p;
          s[1] += p2;
        }
      }
    }
  }
  for (std::size_t c = 0; c + next < otus_; ++c) {
    out[c].both = sums[2 * c];
    out[c].bothSquares = sums[2 * c + 1];
  }
}

// With only 0, 1 and missing entries, pm over the characters where one OTU is missing and the
// other 0 is what remains of pm over the first one's missing characters after those where the
// other is 1 and those where both are missing (counted once for each OTU).
void MarkerMeanSums::DeriveZeros(std::size_t i, MarkerMeanShares* out) const {
  for (std::size_t j = i + 1; j < otus_; ++j) {
    MarkerMeanShares& s = out[j - i - 1];
    s.zero = (missingPm_[i] + missingPm_[j]) - s.one - 2 * s.both;
  }
}

}  // namespace marbleset
