// marbleset-cli restore-names: the original OTU names put back into a tree that PHYLIP wrote
// (outtree, Newick) from a file written with --phylip-names, by the table written beside it.
#include <memory>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "formats/delimited_reader.h"
#include "formats/phylip_names.h"

namespace marbleset::cli {

namespace {

struct RestoreNamesOptions {
  InputOptions tree;  // only its path counts
  std::string table;
  OutputOptions output;
};

int RunRestoreNames(const RestoreNamesOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.tree);
  InputOptions table;
  table.path = options.table;
  RefuseInputAsOutput(options.output, table);
  const std::string treePath = options.tree.IsStandardInput() ? "/dev/stdin" : options.tree.path;
  const std::string treeText = ReadWholeFile(treePath);
  const auto pairs = ReadNameTable(ReadWholeFile(options.table), options.table);
  const std::string restored = RestoreTreeNames(treeText, treePath, pairs);
  CliOutput output(options.output, context.out);
  output.sink().Append(restored);
  output.Close();
  return kExitOk;
}

}  // namespace

void AddRestoreNamesCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<RestoreNamesOptions>();
  CLI::App* command = app.add_subcommand(
      "restore-names",
      "Put the original OTU names back into a tree that PHYLIP wrote from a file written with "
      "--phylip-names");
  command
      ->add_option("--table", options->table,
                   "The table of names written beside that file (its name without the "
                   "extension, then \"_names.tsv\")")
      ->required();
  command->add_option("TREE", options->tree.path, "The tree file (Newick), or - for standard input")
      ->required();
  AddOutputOptions(*command, options->output);
  command->callback([options, &context] {
    context.paths = {options->tree.path, options->table, options->output.path};
    context.action = [options, &context] { return RunRestoreNames(*options, context); };
  });
}

}  // namespace marbleset::cli
