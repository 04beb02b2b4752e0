// marbleset-cli bootstraps, permutations, genstraps, resample, missstraps and noise: the six
// generators of resampled data sets, with the core's defaults and bounds.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/errors.h"
#include "dataset/progress.h"
#include "provenance/session_commands.h"
#include "resampling/generators.h"
#include "resampling/uniform_source.h"

namespace marbleset::cli {

namespace {

struct GenerateOptions {
  Generator generator = Generator::kBootStraps;
  InputOptions input;
  OutputOptions output;
  std::optional<std::size_t> dataSets;
  std::optional<double> percent;
  std::string otus;  // resample; checked once the data is read, which sets its bounds
  std::optional<std::uint64_t> seed;
  // Draws taken from the seed's sequence before the run's first: where the desktop program's
  // one random source stood when it started the run.
  std::optional<std::uint64_t> skipDraws;
};

// Whether the core offers the generator for quantitative data; commands it does not offer there
// do not offer --quantitative either.
bool OfferedForQuantitative(Generator generator) {
  DataSet probe;
  probe.Resize(DataKind::kQuantitative, 0, 0, kQuantitativeMissingValue);
  return IsOffered(generator, probe);
}

int RunGenerator(const GenerateOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "the generators work on one", context.err);
  GeneratorSettings settings = DefaultGeneratorSettings(options.generator, *data);
  if (options.dataSets) settings.dataSets = *options.dataSets;
  if (options.percent) settings.percent = *options.percent;
  if (!options.otus.empty()) {
    settings.otus = CheckedCount("--otus", options.otus, OtuCountBounds(*data));
  }
  if (options.seed) settings.seed = *options.seed;
  try {
    CheckGeneratorSettings(settings, *data);
  } catch (const Failure& refusal) {
    throw CliFailure(kExitUsage, Quoted(options.input.path), refusal.what());
  }

  // GenStraps draws one OTU for each distinct name: OTUs of one name keep one written name.
  PhylipNamesForOutput names(*data, options.output, options.input,
                             options.generator == Generator::kGenStraps, context.out);
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  CliOutput output(options.output, context.out);
  UniformSource source(settings.seed);
  for (std::uint64_t draw = 0; draw < options.skipDraws.value_or(0); ++draw) source.NextTop24();
  try {
    Generate(*data, settings, source, output.sink(), *shown);
  } catch (const WriteFailure&) {
    throw;  // the output itself failed: nothing of it is put in place
  } catch (const RunCancelled&) {
    throw;
  } catch (const Failure&) {
    output.KeepWrittenAfterFailure();  // the data sets written before the failure stay
    throw;
  }
  output.Close();
  names.Close();
  return kExitOk;
}

std::string Default(double value) {
  return " (default " + PlainNumber(value) + ")";
}

void AddGenerator(CLI::App& app, CliContext& context, Generator generator, const std::string& name,
                  const std::string& description) {
  auto options = std::make_shared<GenerateOptions>();
  options->generator = generator;
  CLI::App* command = app.add_subcommand(name, description);
  AddCountOption(*command, "--datasets", options->dataSets, kDataSetCountBounds,
                 "Number of data sets, " + WholeRange(kDataSetCountBounds) +
                     Default(kDataSetCountBounds.start));
  if (UsesPercent(generator)) {
    const SettingBounds bounds = PercentBounds(generator);
    const std::string what = generator == Generator::kNoise
                                 ? "Noise %: chance of each 0 or 1 entry to flip"
                                 : "Bootstrap %: expected share of replaced characters";
    AddPercentOption(*command, "--percent", options->percent, bounds,
                     what + ", from " + PlainNumber(bounds.lowest) + " to " +
                         PlainNumber(bounds.highest) + ", one decimal" + Default(bounds.start));
  }
  if (generator == Generator::kRandomResampling) {
    command
        ->add_option("--otus", options->otus,
                     "Number of OTUs drawn, a whole number from 1 to the number in the data "
                     "(default all)")
        ->type_name("INT");
  }
  AddSeedOption(*command, options->seed);
  command
      ->add_option_function<std::string>(
          "--skip-draws",
          [options](const std::string& text) { options->skipDraws = *ParseWholeNumber(text); },
          "Start N draws into the seed's random numbers, where a desktop session's earlier runs "
          "left them (default 0)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            return ParseWholeNumber(text) ? "" : "must be a whole number from 0";
          },
          ""))
      ->type_name("N");
  AddInputOptions(*command, options->input,
                  OfferedForQuantitative(generator) ? KindsRead::kBoth : KindsRead::kBinaryOnly);
  AddOutputOptions(*command, options->output);
  AddPhylipNamesOption(*command, options->output);
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunGenerator(*options, context); };
  });
}

}  // namespace

void AddGenerateCommands(CLI::App& app, CliContext& context) {
  const auto name = [](Generator generator) {
    return std::string(GeneratorCommandName(generator));
  };
  AddGenerator(app, context, Generator::kBootStraps, name(Generator::kBootStraps),
               "Data sets with a share of the characters replaced by copies of others");
  AddGenerator(app, context, Generator::kPermutations, name(Generator::kPermutations),
               "Data sets with the characters in random order");
  AddGenerator(app, context, Generator::kGenStraps, name(Generator::kGenStraps),
               "Data sets of one random OTU for each distinct OTU name");
  AddGenerator(app, context, Generator::kRandomResampling, name(Generator::kRandomResampling),
               "Data sets of OTUs drawn at random without repeats");
  AddGenerator(app, context, Generator::kMissStraps, name(Generator::kMissStraps),
               "Data sets with the missing binary entries filled at random");
  AddGenerator(app, context, Generator::kNoise, name(Generator::kNoise),
               "Data sets with binary entries flipped at random");
}

}  // namespace marbleset::cli
