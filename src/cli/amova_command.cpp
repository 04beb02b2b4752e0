// marbleset-cli amova: the analysis of molecular variance of the data's distance matrix (or of
// a distance file) over the populations of a groups file, and optionally over regions, as a
// report in text or CSV.
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "distances/analysis_reports.h"
#include "distances/distance_run.h"
#include "formats/distance_file_reader.h"
#include "pictures/amova_groups.h"

namespace marbleset::cli {

namespace {

struct AmovaOptions {
  InputOptions input;
  OutputOptions output;
  bool distanceFile = false;
  std::string coefficient, missing;
  std::string groups, regions;
  std::optional<std::size_t> permutations;
  std::optional<std::uint64_t> seed;
  bool csv = false;
};

// The matrix of a distance file that holds one; the notes name the file.
DistanceMatrix OneMatrixOf(const InputOptions& input) {
  std::vector<DistanceMatrix> matrices = input.IsStandardInput()
                                             ? ReadDistanceMatrices(std::cin, "standard input")
                                             : ReadDistanceMatrixFile(input.path);
  if (matrices.size() != 1)
    throw CliFailure(
        kExitUsage, InputName(input),
        "the file holds " + std::to_string(matrices.size()) + " matrices; the analysis takes one");
  return std::move(matrices.front());
}

// The input's matrix, and what it was computed from for the report's notes.
DistanceMatrix InputMatrix(const AmovaOptions& options, CliContext& context, std::string& subject) {
  subject = options.input.IsStandardInput() ? "standard input" : options.input.path;
  if (options.distanceFile) {
    if (!options.coefficient.empty() || !options.missing.empty())
      throw CliFailure(kExitUsage, "--distances",
                       "a distance file's values are used as they are; leave out --coefficient "
                       "and --missing");
    return OneMatrixOf(options.input);
  }
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "the analysis takes one data set", context.err);
  const DistanceSettings settings =
      NamedDistanceSettings(data->Kind(), options.coefficient, options.missing);
  subject += ", " + std::string(CoefficientName(settings.coefficient)) +
             " distance (missing: " + std::string(MissingPolicyName(settings.policy)) + ")";
  NoProgress none;
  return ComputeDistanceMatrix(*data, settings, none);
}

int RunAmovaCommand(const AmovaOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  std::string subject;
  const DistanceMatrix matrix = InputMatrix(options, context, subject);
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
  AddInputOptions(*command, options->input);
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
  command->add_flag("--distances,--distance-file", options->distanceFile,
                    "INPUT is a distance matrix as \"distances\" or PHYLIP writes it");
  command
      ->add_option("--coefficient", options->coefficient,
                   "Distance coefficient, as for distances (default: the kind's first)")
      ->type_name("NAME");
  command
      ->add_option("--missing", options->missing,
                   "Missing-data value, as for distances (default: the kind's default)")
      ->type_name("NAME");
  command->add_flag("--csv", options->csv, "Write the tables as CSV instead of text");
  command->footer(
      "The distances are squared, as for Euclidean distances; give the square root of a matrix "
      "that holds squared distances.\n"
      "Examples:\n"
      "  marbleset-cli amova --groups populations.txt --coefficient Jaccard markers.phy\n"
      "  marbleset-cli amova --groups populations.txt --regions regions.txt --distances "
      "matrix.txt");
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path, options->groups};
    if (!options->regions.empty()) context.paths.push_back(options->regions);
    context.action = [options, &context] { return RunAmovaCommand(*options, context); };
  });
}

}  // namespace marbleset::cli
