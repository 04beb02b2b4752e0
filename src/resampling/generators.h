// The six generators of resampled data sets (BootStraps, permutations, GenStraps, random
// resampling, MissStraps and noise), each writing settings.dataSets data sets into one file in
// the PHYLIP layout.
//
// Every run first checks its settings against the data (CheckGeneratorSettings) and writes
// nothing when they are refused; it takes up a Cancel between data sets by throwing
// RunCancelled. Failures throw Failure (WriteFailure for the output); a file at a path is
// written beside its target and put in place at the end (with the data sets written before a
// failure; not at all after a Cancel). The run's memory does not grow with the number of data
// sets or hold a copy of the data: rows are drawn and written one at a time.
#pragma once

#include <string>

#include "dataset/data_set.h"
#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "resampling/generator_settings.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// A run whose random numbers start from settings.seed (the command-line tool's runs).
void Generate(const DataSet& data, const GeneratorSettings& settings, TextSink& out,
              Progress& progress);
void Generate(const DataSet& data, const GeneratorSettings& settings, const std::string& path,
              Progress& progress, ExistingTarget existing = ExistingTarget::kReplace);

// A run that takes its random numbers from source and leaves it where the run ended, so the
// desktop program's runs go on through one sequence from program start; settings.seed is not
// used.
void Generate(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
              TextSink& out, Progress& progress);
void Generate(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
              const std::string& path, Progress& progress,
              ExistingTarget existing = ExistingTarget::kReplace);

}  // namespace marbleset
