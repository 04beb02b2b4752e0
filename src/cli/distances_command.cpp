// marbleset-cli distances: the matrix (or the means) that "OK" of the "Calculate distances"
// dialog would write, with the dialog's defaults.
#include <algorithm>
#include <cctype>
#include <memory>

#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/errors.h"
#include "dataset/item_reader.h"
#include "distances/distance_run.h"

namespace marbleset::cli {

namespace {

struct DistancesOptions {
  InputOptions input;
  OutputOptions output;
  std::string coefficient = "Matching";
  std::string missing;  // empty: the dialog's default for the data's kind
  bool similarities = false;
  bool average = false;
};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The entry's position in the list, or -1 after telling err which entries there are.
int Choose(const std::string& option, const std::string& text,
           const std::vector<std::string_view>& entries, const char* kind, std::ostream& err) {
  for (std::size_t n = 0; n < entries.size(); ++n)
    if (SameText(text, entries[n])) return static_cast<int>(n);
  err << option << ": \"" << text << "\" is not one of the " << kind << " entries:";
  for (std::size_t n = 0; n < entries.size(); ++n) err << (n ? ", " : " ") << entries[n];
  err << '\n';
  return -1;
}

int RunDistances(const DistancesOptions& options, CliContext& context) {
  auto data = std::make_unique<DataSet>();
  const int loaded = LoadInput(options.input, *data, context.err);
  if (loaded != kExitOk) return loaded;
  const bool quantitative = data->Quantitative != 0;
  const char* kind = quantitative ? "quantitative" : "binary";
  DistanceSettings settings;
  settings.coefficient = Choose("--coefficient", options.coefficient,
                                CoefficientNames(quantitative), kind, context.err);
  const std::string missing =
      options.missing.empty() ? (quantitative ? "Marker mean" : "0.5") : options.missing;
  settings.policy =
      Choose("--missing", missing, MissingPolicyNames(quantitative), kind, context.err);
  if (settings.coefficient < 0 || settings.policy < 0) return kExitUsage;
  settings.distances = !options.similarities;
  settings.averaging = options.average;
  if (options.average && data->MultiSet == 0) {
    context.err << "--average: the file holds one data set; averaging is for files of several\n";
    return kExitUsage;
  }
  if (data->MultiSet == 0) {
    CliOutput output(options.output, context.out);
    DistanceMatrixPass(*data, settings, output.sink());
    output.Close();
    return kExitOk;
  }
  // As the dialog's run: the data file is opened first, then the output is created.
  ItemReader in = ItemReader::OpenFile(data->DataFileName);
  CliOutput output(options.output, context.out);
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  Progress& progress = *shown;
  progress.Start("Calculating distances");
  DistanceRunMulti(*data, settings, in, output.sink(), progress);
  progress.Advance(100);  // the run's bar stops where the last data set began
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
  command->add_option("--coefficient", options->coefficient,
                      "Matching, Jaccard or Nei (binary); Matching, Euclidean, Tax. distance or "
                      "Correlation (quantitative); default Matching");
  command->add_option("--missing", options->missing,
                      "Missing-data value: 0, 0.5, 1, Marker mean, Marker mode or Ignore "
                      "(binary, default 0.5); 0, Marker mean, Marker mode or Ignore "
                      "(quantitative, default Marker mean)");
  command->add_flag("--similarities", options->similarities,
                    "Write similarities instead of distances");
  command->add_flag("--average", options->average,
                    "One mean pairwise value per data set (files of several data sets only)");
  command->callback([options, &context] {
    context.action = [options, &context] { return RunDistances(*options, context); };
  });
}

}  // namespace marbleset::cli
