// The text of a square distance matrix from its upper triangle: batches of rows formatted on the
// worker pool into one buffer per row, appended to the file in row order. A batch holds a few
// megabytes of text whatever the matrix.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/text_sink.h"
#include "distances/pair_computer.h"

namespace marbleset {

class RowTexts {
 public:
  RowTexts(const Triangle& triangle, std::size_t n, double diagonal);

  std::size_t BatchRows() const { return batchRows_; }
  // Rows first .. last - 1, each to its end but the last, which stops before column lastEnd.
  void Format(std::size_t first, std::size_t last, std::size_t lastEnd);
  void AppendRow(std::size_t i, TextSink& out) const;

 private:
  struct Text {
    std::vector<char> bytes;
    std::size_t used = 0;
    void Add(double value);
  };

  void FormatRows(std::size_t a, std::size_t b, std::size_t last, std::size_t lastEnd);

  const Triangle& triangle_;
  std::size_t n_;
  double diagonal_;
  std::size_t batchRows_ = 1;
  std::size_t threads_ = 1;
  std::size_t first_ = 0;
  std::vector<Text> texts_;
};

}  // namespace marbleset
