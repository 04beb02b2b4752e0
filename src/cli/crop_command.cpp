// marbleset-cli crop: the crop dialog's removals on binary data, in their fixed order, and the
// reduced data set saved.
#include <memory>

#include "cli/commands.h"
#include "editing/screening.h"

namespace marbleset::cli {

namespace {

struct CropOptions {
  InputOptions input;
  OutputOptions output;
  CropChoice choice;
  int layout = 0;  // 0 PHYLIP, 1 NTSYS
};

int RunCrop(const CropOptions& options, CliContext& context) {
  if (options.input.quantitative) {
    context.err << "crop works on binary data only.\n";
    return kExitUsage;
  }
  auto data = std::make_unique<DataSet>();
  const int loaded = LoadSingleDataSet(options.input, *data, "crop works on one", context.err);
  if (loaded != kExitOk) return loaded;
  ApplyCrop(*data, options.choice);
  SaveToOutput(*data, options.layout, options.output, context.out);
  return kExitOk;
}

}  // namespace

void AddCropCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<CropOptions>();
  CLI::App* command = app.add_subcommand(
      "crop",
      "Remove characters and OTUs from binary data (in this order: monomorphic, "
      "uninformative, characters with missing data, OTUs with missing data) and save");
  command->add_flag("--monomorphic", options->choice.monomorphic, "Remove monomorphic characters");
  command->add_flag("--uninformative", options->choice.uninformative,
                    "Remove uninformative characters");
  command->add_flag("--characters-with-missing", options->choice.characters_with_missing,
                    "Remove characters with missing data");
  command->add_flag("--otus-with-missing", options->choice.otus_with_missing,
                    "Remove OTUs with missing data");
  AddChoiceOption(*command, "--to", options->layout, {"phylip", "ntsys"},
                  "Layout to write: phylip (the default) or ntsys");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  command->callback([options, &context] {
    context.action = [options, &context] { return RunCrop(*options, context); };
  });
}

}  // namespace marbleset::cli
