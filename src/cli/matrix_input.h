// The distance matrix an analysis works on: the distances of the input's one data set by the
// chosen coefficient, or the one matrix of a distance file (--distances). The options for it are
// the same in every analysis, and a file of several matrices is refused, never cut to its first.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "dataset/distance_matrix.h"

namespace marbleset::cli {

struct MatrixInputOptions {
  InputOptions input;
  bool distanceFile = false;
  std::string coefficient, missing;
};

// --distances, --coefficient and --missing; INPUT itself comes from AddInputOptions.
void AddMatrixInputOptions(CLI::App& command, MatrixInputOptions& options);

struct InputMatrix {
  DistanceMatrix matrix;  // distances: a similarity file's values are turned into them
  // The input and, for data, the coefficient and missing-data value, for a report's notes.
  std::string subject;
};

// The input's matrix. A data file of several data sets is refused with "<refusal>", a distance
// file of several matrices with "<refusal>" too (kExitUsage); notes of the read go to notes.
InputMatrix ReadInputMatrix(const MatrixInputOptions& options, std::string_view refusal,
                            std::ostream& notes);

// The matrix of a distance file (or standard input) that holds exactly one; otherwise
// CliFailure (kExitUsage) naming the file, the count and "<refusal>".
DistanceMatrix OneMatrixOf(const InputOptions& input, std::string_view refusal);

}  // namespace marbleset::cli
