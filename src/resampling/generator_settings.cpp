#include "resampling/generator_settings.h"

#include <cmath>
#include <sstream>
#include <string>

#include "dataset/errors.h"
#include "resampling/uniform_source.h"

namespace marbleset {

namespace {

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

bool Within(double value, const SettingBounds& bounds) {
  // Written so that NaN is outside.
  return value >= bounds.lowest && value <= bounds.highest;
}

std::string Range(const SettingBounds& bounds) {
  return "between " + Number(bounds.lowest) + " and " + Number(bounds.highest);
}

}  // namespace

SettingBounds OtuCountBounds(const DataSet& data) {
  const auto otus = static_cast<double>(data.OtuCount());
  return {1, otus, 1, otus};
}

bool UsesPercent(Generator generator) {
  return generator == Generator::kBootStraps || generator == Generator::kNoise;
}

SettingBounds PercentBounds(Generator generator) {
  return generator == Generator::kNoise ? kNoisePercentBounds : kBootstrapPercentBounds;
}

GeneratorSettings DefaultGeneratorSettings(Generator generator, const DataSet& data) {
  GeneratorSettings settings;
  settings.generator = generator;
  settings.dataSets = static_cast<std::size_t>(kDataSetCountBounds.start);
  settings.percent = UsesPercent(generator) ? PercentBounds(generator).start : 0.0;
  settings.otus = data.OtuCount();
  settings.seed = UniformSource::kDefaultSeed;
  return settings;
}

bool IsOffered(Generator generator, const DataSet& data) {
  if (generator == Generator::kMissStraps || generator == Generator::kNoise) {
    return data.IsBinary();
  }
  return true;
}

void CheckGeneratorSettings(const GeneratorSettings& settings, const DataSet& data) {
  const Generator generator = settings.generator;
  if (!IsOffered(generator, data)) {
    throw Failure(std::string(generator == Generator::kNoise ? "Noise works" : "MissStraps work") +
                  " on binary data only.");
  }
  if (!Within(static_cast<double>(settings.dataSets), kDataSetCountBounds)) {
    throw Failure("The number of data sets must lie " + Range(kDataSetCountBounds) + " (not " +
                  std::to_string(settings.dataSets) + ").");
  }
  if (UsesPercent(generator) && !Within(settings.percent, PercentBounds(generator))) {
    throw Failure(std::string(generator == Generator::kNoise ? "The noise" : "The bootstrap") +
                  " percentage must lie " + Range(PercentBounds(generator)) + " (not " +
                  Number(settings.percent) + ").");
  }
  // More OTUs than the data set holds could never be drawn without repeating one.
  const SettingBounds otus = OtuCountBounds(data);
  if (generator == Generator::kRandomResampling &&
      !Within(static_cast<double>(settings.otus), otus)) {
    throw Failure("The number of OTUs to draw must lie " + Range(otus) + " (not " +
                  std::to_string(settings.otus) + ").");
  }
}

std::string_view GeneratorLabel(Generator generator) {
  switch (generator) {
    case Generator::kBootStraps:
      return "Generating BootStraps";
    case Generator::kPermutations:
      return "Generating permutations";
    case Generator::kGenStraps:
      return "Generating GenStraps";
    case Generator::kRandomResampling:
      return "Generating resamplings";
    case Generator::kMissStraps:
      return "Generating MissStraps";
    case Generator::kNoise:
      return "Generating Noise";
  }
  return {};
}

}  // namespace marbleset
