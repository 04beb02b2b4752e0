#include "distances/marker_mean_sums.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace marbleset {

namespace {

constexpr int kBlock = 16;  // OTUs per step of the weight-sum kernel
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

MarkerMeanSums::MarkerMeanSums(const DataSet& data, const MarkerStatistics& stats,
                               const kernels::KernelTable& kernels)
    : kernels_(kernels), otus_(data.NOtu), width_((data.NOtu + kBlock - 1) / kBlock * kBlock) {
  const std::size_t size = static_cast<std::size_t>(data.NChar) + 1;
  pm_.assign(size, 0.0);
  both_.assign(3 * size, 0.0);
  for (std::size_t k = 1; k < size; ++k) {
    const double p = stats.mean[k];
    pm_[k] = p;
    both_[3 * k] = p * p;
    both_[3 * k + 1] = (1.0 - p) * (1.0 - p);
    both_[3 * k + 2] = 2.0 * p * (1.0 - p);
  }
  TransposeStates(data);
  ListMissing(data);
}

// Row by row, so that the matrix is read in the order it is stored; the planes written are
// small enough to stay in cache.
void MarkerMeanSums::TransposeStates(const DataSet& data) {
  stride_ = 2 * static_cast<std::size_t>((otus_ + 63) / 64);
  planes_.assign((static_cast<std::size_t>(data.NChar) + 1) * stride_, 0);
  for (int j = 1; j <= otus_; ++j) {
    const float* row = data.Row(j);
    std::uint64_t* out = planes_.data() + 2 * static_cast<std::size_t>((j - 1) / 64);
    const int bit = (j - 1) % 64;
    for (int k = 1; k <= data.NChar; ++k) {
      const float x = row[k];
      const std::uint64_t present = x != data.MissingValue;
      out[k * stride_] |= (present & (x == 1.0f)) << bit;
      out[k * stride_ + 1] |= (present & (x == 0.0f)) << bit;
    }
  }
}

void MarkerMeanSums::ListMissing(const DataSet& data) {
  const std::size_t chars = static_cast<std::size_t>(data.NChar);
  missing_start_.assign(static_cast<std::size_t>(otus_) + 2, 0);
  column_start_.assign(chars + 2, 0);
  for (int i = 1; i <= otus_; ++i) {
    missing_start_[i] = static_cast<std::uint32_t>(missing_chars_.size());
    const float* row = data.Row(i);
    for (int k = 1; k <= data.NChar; ++k) {
      if (row[k] != data.MissingValue) continue;
      missing_chars_.push_back(static_cast<std::uint16_t>(k));
      ++column_start_[k + 1];
    }
  }
  missing_start_[static_cast<std::size_t>(otus_) + 1] =
      static_cast<std::uint32_t>(missing_chars_.size());
  for (std::size_t k = 1; k <= chars; ++k) column_start_[k + 1] += column_start_[k];
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
}

void MarkerMeanSums::Prepare(int threads) {
  const std::size_t size = static_cast<std::size_t>(otus_) * static_cast<std::size_t>(width_);
  ones_.assign(size, 0.0);
  zeros_.assign(size, 0.0);
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
          Zeros(i)[j - 1] += Zeros(j)[i - 1];
        }
      }
    }
  }
}

void MarkerMeanSums::Row(int i, MarkerMeanShares* out) const {
  const std::size_t row = static_cast<std::size_t>(i - 1) * width_;
  for (int j = i + 1; j <= otus_; ++j)
    out[j - i - 1] = {ones_[row + j - 1], zeros_[row + j - 1], 0, 0, 0};
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

}  // namespace marbleset
