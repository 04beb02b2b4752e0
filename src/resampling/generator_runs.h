// The runs behind Generate, one per family of generators; each expects checked settings.
#pragma once

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "resampling/generator_settings.h"
#include "resampling/run_frame.h"
#include "resampling/uniform_source.h"

namespace marbleset {

// BootStraps and permutations: every OTU in order, the columns rearranged.
void RunColumnGenerator(const DataSet& data, const GeneratorSettings& settings,
                        UniformSource& source, RunOutput& output, Progress& progress);
// GenStraps and random resampling: whole rows chosen at random, columns unchanged.
void RunOtuGenerator(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
                     RunOutput& output, Progress& progress);
// MissStraps and noise: every OTU and character in place, binary cells drawn anew.
void RunCellGenerator(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
                      RunOutput& output, Progress& progress);

}  // namespace marbleset
