// The six generators of resampled data sets, each writing many data sets into one file.
//
// Settings come in tenths as the run dialog holds them: C is the data-set count setting (the
// number of data sets is C / 10), P a percentage setting, M the OTU count setting. Failures
// throw WriteFailure; what was written before stays in the file.
#pragma once

#include <cstdint>
#include <string>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "resampling/uniform_source.h"

namespace marbleset {

void GenerateBootStraps(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                        TextSink& out, Progress& progress);
void GeneratePermutations(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                          Progress& progress);
void GenerateGenStraps(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                       Progress& progress);
void GenerateResamplings(const DataSet& data, UniformSource& source, int16_t C, int16_t M,
                         TextSink& out, Progress& progress);
void GenerateMissStraps(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                        Progress& progress);
void GenerateNoise(const DataSet& data, UniformSource& source, int16_t C, int16_t P, TextSink& out,
                   Progress& progress);

// The same runs into a new file at path.
void GenerateBootStraps(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                        const std::string& path, Progress& progress);
void GeneratePermutations(const DataSet& data, UniformSource& source, int16_t C,
                          const std::string& path, Progress& progress);
void GenerateGenStraps(const DataSet& data, UniformSource& source, int16_t C,
                       const std::string& path, Progress& progress);
void GenerateResamplings(const DataSet& data, UniformSource& source, int16_t C, int16_t M,
                         const std::string& path, Progress& progress);
void GenerateMissStraps(const DataSet& data, UniformSource& source, int16_t C,
                        const std::string& path, Progress& progress);
void GenerateNoise(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                   const std::string& path, Progress& progress);

}  // namespace marbleset
