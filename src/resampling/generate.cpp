#include "resampling/generator_runs.h"
#include "resampling/generators.h"

namespace marbleset {

namespace {

void Dispatch(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
              RunOutput& output, Progress& progress) {
  CheckGeneratorSettings(settings, data);
  switch (settings.generator) {
    case Generator::kBootStraps:
    case Generator::kPermutations:
      return RunColumnGenerator(data, settings, source, output, progress);
    case Generator::kGenStraps:
    case Generator::kRandomResampling:
      return RunOtuGenerator(data, settings, source, output, progress);
    case Generator::kMissStraps:
    case Generator::kNoise:
      return RunCellGenerator(data, settings, source, output, progress);
  }
}

}  // namespace

void Generate(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
              TextSink& out, Progress& progress) {
  RunOutput output(out);
  Dispatch(data, settings, source, output, progress);
}

void Generate(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
              const std::string& path, Progress& progress, ExistingTarget existing) {
  RunOutput output(path, existing);
  Dispatch(data, settings, source, output, progress);
}

void Generate(const DataSet& data, const GeneratorSettings& settings, TextSink& out,
              Progress& progress) {
  UniformSource source(settings.seed);
  Generate(data, settings, source, out, progress);
}

void Generate(const DataSet& data, const GeneratorSettings& settings, const std::string& path,
              Progress& progress, ExistingTarget existing) {
  UniformSource source(settings.seed);
  Generate(data, settings, source, path, progress, existing);
}

}  // namespace marbleset
