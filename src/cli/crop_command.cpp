// marbleset-cli crop: the crop dialog's removals on binary data, in their fixed order, and the
// reduced data set saved.
#include <memory>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "editing/screening.h"
#include "formats/format_registry.h"

namespace marbleset::cli {

namespace {

struct CropOptions {
  InputOptions input;
  OutputOptions output;
  CropChoice choice;
  std::string layout = "phylip";
};

int RunCrop(const CropOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  RefuseNamesUnlessPhylip(options.output, options.layout);
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "crop works on one", context.err);
  ApplyCrop(*data, options.choice);
  PhylipNamesForOutput names(*data, options.output, options.input, false, context.out);
  SaveToOutput(*data, options.layout, options.output, context.out);
  names.Close();
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
  command->add_flag("--characters-with-missing", options->choice.charactersWithMissing,
                    "Remove characters with missing data");
  command->add_flag("--otus-with-missing", options->choice.otusWithMissing,
                    "Remove OTUs with missing data");
  AddChoiceOption(*command, "--to", options->layout, WrittenDataFormatNames(),
                  "Layout to write (default phylip)");
  AddInputOptions(*command, options->input, KindsRead::kBinaryOnly);
  AddOutputOptions(*command, options->output);
  AddPhylipNamesOption(*command, options->output);
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunCrop(*options, context); };
  });
}

}  // namespace marbleset::cli
