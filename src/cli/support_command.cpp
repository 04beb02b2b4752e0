// marbleset-cli support: the data's distance tree labelled with the support counted over
// replicate trees computed elsewhere (the pieces of one run made with tree --replicate-range),
// and on request their consensus. Given every replicate's tree in replicate order, it writes
// what the tree command writes for the whole run.
#include <memory>
#include <vector>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/tree_options.h"
#include "dataset/same_output.h"
#include "formats/newick_writer.h"
#include "trees/support_run.h"

namespace marbleset::cli {

namespace {

struct SupportOptions {
  InputOptions input;
  OutputOptions output;
  TreeSettingOptions settings;
  std::vector<std::string> treeFiles;
  OutputOptions consensus{""};
};

// The words after --replicate-trees, then the positionals CLI11 found: the last two are
// DATA and OUTPUT, the others the tree files.
void SplitPositionals(SupportOptions& options) {
  std::vector<std::string> words = options.treeFiles;
  if (!options.input.path.empty()) words.push_back(options.input.path);
  if (!options.output.IsStandardOutput()) words.push_back(options.output.path);
  if (words.size() < 3)
    throw CliFailure(kExitUsage, "support",
                     "needs --replicate-trees FILE ..., then DATA and OUTPUT");
  options.output.path = words.back();
  words.pop_back();
  options.input.path = words.back();
  words.pop_back();
  options.treeFiles = std::move(words);
}

int RunSupportCommand(const SupportOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  if (!options.consensus.path.empty()) RefuseInputAsOutput(options.consensus, options.input);
  RefuseSharedOutput({{"OUTPUT", options.output.path}, {"--consensus", options.consensus.path}});
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "a tree is built for one data set");
  const TreeSettings settings = ChosenTreeSettings(options.settings, *data);
  std::vector<Tree> trees;
  for (const std::string& path : options.treeFiles) {
    std::vector<Tree> read = ReadReplicateTrees(FileText(path), *data, path);
    trees.insert(trees.end(), std::make_move_iterator(read.begin()),
                 std::make_move_iterator(read.end()));
  }
  if (trees.empty())
    throw CliFailure(kExitUnreadable, "--replicate-trees", "the files hold no tree");
  const SupportResult result = SupportFromTrees(*data, settings, trees);
  CliOutput output(options.output, context.out);
  std::unique_ptr<CliOutput> consensus;
  if (!options.consensus.path.empty())
    consensus = std::make_unique<CliOutput>(options.consensus, context.out);
  WriteNewick(result.reference, output.sink());
  if (consensus) {
    WriteNewick(result.consensus.tree, consensus->sink());
    consensus->Close();
  }
  output.Close();
  return kExitOk;
}

}  // namespace

void AddSupportCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<SupportOptions>();
  CLI::App* command = app.add_subcommand(
      "support", "Write the data's distance tree with the support counted over replicate trees");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  // The files of --replicate-trees take every word up to the next option, DATA and OUTPUT
  // included; the callback takes those two back (see SplitPositionals).
  command->get_option("INPUT")->required(false);
  AddTreeSettingOptions(*command, options->settings);
  command
      ->add_option("--replicate-trees", options->treeFiles,
                   "The replicate trees, one a line, from one or more files read in order "
                   "(the pieces of tree --replicate-range)")
      ->type_name("FILE ...")
      ->required()
      ->expected(1, -1);
  command
      ->add_option("--consensus", options->consensus.path,
                   "Also write the extended majority-rule consensus of the replicate trees")
      ->type_name("FILE");
  command->callback([options, &context] {
    SplitPositionals(*options);
    options->consensus.force = options->output.force;
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunSupportCommand(*options, context); };
  });
}

}  // namespace marbleset::cli
