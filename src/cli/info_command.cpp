// marbleset-cli info: what the open command would load from a data file.
#include <memory>

#include "cli/commands.h"
#include "editing/screening.h"

namespace marbleset::cli {

namespace {

struct InfoOptions {
  InputOptions input;
};

int RunInfo(const InfoOptions& options, CliContext& context) {
  auto data = std::make_unique<DataSet>();
  const int loaded = LoadInput(options.input, *data, context.err);
  if (loaded != kExitOk) return loaded;
  std::ostream& out = context.out;
  out << "kind: " << (data->Quantitative != 0 ? "quantitative" : "binary") << '\n';
  out << "layout: " << (options.input.ChosenLayout() == Layout::kNtsys ? "ntsys" : "phylip")
      << '\n';
  out << "otus: " << data->NOtu << '\n';
  out << "characters: " << data->NChar << '\n';
  out << "several data sets: " << (data->MultiSet != 0 ? "yes" : "no") << '\n';
  out << "missing value: " << PlainNumber(data->MissingValue) << '\n';
  if (data->Quantitative == 0 && data->MultiSet == 0) {
    out << CropCountsText(CountCropProperties(*data), "\n");  // as the crop dialog shows them
  }
  out.flush();
  return out ? kExitOk : kExitFailed;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand("info", "Read a data file and describe what it holds");
  AddInputOptions(*command, options->input);
  command->callback([options, &context] {
    context.action = [options, &context] { return RunInfo(*options, context); };
  });
}

}  // namespace marbleset::cli
