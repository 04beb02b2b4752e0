// The matrix pass as the runs do it: the upper triangle only (every coefficient is symmetric),
// computed in blocks of rows on all cores from packed data; the rows of the file are formatted
// in batches on all cores too, and the calling thread writes them in order.
#pragma once

#include <vector>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/cell_problem.h"
#include "distances/distance_settings.h"
#include "distances/matrix_rows.h"
#include "distances/pair_kernels.h"

namespace marbleset {

// One matrix (or, with averaging, its mean line) to out; dataSetNumber > 0 names the data set
// in failure texts. threads = 0 lets the pass decide by the size of the job. Throws
// WriteFailure for a cell that has no value or a data set of fewer than two OTUs under
// averaging (the rows before the failing cell, and that row up to it, are in out, flushed),
// and RunCancelled when progress asks to stop between rows. rows: only those rows of the
// square matrix (and the header line if rows.header), computing only the cells they hold; not
// with averaging.
void FastMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                    Progress& progress, int dataSetNumber, const kernels::KernelTable& kernels,
                    int threads = 0, MatrixRows rows = {});

// Cells (i, j), i < j, row after row, as the fast pass computes them; stops at the first cell
// without value and reports it in failure. For the tests and the in-memory matrix.
std::vector<double> FastUpperTriangle(const DataSet& data, const DistanceSettings& settings,
                                      const kernels::KernelTable& kernels, CellFailure& failure,
                                      int threads = 2, Progress* progress = nullptr);

}  // namespace marbleset
