// The matrix pass done the plain way: every cell of the square, in row order, by the reference
// cells. Slow; the tests and the benchmark hold the fast pass against it.
#pragma once

#include "dataset/data_set.h"
#include "dataset/text_sink.h"
#include "distances/distance_settings.h"

namespace marbleset {

void ReferenceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                         int dataSetNumber = 0);

// Raised when averaging a data set with fewer than two OTUs.
[[noreturn]] void ThrowNothingToAverage(const DataSet& data, int dataSetNumber);

}  // namespace marbleset
