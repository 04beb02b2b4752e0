// marbleset-cli info: what the open command would load from a data file, and how many data sets
// the file holds (every one of them read, so a damaged later data set is reported too).
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "editing/screening.h"
#include "formats/format_registry.h"
#include "formats/phylip_reader.h"

namespace marbleset::cli {

namespace {

struct InfoOptions {
  InputOptions input;
};

// The missing-data code as the file writes it, then its number.
std::string MissingValueText(const DataSet& data, FileFormat format) {
  const std::string code = PlainNumber(data.MissingValue());
  const std::string_view written = EntryOf(format).missingWritten;
  return (written.empty() ? code : std::string(written)) + " (code " + code + ")";
}

// Reads the data sets after the first, on the same input, and returns how many the file holds.
std::size_t CountDataSets(const InfoOptions& options, std::optional<ItemReader>& input,
                          bool severalFollow) {
  if (!input) return 1;
  ItemReader& in = *input;
  std::size_t count = 1;
  DataSet next;
  for (bool more = severalFollow; more; more = FurtherDataSetFollows(in)) {
    ReadReport report;
    const ReadStatus status = options.input.Kind() == DataKind::kBinary
                                  ? ReadPhylipBinary(in, next, &report)
                                  : ReadPhylipQuant(in, next, &report);
    ++count;
    if (status != ReadStatus::kOk) {
      throw UnreadableInput(options.input, FindingFailure(status, in.name(), report), report.hint);
    }
  }
  return count;
}

int RunInfo(const InfoOptions& options, CliContext& context) {
  auto data = std::make_unique<DataSet>();
  std::optional<ItemReader> in = LoadFirstDataSet(options.input, *data, context.err);
  const FileFormat format = InputFormat(options.input);
  const std::size_t dataSets = CountDataSets(options, in, data->multiSet);
  std::ostream& out = context.out;
  out << "kind: " << (data->IsQuantitative() ? "quantitative" : "binary") << '\n';
  out << "layout: " << FileFormatName(format) << '\n';
  out << "otus: " << data->OtuCount() << '\n';
  out << "characters: " << data->CharCount() << '\n';
  out << "several data sets: " << (data->multiSet ? "yes" : "no") << '\n';
  out << "data sets: " << dataSets << '\n';
  out << "missing value: " << MissingValueText(*data, format) << '\n';
  if (data->IsBinary() && !data->multiSet) {
    out << CropCountsText(CountCropProperties(*data), "\n");  // as the crop dialog shows them
  }
  out.flush();
  return out ? kExitOk : kExitFailed;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Read a data file and describe what it holds (every data set is read)");
  AddInputOptions(*command, options->input);
  command->callback([options, &context] {
    context.paths = {options->input.path};
    context.action = [options, &context] { return RunInfo(*options, context); };
  });
}

}  // namespace marbleset::cli
