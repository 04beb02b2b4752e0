#include "distances/matrix_text.h"

#include <algorithm>
#include <string_view>

#include "dataset/worker_pool.h"
#include "formats/distance_file.h"

namespace marbleset {

RowTexts::RowTexts(const Triangle& triangle, std::size_t n, double diagonal)
    : triangle_(triangle), n_(n), diagonal_(diagonal) {
  constexpr std::size_t kBatchBytes = std::size_t{8} << 20;
  const std::size_t rowBytes = 10 * n + 16;  // "0.123456 " and a little room
  batchRows_ = std::clamp<std::size_t>(kBatchBytes / rowBytes, 1, 256);
  // Threads pay off from a few hundred thousand values a batch.
  threads_ = n * batchRows_ < 200000 ? 1 : WorkerCount();
  texts_.resize(batchRows_);
}

void RowTexts::Format(std::size_t first, std::size_t last, std::size_t lastEnd) {
  first_ = first;
  const std::size_t rows = last - first;
  const std::size_t parts = std::max<std::size_t>(1, std::min(threads_, rows));
  auto part = [=, this](std::size_t t) {
    FormatRows(first + rows * t / parts, first + rows * (t + 1) / parts, last, lastEnd);
  };
  TaskGroup tasks;
  for (std::size_t t = 1; t < parts; ++t) tasks.Run([=] { part(t); });
  part(0);
  tasks.Wait();
}

void RowTexts::AppendRow(std::size_t i, TextSink& out) const {
  const Text& text = texts_[i - first_];
  out.Append(std::string_view(text.bytes.data(), text.used));
}

void RowTexts::Text::Add(double value) {
  if (bytes.size() - used < kMaxValueText + 1) bytes.resize(2 * bytes.size() + 2 * kMaxValueText);
  const std::size_t length = FormatDistanceValue(value, bytes.data() + used);
  bytes[used + length] = ' ';
  used += length + 1;
}

// Rows a .. b - 1 of a batch that ends at last. Cell (i, j) below the diagonal is (j, i) of the
// triangle: walked with j outside, the cells of the rows a .. b - 1 lie side by side in row j of
// the triangle, so they are read in order instead of one cache line each.
void RowTexts::FormatRows(std::size_t a, std::size_t b, std::size_t last, std::size_t lastEnd) {
  auto end = [&](std::size_t i) { return i + 1 == last ? lastEnd : n_; };
  for (std::size_t i = a; i < b; ++i) texts_[i - first_].used = 0;
  for (std::size_t j = 0; j < a; ++j) {
    const double* row = triangle_.Cell(j, a);  // (j, a), (j, a + 1), ... side by side
    for (std::size_t i = a; i < b; ++i)
      if (j < end(i)) texts_[i - first_].Add(row[i - a]);
  }
  for (std::size_t i = a; i < b; ++i) {
    Text& text = texts_[i - first_];
    const std::size_t stop = end(i);
    for (std::size_t j = a; j < i && j < stop; ++j) text.Add(triangle_.At(j, i));
    if (i < stop) text.Add(diagonal_);
    if (i + 1 >= stop) continue;
    const double* row = triangle_.Cell(i, i + 1);
    for (std::size_t j = i + 1; j < stop; ++j) text.Add(row[j - i - 1]);
  }
}

}  // namespace marbleset
