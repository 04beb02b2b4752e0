// The distance runs: the matrix of the loaded data set, or one matrix (or mean) for every data
// set of a file, written in PHYLIP's square layout.
#pragma once

#include <string>

#include "dataset/data_set.h"
#include "dataset/distance_matrix.h"
#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/distance_settings.h"
#include "distances/matrix_rows.h"
#include "formats/item_reader.h"

namespace marbleset {

// The matrix a distance run would write for data (averaging is ignored), on threads threads
// (0: as many as pay off); the values do not depend on the number of threads. Throws
// WriteFailure naming both OTUs when a cell has no value, Failure for settings the data's kind
// does not offer, and RunCancelled when progress asks to stop. progress advances from 0 to 100.
DistanceMatrix ComputeDistanceMatrix(const DataSet& data, const DistanceSettings& settings,
                                     Progress& progress, int threads = 0);

// The name as a distance matrix holds it: the name field without its padding blanks.
std::string TrimmedName(const std::string& field);

// A run over the data sets of a file ended early because a data set could not be read (a
// damaged header, a file cut short). The matrices (or means) of the data sets before it stay
// in the output; what() names the data set, the reason and how many there are.
class IncompleteRunFailure : public RunFailure {
 public:
  IncompleteRunFailure(const std::string& input, int dataSet, const std::string& cause, int written,
                       bool averaging);
  // The data set's number in the input; Written() counts the matrices (or means) before it.
  int DataSet() const { return dataSet_; }
  // Why the data set could not be read: the reader's finding or failure.
  const std::string& Cause() const { return cause_; }

 private:
  int dataSet_;
  std::string cause_;
};

// One matrix of data (or, with averaging, its one mean line) to out. dataSetNumber is the data
// set's place in a file of several (1, 2, ...), or 0 for the one loaded data set; failure texts
// name it. Throws WriteFailure for a cell that has no value or a data set of fewer than two
// OTUs under averaging (the rows before the failing cell, and that row up to it, are in out,
// flushed), and RunCancelled when progress asks to stop.
// rows: a piece of the matrix only (see MatrixRows); never with averaging.
void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                        Progress& progress, int dataSetNumber = 0, MatrixRows rows = {});
void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out);

// The loaded data set's matrix (never a mean) into the file at outputPath, which is replaced
// only when the matrix is complete. Starts progress with "Calculating distances".
void DistanceRunSingle(const DataSet& data, const DistanceSettings& settings,
                       const std::string& outputPath, Progress& progress,
                       ExistingTarget existing = ExistingTarget::kReplace);

// Every data set of in, from where it stands (its start, for the whole file), read one after
// another into a data set of the run's own, one matrix (or mean) each into out. loaded gives
// the kind of the data and the memory limit; it is never changed. Progress follows the share
// of the input read and is told the number of each data set before it is read
// (ReadingDataSet). Throws IncompleteRunFailure when a data set cannot be read (out then
// holds, flushed, what the data sets before it gave), WriteFailure as DistanceMatrixPass, and
// RunCancelled between data sets and rows.
// dataSets: only the matrices (or means) of those data sets, counted from 0 in the file: the
// data sets before them are read and passed over, and the run ends after the last.
void DistanceRunMulti(const DataSet& loaded, const DistanceSettings& settings, ItemReader& in,
                      TextSink& out, Progress& progress, MatrixRows dataSets = {});

// The data sets of in from where it stands, read one after another (nothing is computed): the
// number a run over them would work on. A data set that cannot be read is counted and ends
// the count, so the piece that holds it reports it as the whole run does.
std::size_t CountDataSets(const DataSet& loaded, ItemReader& in);
// The same into the file at outputPath. After a reported failure the file holds what was
// written before it; a cancelled run leaves the target as it was.
void DistanceRunMulti(const DataSet& loaded, const DistanceSettings& settings, ItemReader& in,
                      const std::string& outputPath, Progress& progress,
                      ExistingTarget existing = ExistingTarget::kReplace);

}  // namespace marbleset
