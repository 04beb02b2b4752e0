// marbleset-cli tree: the data's distance tree with the support of each branch from resampled
// replicates computed in memory, and on request the replicate trees, their consensus and their
// distance matrices.
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/errors.h"
#include "dataset/same_output.h"
#include "distances/distance_run.h"
#include "formats/newick_writer.h"
#include "trees/cophenetic.h"
#include "trees/support_run.h"
#include "trees/tree_settings.h"

namespace marbleset::cli {

namespace {

struct TreeOptions {
  InputOptions input;
  OutputOptions output;
  std::optional<std::size_t> replicates;
  std::string resampling = "bootstrap";
  std::optional<double> percent;
  std::string method = "nj";
  std::string coefficient;  // empty: the core's default for the data's kind
  std::string missing;
  std::optional<std::uint64_t> seed;
  OutputOptions replicateTrees{""}, consensus{""}, matrices{""};
};

Resampling ResamplingOf(const std::string& name) {
  if (name == "classic") return Resampling::kClassic;
  if (name == "jackknife") return Resampling::kJackknife;
  return Resampling::kBootstrap;
}

TreeSettings ChosenSettings(const TreeOptions& options, const DataSet& data) {
  TreeSettings settings = DefaultTreeSettings(data);
  const DataKind kind = data.Kind();
  if (options.replicates) settings.replicates = *options.replicates;
  settings.resampling = ResamplingOf(options.resampling);
  if (options.percent) {
    if (settings.resampling != Resampling::kBootstrap)
      throw CliFailure(kExitUsage, "--percent", "applies to --resampling bootstrap only");
    settings.percent = *options.percent;
  }
  settings.method = options.method == "upgma" ? TreeMethod::kUpgma : TreeMethod::kNeighborJoining;
  const DistanceSettings named = NamedDistanceSettings(kind, options.coefficient, options.missing);
  settings.distance.coefficient = named.coefficient;
  settings.distance.policy = named.policy;
  if (options.seed) settings.seed = *options.seed;
  return settings;
}

int RunTree(const TreeOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  const OutputOptions* extras[] = {&options.replicateTrees, &options.consensus, &options.matrices};
  for (const OutputOptions* extra : extras)
    if (!extra->path.empty()) RefuseInputAsOutput(*extra, options.input);
  RefuseSharedOutput({{"OUTPUT", options.output.path},
                      {"--replicate-trees", options.replicateTrees.path},
                      {"--consensus", options.consensus.path},
                      {"--matrices", options.matrices.path}});
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "a tree is built for one data set");
  const TreeSettings settings = ChosenSettings(options, *data);
  CheckTreeSettings(settings, *data);

  CliOutput output(options.output, context.out);
  std::unique_ptr<CliOutput> replicateTrees, consensus, matrices;
  auto open = [&](const OutputOptions& extra) {
    return extra.path.empty() ? nullptr : std::make_unique<CliOutput>(extra, context.out);
  };
  replicateTrees = open(options.replicateTrees);
  consensus = open(options.consensus);
  matrices = open(options.matrices);
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const SupportResult result =
      RunSupport(*data, settings, *shown,
                 {.replicateTrees = replicateTrees ? &replicateTrees->sink() : nullptr,
                  .matrices = matrices ? &matrices->sink() : nullptr});
  WriteNewick(result.reference, output.sink());
  if (consensus) WriteNewick(result.consensus.tree, consensus->sink());
  for (CliOutput* out : {replicateTrees.get(), consensus.get(), matrices.get()})
    if (out) out->Close();
  output.Close();
  NoProgress none;
  const DistanceMatrix matrix = ComputeDistanceMatrix(*data, settings.distance, none);
  context.err << CopheneticText(CopheneticCorrelation(result.reference, matrix), settings.method)
              << '\n';
  if (result.failedReplicates > 0) PrintError(context.err, FailedReplicatesText(result));
  return kExitOk;
}

}  // namespace

void AddTreeCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<TreeOptions>();
  CLI::App* command = app.add_subcommand(
      "tree", "Write the data's distance tree with the support of each branch from resampling");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  AddCountOption(*command, "--replicates", options->replicates, kReplicateBounds,
                 "Replicate data sets drawn in memory");
  AddChoiceOption(*command, "--resampling", options->resampling,
                  {"bootstrap", "classic", "jackknife"},
                  "bootstrap: each character replaced with --percent (default); classic: all "
                  "characters drawn with replacement; jackknife: half the characters");
  AddPercentOption(*command, "--percent", options->percent, kReplicatePercentBounds,
                   "\"Bootstrap %\" of --resampling bootstrap");
  AddChoiceOption(*command, "--method", options->method, {"nj", "upgma"},
                  "nj: neighbor-joining (default); upgma");
  command
      ->add_option("--coefficient", options->coefficient,
                   "Distance coefficient, as for distances (default: the kind's first)")
      ->type_name("NAME");
  command
      ->add_option("--missing", options->missing,
                   "Missing-data value, as for distances (default: the kind's default)")
      ->type_name("NAME");
  AddSeedOption(*command, options->seed);
  command
      ->add_option("--replicate-trees", options->replicateTrees.path,
                   "Also write each replicate's tree, one a line (what consense reads)")
      ->type_name("FILE");
  command
      ->add_option("--consensus", options->consensus.path,
                   "Also write the extended majority-rule consensus of the replicate trees")
      ->type_name("FILE");
  command
      ->add_option("--matrices", options->matrices.path,
                   "Also write each replicate's distance matrix")
      ->type_name("FILE");
  command->callback([options, &context] {
    for (OutputOptions* extra : {&options->replicateTrees, &options->consensus, &options->matrices})
      extra->force = options->output.force;
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunTree(*options, context); };
  });
}

}  // namespace marbleset::cli
