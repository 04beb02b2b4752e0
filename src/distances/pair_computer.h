// The cells of the upper triangle, computed a block of rows at a time by one computer per kind
// of data: binary cells from the bit planes, quantitative cells from float rows with a bound on
// each cell's error (see quantitative_cells.cpp).
#pragma once

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

// The upper triangle, row i holding cells (i, i+1) .. (i, n-1).
class Triangle {
 public:
  explicit Triangle(std::size_t n) : n_(n) { values_.resize(n < 2 ? 0 : n * (n - 1) / 2); }
  std::size_t Start(std::size_t i) const { return i * (2 * n_ - i - 1) / 2; }
  double* Row(std::size_t i) { return values_.data() + Start(i); }
  const double* Row(std::size_t i) const { return values_.data() + Start(i); }
  double At(std::size_t i, std::size_t j) const { return values_[Start(i) + (j - i - 1)]; }
  std::vector<double>& Values() { return values_; }

 private:
  std::size_t n_;
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
