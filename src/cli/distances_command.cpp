// marbleset-cli distances: the matrix (or the means) that "OK" of the "Calculate distances"
// dialog would write, with the core's defaults. A file of several data sets is read once, from
// its start, through one input: the first data set as every command loads it, the others after
// it on the same input, so a pipe or FIFO gives what the file gives.
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "formats/format_registry.h"
#include "formats/item_reader.h"

namespace marbleset::cli {

namespace {

struct DistancesOptions {
  InputOptions input;
  OutputOptions output;
  std::string coefficient;  // empty: the core's default for the data's kind
  std::string missing;      // the same
  bool similarities = false;
  bool average = false;
  std::string format = "phylip";  // one of WrittenDistanceFormatNames()
  std::string piece;              // "K/N": the K-th of N pieces; empty: the whole run
};

// --piece K/N as the piece's number from 0 and the number of pieces.
std::pair<std::size_t, std::size_t> ChosenPiece(const std::string& text) {
  const std::size_t slash = text.find('/');
  const auto piece = ParseWholeNumber(text.substr(0, slash));
  const auto pieces = ParseWholeNumber(slash == std::string::npos ? "" : text.substr(slash + 1));
  if (!piece || !pieces || *piece < 1 || *piece > *pieces)
    throw CliFailure(kExitUsage, "--piece", Quoted(text) + " is no piece K/N with 1 <= K <= N");
  return {*piece - 1, *pieces};
}

// The settings the options name, checked against the lists of the kind the input is read as,
// before anything is read.
DistanceSettings ChosenSettings(const DistancesOptions& options) {
  const DataKind kind = options.input.Kind();
  DistanceSettings settings = NamedDistanceSettings(kind, options.coefficient, options.missing);
  settings.distances = !options.similarities;
  settings.averaging = options.average;
  return settings;
}

std::string WrittenText(int written, bool averaging) {
  if (written == 0) return averaging ? "no mean" : "no matrix";
  const char* one = averaging ? " mean" : " matrix";
  const char* many = averaging ? " means" : " matrices";
  return std::to_string(written) + (written == 1 ? one : many);
}

// Every data set after the first, on the same input; the first one's matrix is written already.
// dataSets: those of a piece (the first among them, when it is, is written already).
void RunRemainingDataSets(const DistancesOptions& options, const DataSet& first,
                          const DistanceSettings& settings, ItemReader& in, CliOutput& output,
                          Progress& progress, MatrixRows dataSets = {}) {
  try {
    DistanceRunMulti(first, settings, in, output.sink(), progress, dataSets);
  } catch (const IncompleteRunFailure& failure) {
    output.KeepWrittenAfterFailure();  // the matrices of the data sets before it stay
    const int written = static_cast<int>(failure.Written()) + (dataSets.first == 0 ? 1 : 0);
    throw CliFailure(
        kExitUnreadable, InputName(options.input),
        "data set " + std::to_string(failure.DataSet()) + " could not be read: " + failure.Cause(),
        "The output holds " + WrittenText(written, settings.averaging) +
            (written == 1 ? ", that of the data set before it."
                          : ", those of the data sets before it."));
  }
}

// --piece over a file of several data sets: piece K holds a contiguous range of their matrices.
// The file is read once to count them and once more for the run.
int RunDistancesPiece(const DistancesOptions& options, const DistanceSettings& settings,
                      DataSet& data, ItemReader& in, CliContext& context) {
  if (options.input.IsStandardInput())
    throw CliFailure(kExitUsage, "--piece",
                     "a piece of a file of several data sets reads the file twice, and standard "
                     "input can be read once",
                     "Give the file's path.");
  const auto [piece, pieces] = ChosenPiece(options.piece);
  const std::size_t count = 1 + CountDataSets(data, in);
  const MatrixRows dataSets = PieceRows(count, piece, pieces);
  std::optional<ItemReader> again = LoadFirstDataSet(options.input, data, context.err);
  CliOutput output(options.output, context.out);
  NoProgress none;
  try {
    if (dataSets.first == 0 && dataSets.last > 0)
      DistanceMatrixPass(data, settings, output.sink(), none, 1);
    if (dataSets.last > 1)
      RunRemainingDataSets(options, data, settings, *again, output, none, dataSets);
  } catch (const CliFailure&) {
    throw;
  } catch (const RunCancelled&) {
    throw;
  } catch (const Failure&) {
    output.KeepWrittenAfterFailure();
    throw;
  }
  output.Close();
  return kExitOk;
}

int RunDistances(const DistancesOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  if (!options.piece.empty() && options.format != "phylip")
    throw CliFailure(kExitUsage, "--piece",
                     "pieces are written in the phylip layout, whose pieces joined with cat are "
                     "the whole matrix; a " +
                         options.format + " file is written whole");
  const DistanceSettings settings = ChosenSettings(options);
  auto data = std::make_unique<DataSet>();
  std::optional<ItemReader> in = LoadFirstDataSet(options.input, *data, context.err);
  if (options.average && !data->multiSet) {
    throw CliFailure(kExitUsage, "--average",
                     "the file holds one data set; averaging is for files of several");
  }
  if (options.format != "phylip" && data->multiSet) {
    throw CliFailure(kExitUsage, "--format",
                     options.format + " holds one matrix, and the file holds several data sets",
                     "Write them with --format phylip, as PHYLIP's neighbor reads them.");
  }
  RefuseNamesUnlessPhylip(options.output, options.format);
  if (options.output.phylipNames && data->multiSet) {
    // The run reads each later data set with the names its file gives.
    throw CliFailure(kExitUsage, "--phylip-names",
                     "the names of a file of several data sets are those the file holds",
                     "Give --phylip-names to the command that wrote the file.");
  }
  if (!options.piece.empty() && data->multiSet)
    return RunDistancesPiece(options, settings, *data, *in, context);
  PhylipNamesForOutput names(*data, options.output, options.input, false, context.out);
  CliOutput output(options.output, context.out);
  NoProgress none;
  if (options.format != "phylip") {
    const DistanceMatrix matrix = ComputeDistanceMatrix(*data, settings, none);
    WriteDistances(matrix, FileFormatFromName(options.format).value_or(FileFormat::kPhylip),
                   output.sink());
    output.Close();
    return kExitOk;
  }
  if (!data->multiSet) {
    // A failure leaves no file behind: the matrix is put in place only when complete.
    MatrixRows rows;
    if (!options.piece.empty()) {
      const auto [piece, pieces] = ChosenPiece(options.piece);
      rows = PieceRows(data->OtuCount(), piece, pieces);
    }
    DistanceMatrixPass(*data, settings, output.sink(), none, 0, rows);
    output.Close();
    names.Close();
    return kExitOk;
  }
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  shown->Start("Calculating distances");
  try {
    DistanceMatrixPass(*data, settings, output.sink(), none, 1);
    RunRemainingDataSets(options, *data, settings, *in, output, *shown);
  } catch (const CliFailure&) {
    throw;
  } catch (const RunCancelled&) {
    throw;
  } catch (const Failure&) {
    // A cell without a value ends the run; the matrices before it stay, as the failure says.
    output.KeepWrittenAfterFailure();
    throw;
  }
  shown->Advance(100);  // the bar moves with the file read; the last data set ends it
  output.Close();
  return kExitOk;
}

}  // namespace

void AddDistancesCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<DistancesOptions>();
  CLI::App* command = app.add_subcommand(
      "distances", "Write the similarity or distance matrix of every data set of a file");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  AddPhylipNamesOption(*command, options->output);
  const auto defaults = [](DataKind kind) {
    const DistanceSettings settings = DefaultDistanceSettings(kind);
    return std::make_pair(std::string(CoefficientName(settings.coefficient)),
                          std::string(MissingPolicyName(settings.policy)));
  };
  const auto [binaryCoefficient, binaryPolicy] = defaults(DataKind::kBinary);
  const auto [quantitativeCoefficient, quantitativePolicy] = defaults(DataKind::kQuantitative);
  command
      ->add_option("--coefficient", options->coefficient,
                   CoefficientList(DataKind::kBinary) + " (binary, default " + binaryCoefficient +
                       "); " + CoefficientList(DataKind::kQuantitative) +
                       " (quantitative, default " + quantitativeCoefficient + ")")
      ->type_name("NAME");
  command
      ->add_option("--missing", options->missing,
                   "Missing-data value: " + MissingPolicyList(DataKind::kBinary) +
                       " (binary, default " + binaryPolicy + "); " +
                       MissingPolicyList(DataKind::kQuantitative) + " (quantitative, default " +
                       quantitativePolicy + ")")
      ->type_name("NAME");
  command->add_flag("--similarities", options->similarities,
                    "Write similarities instead of distances");
  AddChoiceOption(*command, "--format", options->format, WrittenDistanceFormatNames(),
                  "Layout of the output (default phylip; nexus and csv for one data set: a "
                  "DISTANCES block, or a square table with the names)");
  command
      ->add_option("--piece", options->piece,
                   "Write only the K-th of N pieces (a block of rows; for a file of several "
                   "data sets, a range of its matrices or means): the N pieces joined in order "
                   "are the whole output (phylip layout only)")
      ->type_name("K/N");
  command->add_flag("--average", options->average,
                    "One mean pairwise value per data set (files of several data sets only)");
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunDistances(*options, context); };
  });
}

}  // namespace marbleset::cli
