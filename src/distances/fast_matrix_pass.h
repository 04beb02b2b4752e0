// The matrix pass as the runs do it: the upper triangle only (every coefficient is symmetric),
// computed row by row on all cores from packed data while the calling thread writes the rows
// in order.
#pragma once

#include <vector>

#include "dataset/data_set.h"
#include "dataset/text_sink.h"
#include "distances/cell_problem.h"
#include "distances/distance_run.h"
#include "distances/pair_kernels.h"

namespace marbleset {

// threads = 0 lets the pass decide by the size of the job.
void FastMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                    int data_set_number, const kernels::KernelTable& kernels, int threads = 0);

// Cells (i, j), i < j, row after row, as the fast pass computes them; stops at the first cell
// without value and reports it in failure. For the tests.
std::vector<double> FastUpperTriangle(const DataSet& data, const DistanceSettings& settings,
                                      const kernels::KernelTable& kernels, CellFailure& failure);

}  // namespace marbleset
