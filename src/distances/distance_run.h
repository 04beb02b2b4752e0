// Similarity and distance matrices of the loaded data, written in PHYLIP's square layout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/item_reader.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"

namespace marbleset {

// Positions in the coefficient lists.
inline constexpr int kBinaryMatching = 0;
inline constexpr int kJaccard = 1;
inline constexpr int kNei = 2;
inline constexpr int kQuantitativeMatching = 0;
inline constexpr int kEuclidean = 1;
inline constexpr int kTaxDistance = 2;
inline constexpr int kCorrelation = 3;

// Positions in the missing-data policy lists ("Ignore" differs between the kinds).
inline constexpr int kBinaryZero = 0;
inline constexpr int kBinaryHalf = 1;
inline constexpr int kBinaryOne = 2;
inline constexpr int kBinaryMarkerMean = 3;
inline constexpr int kBinaryMarkerMode = 4;
inline constexpr int kBinaryIgnore = 5;
inline constexpr int kQuantitativeZero = 0;
inline constexpr int kQuantitativeMarkerMean = 1;
inline constexpr int kQuantitativeMarkerMode = 2;
inline constexpr int kQuantitativeIgnore = 3;

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
// data_set_number is the data set's place in a file of several (1, 2, ...), or 0 for the one
// loaded data set; failure texts name it. Throws WriteFailure for a cell that has no value or
// a data set of fewer than two OTUs under averaging; the rows before the failing cell (and that
// row up to it) are in out, flushed.
void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                        int data_set_number = 0);

// The loaded data set's matrix into a new file at output_path.
void DistanceRunSingle(const DataSet& data, const DistanceSettings& settings,
                       const std::string& output_path);

// Every data set of data.DataFileName, re-read one after another into data, one matrix (or mean)
// each. A data set that cannot be read ends the run quietly after the ones before it.
void DistanceRunMulti(DataSet& data, const DistanceSettings& settings,
                      const std::string& output_path, Progress& progress);
// The same over an input already opened at its start, into out (the command-line tool writes
// to standard output too).
void DistanceRunMulti(DataSet& data, const DistanceSettings& settings, ItemReader& in,
                      TextSink& out, Progress& progress);

}  // namespace marbleset
