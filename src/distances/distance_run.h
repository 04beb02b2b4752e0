// Similarity and distance matrices of the loaded data, written in PHYLIP's square layout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"

namespace marbleset {

// The run's choices as the "Calculate distances" dialog offers them: coefficient and
// missing-data policy are 0-based positions in the lists for the data's kind.
struct DistanceSettings {
  int coefficient = 0;
  int policy = 1;
  bool distances = true;
  bool averaging = false;
};

// The list entries, in list order, for binary (quantitative = false) or quantitative data.
const std::vector<std::string_view>& CoefficientNames(bool quantitative);
const std::vector<std::string_view>& MissingPolicyNames(bool quantitative);

// One matrix of the data set in memory (or, with averaging, its one mean line) to out.
// Throws WriteFailure for a cell that has no value or a data set of one OTU under averaging.
void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out);

// The loaded data set's matrix into a new file at output_path.
void DistanceRunSingle(const DataSet& data, const DistanceSettings& settings,
                       const std::string& output_path);

// Every data set of data.DataFileName, re-read one after another into data, one matrix (or mean)
// each. A data set that cannot be read ends the run quietly after the ones before it.
void DistanceRunMulti(DataSet& data, const DistanceSettings& settings,
                      const std::string& output_path, Progress& progress);

}  // namespace marbleset
