// marbleset-cli amova: the analysis of molecular variance of the data's distance matrix (or of
// a distance file) over the populations of a groups file, and optionally over regions, as a
// report in text or CSV.
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/matrix_input.h"
#include "cli/terminal_progress.h"
#include "distances/analysis_reports.h"
#include "pictures/amova_groups.h"

namespace marbleset::cli {

namespace {

struct AmovaOptions {
  MatrixInputOptions matrix;
  OutputOptions output;
  std::string groups, regions;
  std::optional<std::size_t> permutations;
  std::optional<std::uint64_t> seed;
  bool csv = false;
};

int RunAmovaCommand(const AmovaOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.matrix.input);
  const auto [matrix, subject] =
      ReadInputMatrix(options.matrix, "the analysis takes one", context.err);
  const AmovaDesign design =
      pictures::ReadAmovaDesign(matrix.names, options.groups, options.regions);
  PermutationSettings settings;
  if (options.permutations) settings.permutations = *options.permutations;
  if (options.seed) settings.seed = *options.seed;
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const AmovaResult result = RunAmova(matrix, design, settings, *shown);
  CliOutput output(options.output, context.out);
  const ResultTable report = AmovaReport(result, subject);
  options.csv ? WriteResultCsv(report, output.sink()) : WriteResultText(report, output.sink());
  output.Close();
  return kExitOk;
}

}  // namespace

void AddAmovaCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<AmovaOptions>();
  CLI::App* command = app.add_subcommand(
      "amova", "Analysis of molecular variance over populations (and regions) of the distances");
  AddInputOptions(*command, options->matrix.input);
  AddOutputOptions(*command, options->output);
  command
      ->add_option("--groups", options->groups,
                   "The population of every OTU: lines \"name<TAB>population\"")
      ->type_name("FILE")
      ->required();
  command
      ->add_option("--regions", options->regions,
                   "The region of every population: lines \"population<TAB>region\"")
      ->type_name("FILE");
  AddCountOption(*command, "--permutations", options->permutations, kPermutationBounds,
                 "Permutations for the p-values (default 999; 0: no tests)");
  AddSeedOption(*command, options->seed);
  AddMatrixInputOptions(*command, options->matrix);
  command->add_flag("--csv", options->csv, "Write the tables as CSV instead of text");
  command->footer(
      "The distances are squared, as for Euclidean distances; give the square root of a matrix "
      "that holds squared distances.\n"
      "Examples:\n"
      "  marbleset-cli amova --groups populations.txt --coefficient Jaccard markers.phy\n"
      "  marbleset-cli amova --groups populations.txt --regions regions.txt --distances "
      "matrix.txt");
  command->callback([options, &context] {
    context.paths = {options->matrix.input.path, options->output.path, options->groups};
    if (!options->regions.empty()) context.paths.push_back(options->regions);
    context.action = [options, &context] { return RunAmovaCommand(*options, context); };
  });
}

}  // namespace marbleset::cli
