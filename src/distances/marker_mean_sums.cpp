#include "distances/marker_mean_sums.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <thread>

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

// Calls body(0) .. body(count - 1) on threads threads (the caller being one of them).
template <typename Body>
void ForEachOnThreads(std::size_t count, int threads, Body body) {
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) body(i);
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
}

}  // namespace

MarkerMeanSums::MarkerMeanSums(const DataSet& data, const MarkerStatistics& stats,
                               const kernels::KernelTable& kernels)
    : kernels_(kernels),
      otus_(data.OtuCount()),
      chars_(data.CharCount()),
      width_((data.OtuCount() + kBlock - 1) / kBlock * kBlock),
      sumZeros_(data.HasOtherValues()) {
  pm_.assign(chars_, 0.0);
  both_.assign(3 * chars_, 0.0);
  for (std::size_t k = 0; k < chars_; ++k) {
    const double p = stats.mean[k];
    pm_[k] = p;
    both_[3 * k] = p * p;
    both_[3 * k + 1] = (1.0 - p) * (1.0 - p);
    both_[3 * k + 2] = 2.0 * p * (1.0 - p);
  }
  TransposeStates(data);
  ListMissing(data);
}

void MarkerMeanSums::TransposeStates(const DataSet& data) {
  const std::size_t otuWords = (otus_ + 63) / 64;
  stride_ = 2 * otuWords;
  planes_.assign(chars_ * stride_, 0);
  for (std::size_t b = 0; b < otuWords; ++b)
    for (std::size_t w = 0; w < data.WordsPerRow(); ++w) TransposeBlock(data, b, w);
}

// 64 OTUs by 64 characters: the OTUs' words of state-1 and state-0 bits become the
// characters' words of OTU bits; the padding past the last character is cut off below.
void MarkerMeanSums::TransposeBlock(const DataSet& data, std::size_t otuWord,
                                    std::size_t charWord) {
  std::uint64_t ones[64] = {}, zeros[64] = {};
  for (std::size_t r = 0; r < 64 && 64 * otuWord + r < otus_; ++r) {
    const std::size_t i = 64 * otuWord + r;
    const std::uint64_t* other = data.OtherRow(i);
    ones[r] = data.OnesRow(i)[charWord];
    zeros[r] = ~(ones[r] | data.MissingRow(i)[charWord] | (other ? other[charWord] : 0));
  }
  TransposeBits(ones);
  TransposeBits(zeros);
  for (std::size_t c = 0; c < 64 && 64 * charWord + c < chars_; ++c) {
    std::uint64_t* out = planes_.data() + (64 * charWord + c) * stride_ + 2 * otuWord;
    out[0] = ones[c];
    out[1] = zeros[c];  // rows past the last OTU stayed 0
  }
}

void MarkerMeanSums::ListMissing(const DataSet& data) {
  missingStart_.assign(otus_ + 1, 0);
  columnStart_.assign(chars_ + 1, 0);
  // Counted first, so that the largest list is allocated once at its size.
  std::size_t total = 0;
  for (std::size_t i = 0; i < otus_; ++i)
    for (std::size_t w = 0; w < data.WordsPerRow(); ++w)
      total += static_cast<std::size_t>(std::popcount(data.MissingRow(i)[w]));
  missingChars_.reserve(total);
  for (std::size_t i = 0; i < otus_; ++i) {
    missingStart_[i] = missingChars_.size();
    const std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t w = 0; w < data.WordsPerRow(); ++w) {
      for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
        const std::size_t k = 64 * w + static_cast<std::size_t>(std::countr_zero(bits));
        missingChars_.push_back(static_cast<std::uint32_t>(k));
        ++columnStart_[k + 1];
      }
    }
  }
  missingStart_[otus_] = missingChars_.size();
  for (std::size_t k = 0; k < chars_; ++k) columnStart_[k + 1] += columnStart_[k];
  // OTUs in ascending order within each character, as the rows are walked in order.
  std::vector<std::size_t> fill(columnStart_.begin(), columnStart_.end() - 1);
  missingOtus_.resize(missingChars_.size());
  laterMissing_.resize(missingChars_.size());
  for (std::size_t i = 0; i < otus_; ++i) {
    for (std::size_t t = missingStart_[i]; t < missingStart_[i + 1]; ++t) {
      std::size_t& place = fill[missingChars_[t]];
      missingOtus_[place++] = static_cast<std::uint32_t>(i);
      laterMissing_[t] = static_cast<std::uint32_t>(place);
    }
  }
  missingPm_.assign(otus_, 0.0);
  for (std::size_t i = 0; i < otus_; ++i)
    for (std::size_t t = missingStart_[i]; t < missingStart_[i + 1]; ++t)
      missingPm_[i] += pm_[missingChars_[t]];
}

void MarkerMeanSums::Prepare(int threads) {
  const std::size_t size = otus_ * width_;
  ones_.assign(size, 0.0);
  zeros_.assign(sumZeros_ ? size : 0, 0.0);
  ForEachOnThreads(otus_, std::max(threads, 1), [this](std::size_t i) { SumRow(i); });
  FoldLowerIntoUpper();
}

void MarkerMeanSums::SumRow(std::size_t i) {
  const std::size_t start = missingStart_[i];
  const std::size_t count = missingStart_[i + 1] - start;
  kernels_.state_weight_sums(planes_.data(), stride_, missingChars_.data() + start, count,
                             pm_.data(), width_, Ones(i), Zeros(i));
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
    out[j - i - 1] = {ones_[row + j], zero, 0, 0, 0};
  }
  AddBothMissing(i, out);
  if (!sumZeros_) DeriveZeros(i, out);
}

void MarkerMeanSums::AddBothMissing(std::size_t i, MarkerMeanShares* out) const {
  const std::size_t end = missingStart_[i + 1];
  for (std::size_t t = missingStart_[i]; t < end; ++t) {
    // The character lists lie far apart; asking for one a few steps ahead hides the wait.
    if (t + 8 < end) __builtin_prefetch(missingOtus_.data() + laterMissing_[t + 8]);
    const std::size_t k = missingChars_[t];
    const double* w = both_.data() + 3 * k;
    for (std::size_t u = laterMissing_[t]; u < columnStart_[k + 1]; ++u) {
      MarkerMeanShares& s = out[missingOtus_[u] - i - 1];
      s.bothOne += w[0];
      s.bothZero += w[1];
      s.bothMixed += w[2];
    }
  }
}

// With only 0, 1 and missing entries, pm over the characters where one OTU is missing and the
// other 0 is what remains of pm over the first one's missing characters after those where the
// other is 1 and those where both are missing (pm^2 + pm(1-pm) = pm at each).
void MarkerMeanSums::DeriveZeros(std::size_t i, MarkerMeanShares* out) const {
  for (std::size_t j = i + 1; j < otus_; ++j) {
    MarkerMeanShares& s = out[j - i - 1];
    const double both = s.bothOne + 0.5 * s.bothMixed;
    s.zero = (missingPm_[i] + missingPm_[j]) - s.one - 2 * both;
  }
}

}  // namespace marbleset
