// marbleset-cli mantel: the Mantel test of two distance files over the same OTUs, matched by
// name, as a report in text or CSV.
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/matrix_input.h"
#include "cli/terminal_progress.h"
#include "distances/analysis_reports.h"

namespace marbleset::cli {

namespace {

constexpr std::string_view kRefusal = "the test takes one from each file";

struct MantelOptions {
  InputOptions first, second;
  OutputOptions output;
  std::string method = "pearson";
  std::optional<std::size_t> permutations;
  std::optional<std::uint64_t> seed;
  bool csv = false;
};

int RunMantelCommand(const MantelOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.first);
  RefuseInputAsOutput(options.output, options.second);
  const DistanceMatrix first = OneMatrixOf(options.first, kRefusal),
                       second = OneMatrixOf(options.second, kRefusal);
  PermutationSettings settings;
  if (options.permutations) settings.permutations = *options.permutations;
  if (options.seed) settings.seed = *options.seed;
  const MantelMethod method =
      options.method == "spearman" ? MantelMethod::kSpearman : MantelMethod::kPearson;
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const MantelResult result = RunMantel(first, second, method, settings, *shown);
  CliOutput output(options.output, context.out);
  const ResultTable report = MantelReport(result, options.first.path, options.second.path);
  options.csv ? WriteResultCsv(report, output.sink()) : WriteResultText(report, output.sink());
  output.Close();
  return kExitOk;
}

}  // namespace

void AddMantelCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<MantelOptions>();
  CLI::App* command = app.add_subcommand(
      "mantel", "Mantel test of two distance matrices over the same OTUs (matched by name)");
  command->add_option("FIRST", options->first.path, "The first distance file")->required();
  command->add_option("SECOND", options->second.path, "The second distance file")->required();
  AddOutputOptions(*command, options->output);
  AddChoiceOption(*command, "--method", options->method, {"pearson", "spearman"},
                  "pearson: Pearson's r of the distances (default); spearman: of their ranks");
  AddCountOption(*command, "--permutations", options->permutations, kPermutationBounds,
                 "Permutations for the p-value (default 999; 0: no test)");
  AddSeedOption(*command, options->seed);
  command->add_flag("--csv", options->csv, "Write the table as CSV instead of text");
  command->footer(
      "Example:\n  marbleset-cli mantel --method spearman --permutations 9999 dna.txt "
      "geography.txt");
  command->callback([options, &context] {
    context.paths = {options->first.path, options->second.path, options->output.path};
    context.action = [options, &context] { return RunMantelCommand(*options, context); };
  });
}

}  // namespace marbleset::cli
