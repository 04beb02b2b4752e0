// marbleset-cli convert: the loaded data set saved in the chosen layout, as "Save data as..."
// does.
#include <memory>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "formats/format_registry.h"

namespace marbleset::cli {

namespace {

struct ConvertOptions {
  InputOptions input;
  OutputOptions output;
  std::string layout;  // one of WrittenDataFormatNames()
};

int RunConvert(const ConvertOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  RefuseNamesUnlessPhylip(options.output, options.layout);
  auto data = std::make_unique<DataSet>();
  // Saving is offered for one data set only; writing the first would drop the others.
  LoadSingleDataSet(options.input, *data, "convert saves one", context.err);
  PhylipNamesForOutput names(*data, options.output, options.input, false, context.out);
  SaveToOutput(*data, options.layout, options.output, context.out);
  names.Close();
  return kExitOk;
}

}  // namespace

void AddConvertCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command =
      app.add_subcommand("convert", "Save a data file in the PHYLIP, NTSYS, NEXUS or CSV layout");
  AddChoiceOption(*command, "--to", options->layout, WrittenDataFormatNames(), "Layout to write")
      ->required();
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  AddPhylipNamesOption(*command, options->output);
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunConvert(*options, context); };
  });
}

}  // namespace marbleset::cli
