// marbleset-cli convert: the loaded data set saved in the chosen layout, as "Save data as..."
// does.
#include <memory>

#include "cli/commands.h"

namespace marbleset::cli {

namespace {

struct ConvertOptions {
  InputOptions input;
  OutputOptions output;
  int layout = 0;  // 0 PHYLIP, 1 NTSYS
};

int RunConvert(const ConvertOptions& options, CliContext& context) {
  auto data = std::make_unique<DataSet>();
  // Saving is offered for one data set only; writing the first would drop the others.
  const int loaded = LoadSingleDataSet(options.input, *data, "convert saves one", context.err);
  if (loaded != kExitOk) return loaded;
  SaveToOutput(*data, options.layout, options.output, context.out);
  return kExitOk;
}

}  // namespace

void AddConvertCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command =
      app.add_subcommand("convert", "Save a data file in the PHYLIP or NTSYS layout");
  AddChoiceOption(*command, "--to", options->layout, {"phylip", "ntsys"},
                  "Layout to write: phylip or ntsys")
      ->required();
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  command->callback([options, &context] {
    context.action = [options, &context] { return RunConvert(*options, context); };
  });
}

}  // namespace marbleset::cli
