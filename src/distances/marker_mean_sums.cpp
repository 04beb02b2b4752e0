#include "distances/marker_mean_sums.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <thread>

namespace marbleset {

namespace {

constexpr int kBlock = 32;  // OTUs per step of the weight-sum kernel

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

// Calls body(1) .. body(count) on threads threads (the caller being one of them).
template <typename Body>
void ForEachOnThreads(int count, int threads, Body body) {
  std::atomic<int> next{1};
  auto work = [&] {
    for (int i = next.fetch_add(1); i <= count; i = next.fetch_add(1)) body(i);
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
}

}  // namespace

MarkerMeanSums::MarkerMeanSums(const BinaryPlanes& planes, int otus, int chars,
                               const MarkerStatistics& stats, const kernels::KernelTable& kernels)
    : kernels_(kernels),
      otus_(otus),
      width_((otus + kBlock - 1) / kBlock * kBlock),
      sum_zeros_((planes.shape & kernels::kHasOtherValues) != 0) {
  const std::size_t size = static_cast<std::size_t>(chars) + 1;
  pm_.assign(size, 0.0);
  both_.assign(3 * size, 0.0);
  for (std::size_t k = 1; k < size; ++k) {
    const double p = stats.mean[k];
    pm_[k] = p;
    both_[3 * k] = p * p;
    both_[3 * k + 1] = (1.0 - p) * (1.0 - p);
    both_[3 * k + 2] = 2.0 * p * (1.0 - p);
  }
  TransposeStates(planes, chars);
  ListMissing(planes, chars);
}

void MarkerMeanSums::TransposeStates(const BinaryPlanes& planes, int chars) {
  const int otu_words = (otus_ + 63) / 64;
  stride_ = 2 * static_cast<std::size_t>(otu_words);
  planes_.assign((static_cast<std::size_t>(chars) + 1) * stride_, 0);
  for (int b = 0; b < otu_words; ++b)
    for (int w = 0; w < planes.words; ++w) TransposeBlock(planes, b, w, chars);
}

// 64 OTUs by 64 characters: the OTUs' words of state-1 and state-0 bits become the
// characters' words of OTU bits.
void MarkerMeanSums::TransposeBlock(const BinaryPlanes& planes, int otu_word, int char_word,
                                    int chars) {
  std::uint64_t ones[64] = {}, zeros[64] = {};
  for (int r = 0; r < 64 && 64 * otu_word + r < otus_; ++r) {
    const std::uint64_t* bits = planes.Otu(64 * otu_word + r + 1) + 3 * char_word;
    ones[r] = bits[0];
    zeros[r] = bits[1] & ~bits[0];
  }
  TransposeBits(ones);
  TransposeBits(zeros);
  for (int c = 0; c < 64 && 64 * char_word + c < chars; ++c) {
    std::uint64_t* out = planes_.data() + (64 * char_word + c + 1) * stride_ + 2 * otu_word;
    out[0] = ones[c];
    out[1] = zeros[c];
  }
}

void MarkerMeanSums::ListMissing(const BinaryPlanes& planes, int chars) {
  missing_start_.assign(static_cast<std::size_t>(otus_) + 2, 0);
  column_start_.assign(static_cast<std::size_t>(chars) + 2, 0);
  for (int i = 1; i <= otus_; ++i) {
    missing_start_[i] = static_cast<std::uint32_t>(missing_chars_.size());
    for (int w = 0; w < planes.words; ++w) {
      for (std::uint64_t bits = planes.Otu(i)[3 * w + 2]; bits != 0; bits &= bits - 1) {
        const int k = 64 * w + std::countr_zero(bits) + 1;
        missing_chars_.push_back(static_cast<std::uint16_t>(k));
        ++column_start_[k + 1];
      }
    }
  }
  missing_start_[static_cast<std::size_t>(otus_) + 1] =
      static_cast<std::uint32_t>(missing_chars_.size());
  for (int k = 1; k <= chars; ++k) column_start_[k + 1] += column_start_[k];
  // OTUs in ascending order within each character, as the rows are walked in order.
  std::vector<std::uint32_t> fill(column_start_.begin(), column_start_.end() - 1);
  missing_otus_.resize(missing_chars_.size());
  later_missing_.resize(missing_chars_.size());
  for (int i = 1; i <= otus_; ++i) {
    for (std::uint32_t t = missing_start_[i]; t < missing_start_[i + 1]; ++t) {
      std::uint32_t& place = fill[missing_chars_[t]];
      missing_otus_[place++] = static_cast<std::uint16_t>(i);
      later_missing_[t] = place;
    }
  }
  missing_pm_.assign(static_cast<std::size_t>(otus_) + 1, 0.0);
  for (int i = 1; i <= otus_; ++i)
    for (std::uint32_t t = missing_start_[i]; t < missing_start_[i + 1]; ++t)
      missing_pm_[i] += pm_[missing_chars_[t]];
}

void MarkerMeanSums::Prepare(int threads) {
  const std::size_t size = static_cast<std::size_t>(otus_) * static_cast<std::size_t>(width_);
  ones_.assign(size, 0.0);
  zeros_.assign(sum_zeros_ ? size : 0, 0.0);
  ForEachOnThreads(otus_, std::max(threads, 1), [this](int i) { SumRow(i); });
  FoldLowerIntoUpper();
}

void MarkerMeanSums::SumRow(int i) {
  const std::uint32_t start = missing_start_[i];
  const int count = static_cast<int>(missing_start_[i + 1] - start);
  kernels_.state_weight_sums(planes_.data(), stride_, missing_chars_.data() + start, count,
                             pm_.data(), width_, Ones(i), Zeros(i));
}

// Row i then holds the whole one-sided share of pair (i, j), j > i. Tiles keep both the rows
// and the columns being read in cache.
void MarkerMeanSums::FoldLowerIntoUpper() {
  constexpr int kTile = 32;
  for (int ti = 1; ti <= otus_; ti += kTile) {
    for (int tj = ti; tj <= otus_; tj += kTile) {
      for (int i = ti; i < std::min(ti + kTile, otus_ + 1); ++i) {
        for (int j = std::max(tj, i + 1); j < std::min(tj + kTile, otus_ + 1); ++j) {
          Ones(i)[j - 1] += Ones(j)[i - 1];
          if (sum_zeros_) Zeros(i)[j - 1] += Zeros(j)[i - 1];
        }
      }
    }
  }
}

void MarkerMeanSums::Row(int i, MarkerMeanShares* out) const {
  const std::size_t row = static_cast<std::size_t>(i - 1) * width_;
  for (int j = i + 1; j <= otus_; ++j) {
    const double zero = sum_zeros_ ? zeros_[row + j - 1] : 0.0;
    out[j - i - 1] = {ones_[row + j - 1], zero, 0, 0, 0};
  }
  AddBothMissing(i, out);
  if (!sum_zeros_) DeriveZeros(i, out);
}

void MarkerMeanSums::AddBothMissing(int i, MarkerMeanShares* out) const {
  const std::uint32_t end = missing_start_[i + 1];
  for (std::uint32_t t = missing_start_[i]; t < end; ++t) {
    // The character lists lie far apart; asking for one a few steps ahead hides the wait.
    if (t + 8 < end) __builtin_prefetch(missing_otus_.data() + later_missing_[t + 8]);
    const std::size_t k = missing_chars_[t];
    const double* w = both_.data() + 3 * k;
    for (std::uint32_t u = later_missing_[t]; u < column_start_[k + 1]; ++u) {
      MarkerMeanShares& s = out[missing_otus_[u] - i - 1];
      s.both_one += w[0];
      s.both_zero += w[1];
      s.both_mixed += w[2];
    }
  }
}

// With only 0, 1 and missing entries, pm over the characters where one OTU is missing and the
// other 0 is what remains of pm over the first one's missing characters after those where the
// other is 1 and those where both are missing (pm^2 + pm(1-pm) = pm at each).
void MarkerMeanSums::DeriveZeros(int i, MarkerMeanShares* out) const {
  for (int j = i + 1; j <= otus_; ++j) {
    MarkerMeanShares& s = out[j - i - 1];
    const double both = s.both_one + 0.5 * s.both_mixed;
    s.zero = (missing_pm_[i] + missing_pm_[j]) - s.one - 2 * both;
  }
}

}  // namespace marbleset
