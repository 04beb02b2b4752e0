// marbleset-cli bootstraps, permutations, genstraps, resample, missstraps and noise: the six
// generators of resampled data sets with the run dialog's defaults and bounds.
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/progress.h"
#include "resampling/generators.h"

namespace marbleset::cli {

namespace {

enum class Generator { kBootStraps, kPermutations, kGenStraps, kResample, kMissStraps, kNoise };

struct GenerateOptions {
  Generator generator = Generator::kBootStraps;
  InputOptions input;
  OutputOptions output;
  double datasets = 100;
  double percent = 0;          // bootstrap or noise percentage
  std::optional<double> otus;  // resample; every OTU when left out
  std::optional<std::uint64_t> seed;
};

// The dialog's fields hold tenths: a value with a second decimal cannot be entered there.
std::optional<int16_t> Tenths(double value) {
  const double tenths = value * 10.0;
  const double whole = std::nearbyint(tenths);
  if (std::abs(tenths - whole) > 1e-6) return std::nullopt;
  return static_cast<int16_t>(whole);
}

bool BinaryOnly(Generator generator) {
  return generator == Generator::kMissStraps || generator == Generator::kNoise;
}

int RunGenerator(const GenerateOptions& options, CliContext& context) {
  if (BinaryOnly(options.generator) && options.input.quantitative) {
    context.err << "missstraps and noise work on binary data only.\n";
    return kExitUsage;
  }
  const auto C = Tenths(options.datasets);
  const auto P = Tenths(options.percent);
  if (!C || !P) {
    context.err << "--datasets and --percent take at most one decimal.\n";
    return kExitUsage;
  }
  auto data = std::make_unique<DataSet>();
  const int loaded =
      LoadSingleDataSet(options.input, *data, "the generators work on one", context.err);
  if (loaded != kExitOk) return loaded;
  int16_t M = static_cast<int16_t>(10 * data->NOtu);
  if (options.otus) {
    const auto tenths = Tenths(*options.otus);
    if (!tenths || *tenths < 10 || *tenths > M) {
      context.err << "--otus must lie between 1 and " << data->NOtu
                  << " with at most one decimal.\n";
      return kExitUsage;
    }
    M = *tenths;
  }

  // Without --seed, the same state as the desktop program's first run after start-up.
  UniformSource source(options.seed.value_or(UniformSource::kDefaultSeed));
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  Progress& progress = *shown;
  CliOutput output(options.output, context.out);
  TextSink& out = output.sink();
  switch (options.generator) {
    case Generator::kBootStraps:
      GenerateBootStraps(*data, source, *C, *P, out, progress);
      break;
    case Generator::kPermutations:
      GeneratePermutations(*data, source, *C, out, progress);
      break;
    case Generator::kGenStraps:
      GenerateGenStraps(*data, source, *C, out, progress);
      break;
    case Generator::kResample:
      GenerateResamplings(*data, source, *C, M, out, progress);
      break;
    case Generator::kMissStraps:
      GenerateMissStraps(*data, source, *C, out, progress);
      break;
    case Generator::kNoise:
      GenerateNoise(*data, source, *C, *P, out, progress);
      break;
  }
  output.Close();
  return kExitOk;
}

void AddGenerator(CLI::App& app, CliContext& context, Generator generator, const std::string& name,
                  const std::string& description) {
  auto options = std::make_shared<GenerateOptions>();
  options->generator = generator;
  CLI::App* command = app.add_subcommand(name, description);
  AddBoundedOption(*command, "--datasets", options->datasets, 10, 1000,
                   "Number of data sets, 10 to 1000 (default 100; one decimal, whole part used)");
  if (generator == Generator::kBootStraps) {
    options->percent = 35;
    AddBoundedOption(*command, "--percent", options->percent, 1, 50,
                     "Bootstrap %: expected share of replaced characters, 1 to 50 (default 35)");
  } else if (generator == Generator::kNoise) {
    options->percent = 10;
    AddBoundedOption(*command, "--percent", options->percent, 1, 100,
                     "Noise %: chance of each entry to flip, 1 to 100 (default 10)");
  }
  if (generator == Generator::kResample) {
    command->add_option("--otus", options->otus,
                        "Number of OTUs drawn, 1 to the number in the data (default all)");
  }
  command->add_option("--seed", options->seed,
                      "Start the random numbers from another fixed state (default: the "
                      "desktop program's first run)");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  command->callback([options, &context] {
    context.action = [options, &context] { return RunGenerator(*options, context); };
  });
}

}  // namespace

void AddGenerateCommands(CLI::App& app, CliContext& context) {
  AddGenerator(app, context, Generator::kBootStraps, "bootstraps",
               "Data sets with a share of the characters replaced by copies of others");
  AddGenerator(app, context, Generator::kPermutations, "permutations",
               "Data sets with the characters in random order");
  AddGenerator(app, context, Generator::kGenStraps, "genstraps",
               "Data sets of one random OTU for each distinct OTU name");
  AddGenerator(app, context, Generator::kResample, "resample",
               "Data sets of OTUs drawn at random without repeats");
  AddGenerator(app, context, Generator::kMissStraps, "missstraps",
               "Data sets with the missing binary entries filled at random");
  AddGenerator(app, context, Generator::kNoise, "noise",
               "Data sets with binary entries flipped at random");
}

}  // namespace marbleset::cli
