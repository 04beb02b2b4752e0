// The cells of the upper triangle, computed a block of rows at a time by one computer per kind
// of data: binary cells from the bit planes, quantitative cells from float rows with a bound on
// each cell's error (see quantitative_cells.cpp).
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "dataset/data_set.h"
#include "distances/binary_bitsets.h"
#include "distances/cell_problem.h"
#include "distances/distance_settings.h"
#include "distances/marker_mean_sums.h"
#include "distances/pair_kernels.h"

namespace marbleset {

// The cells of the upper triangle a pass computes. For the whole matrix, row i holds cells
// (i, i+1) .. (i, n-1). For the rows first .. last - 1 of the square matrix alone (a piece of
// it), rows i < first hold only cells (i, first) .. (i, last - 1), the lower halves of the
// piece's rows; rows first .. last - 1 hold theirs to n - 1; later rows hold none. Every row's
// cells lie side by side, so a block of rows is computed against one run of columns.
class Triangle {
 public:
  explicit Triangle(std::size_t n) : Triangle(n, 0, n) {}
  Triangle(std::size_t n, std::size_t first, std::size_t last)
      : n_(n), first_(std::min(first, n)), last_(std::clamp(last, first_, n)) {
    values_.resize(CellCount(n, first_, last_));
  }
  // The cells the triangle of those rows holds.
  static std::size_t CellCount(std::size_t n, std::size_t first, std::size_t last) {
    return first * (last - first) + BandStart(n, first, std::min(last, n < 1 ? 0 : n - 1));
  }

  // Rows 0 .. Rows() - 1 hold cells; a block of rows to compute never spans BandFirst().
  std::size_t Rows() const { return n_ < 2 ? 0 : std::min(last_, n_ - 1); }
  std::size_t BandFirst() const { return first_; }
  std::size_t FirstColumn(std::size_t i) const { return i < first_ ? first_ : i + 1; }
  std::size_t EndColumn(std::size_t i) const { return i < first_ ? last_ : n_; }
  double* Cell(std::size_t i, std::size_t j) {
    return values_.data() + Start(i) + (j - FirstColumn(i));
  }
  const double* Cell(std::size_t i, std::size_t j) const {
    return values_.data() + Start(i) + (j - FirstColumn(i));
  }
  double At(std::size_t i, std::size_t j) const { return *Cell(i, j); }
  // Row i's first cell.
  double* Row(std::size_t i) { return Cell(i, FirstColumn(i)); }
  // Every cell, row after row.
  std::vector<double>& Values() { return values_; }

 private:
  // Where row i (first <= i) of the band starts, counted from the band's first cell.
  static std::size_t BandStart(std::size_t n, std::size_t first, std::size_t i) {
    if (i <= first) return 0;
    // Rows first .. i - 1 hold n - 1 - k cells each; one of the two factors is even.
    return (i - first) * (2 * n - first - i - 1) / 2;
  }
  std::size_t Start(std::size_t i) const {
    return i < first_ ? i * (last_ - first_) : first_ * (last_ - first_) + BandStart(n_, first_, i);
  }

  std::size_t n_;
  std::size_t first_;
  std::size_t last_;
  std::vector<double> values_;
};

// Working space of one thread, reused from block to block.
struct Scratch {
  std::vector<kernels::BinaryCounts> counts;
  std::vector<double> sums;
  std::vector<double> corrections;
  std::vector<MarkerMeanShares> shares;
};

class PairComputer {
 public:
  virtual ~PairComputer() = default;
  // How many consecutive rows ComputeRows takes at once.
  virtual std::size_t BlockRows() const { return 1; }
  // Rows first .. first + rows - 1 of the triangle. At a cell without value it sets failure
  // and returns; the cells before it, in row order, are filled.
  virtual void ComputeRows(std::size_t first, std::size_t rows, Triangle& triangle,
                           Scratch& scratch, CellFailure& failure) const = 0;
  // Rough cost of the whole triangle, to decide whether threads pay off.
  virtual double Work() const = 0;
  // Work done once for all rows before ComputeRows, on the given number of threads.
  virtual void Prepare(int /*threads*/) {}
};

// The packing of missing entries a policy asks for: filled in before packing, or kept.
MissingFill FillFor(MissingPolicy policy);

std::unique_ptr<PairComputer> MakeBinaryComputer(const DataSet& data,
                                                 const DistanceSettings& settings,
                                                 const kernels::KernelTable& kernels);
std::unique_ptr<PairComputer> MakeQuantitativeComputer(const DataSet& data,
                                                       const DistanceSettings& settings,
                                                       const kernels::KernelTable& kernels);

}  // namespace marbleset
