#include "cli/provenance_options.h"

#include <chrono>
#include <ctime>
#include <sstream>

#include "cli/cli_io.h"
#include "dataset/same_output.h"
#include "distances/distance_run.h"
#include "distances/permutation_test.h"
#include "formats/phylip_names.h"
#include "marbleset_version.h"
#include "provenance/methods_text.h"
#include "provenance/run_report.h"
#include "provenance/session_commands.h"
#include "provenance/sha256.h"
#include "resampling/generator_settings.h"
#include "trees/tree_settings.h"

namespace marbleset::cli {

namespace {

// The values the user gave an option of command, joined by blanks; empty when not given.
std::string Given(const CLI::App& command, const std::string& name) {
  const CLI::Option* option = command.get_option_no_throw(name);
  if (option == nullptr || option->count() == 0) return "";
  std::string text;
  for (const std::string& value : option->results()) text += (text.empty() ? "" : " ") + value;
  return text.empty() ? "true" : text;
}

bool Has(const CLI::App& command, const std::string& name) {
  return command.get_option_no_throw(name) != nullptr;
}

template <typename Number>
Number GivenOr(const CLI::App& command, const std::string& name, Number fallback) {
  const std::string text = Given(command, name);
  if (text.empty()) return fallback;
  std::istringstream in(text);
  Number value = fallback;
  in >> value;
  return value;
}

// The files a command reads and writes, as the user named them.
struct CommandFiles {
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
};

CommandFiles FilesOf(const CLI::App& command, const CliContext& context) {
  const std::string name = command.get_name();
  CommandFiles files;
  const std::size_t inputCount = name == "mantel" ? 2 : 1;
  for (std::size_t k = 0; k < context.paths.size(); ++k) {
    (k < inputCount ? files.inputs : files.outputs).push_back(context.paths[k]);
  }
  const auto add = [&command](std::vector<std::string>& list, const std::string& option) {
    const CLI::Option* given = command.get_option_no_throw(option);
    if (given == nullptr) return;
    for (const std::string& path : given->results()) list.push_back(path);
  };
  for (const char* option : {"--groups", "--regions", "--table"}) add(files.inputs, option);
  for (const char* option : {"--consensus", "--matrices", "--picture"}) add(files.outputs, option);
  add(name == "support" ? files.inputs : files.outputs, "--replicate-trees");
  if (!Given(command, "--phylip-names").empty() && files.outputs.size() > 0)
    files.outputs.push_back(NameTablePath(files.outputs.front()));
  // A path named twice (groups also given as INPUT by a command) counts once.
  for (std::vector<std::string>* list : {&files.inputs, &files.outputs}) {
    std::vector<std::string> distinct;
    for (const std::string& path : *list) {
      bool seen = path.empty();
      for (const std::string& other : distinct) seen = seen || other == path;
      if (!seen) distinct.push_back(path);
    }
    *list = distinct;
  }
  return files;
}

void RefuseClash(const std::string& option, const std::string& path, const CommandFiles& files) {
  if (path == "-")
    throw CliFailure(kExitUsage, option,
                     "needs a file; standard output carries the command's own output");
  for (const std::vector<std::string>* list : {&files.inputs, &files.outputs}) {
    for (const std::string& other : *list) {
      if (other != "-" && NameOneOutput(path, other))
        throw CliFailure(kExitFailed, Quoted(path),
                         "this is " + Quoted(other) + ", a file the command reads or writes",
                         "Choose another file for " + option + ".");
    }
  }
}

// The facts of the data file as the command reads it; data is left holding what was read.
std::optional<DataFacts> ReadDataFacts(const CLI::App& command, const std::string& path,
                                       DataSet& data) {
  if (path == "-") {
    DataFacts facts;
    facts.name = "standard input";
    return facts;
  }
  InputOptions input;
  input.path = path;
  input.quantitative = !Given(command, "--quantitative").empty();
  input.from = Given(command, "--from");
  input.layout = Given(command, "--layout");
  input.otusAs = Given(command, "--otus-as");
  input.delimiter = Given(command, "--delimiter");
  const std::string column = Given(command, "--first-data-column");
  if (!column.empty()) input.firstDataColumn = ParseWholeNumber(column);
  if (const CLI::Option* codes = command.get_option_no_throw("--missing-code"))
    input.missingCodes = codes->results();
  std::ostringstream notes;
  LoadInput(input, data, notes);
  return FactsOfData(data, path, Sha256OfFile(path));
}

// --root as the methods tell it: an OTU by its name where the data was read.
void DescribeRooting(const std::string& root, const DataSet& data, MethodsFacts& facts) {
  if (root.empty()) return;
  if (root == "midpoint") {
    facts.rootedAtMidpoint = true;
    return;
  }
  const std::optional<std::uint64_t> number = ParseWholeNumber(root);
  if (number && *number >= 1 && *number <= data.OtuCount())
    facts.rootedOnOtu = TrimmedName(data.otuNames[*number - 1]);
  else
    facts.rootedOnOtu = "OTU " + root;
}

std::optional<Generator> GeneratorNamed(const std::string& name) {
  if (name == "bootstraps") return Generator::kBootStraps;
  if (name == "permutations") return Generator::kPermutations;
  if (name == "genstraps") return Generator::kGenStraps;
  if (name == "resample") return Generator::kRandomResampling;
  if (name == "missstraps") return Generator::kMissStraps;
  if (name == "noise") return Generator::kNoise;
  return std::nullopt;
}

void AddDraws(const CLI::App& command, MethodsFacts& facts) {
  const std::string name = command.get_name();
  if (const std::optional<Generator> generator = GeneratorNamed(name)) {
    DrawFacts draws{.kind = name,
                    .count = GivenOr<std::size_t>(
                        command, "--datasets", static_cast<std::size_t>(kDataSetCountBounds.start)),
                    .percent = std::nullopt,
                    .seed = GivenOr<std::uint64_t>(command, "--seed", GeneratorSettings{}.seed)};
    if (UsesPercent(*generator))
      draws.percent = GivenOr<double>(command, "--percent", PercentBounds(*generator).start);
    facts.draws = draws;
  } else if (name == "tree") {
    const TreeSettings defaults;
    std::string kind = Given(command, "--resampling");
    DrawFacts draws{.kind = kind.empty() ? "bootstrap" : kind,
                    .count = GivenOr<std::size_t>(command, "--replicates", defaults.replicates),
                    .percent = std::nullopt,
                    .seed = GivenOr<std::uint64_t>(command, "--seed", defaults.seed)};
    if (draws.kind == "bootstrap")
      draws.percent = GivenOr<double>(command, "--percent", defaults.percent);
    facts.draws = draws;
  } else if (name == "amova" || name == "mantel") {
    const PermutationSettings defaults;
    const std::size_t count =
        GivenOr<std::size_t>(command, "--permutations", defaults.permutations);
    if (count > 0)
      facts.draws = DrawFacts{.kind = "permutation",
                              .count = count,
                              .percent = std::nullopt,
                              .seed = GivenOr<std::uint64_t>(command, "--seed", defaults.seed)};
  }
}

MethodsFacts FactsOf(const CLI::App& command, const CommandFiles& files) {
  const std::string name = command.get_name();
  MethodsFacts facts;
  DataSet data;
  facts.version = MARBLESET_VERSION;
  facts.command = name;
  const bool readsData = Has(command, "--binary");
  const bool fromFile =
      !Given(command, "--distances").empty() || !Given(command, "--distance-file").empty();
  // Commands that read neither data nor distances (restore-names reads a tree) describe no input.
  if (name == "mantel" || (readsData && fromFile)) {
    for (std::size_t k = 0; k < files.inputs.size() && k < (name == "mantel" ? 2u : 1u); ++k) {
      const std::string& path = files.inputs[k];
      facts.distanceFiles.push_back(
          {path == "-" ? "standard input" : path, path == "-" ? std::nullopt : Sha256OfFile(path)});
    }
  } else if (readsData && !files.inputs.empty()) {
    facts.data = ReadDataFacts(command, files.inputs.front(), data);
  }
  const std::pair<const char*, const char*> screens[] = {
      {"--monomorphic", "monomorphic characters"},
      {"--uninformative", "uninformative characters"},
      {"--characters-with-missing", "characters with missing entries"},
      {"--otus-with-missing", "OTUs with missing entries"}};
  for (const auto& [option, words] : screens)
    if (!Given(command, option).empty()) facts.screening.push_back(words);
  const std::string picture = Given(command, "PICTURE");
  if (Has(command, "--coefficient") && !fromFile && picture != "matrix") {
    const DataKind kind =
        facts.data && facts.data->quantitative ? DataKind::kQuantitative : DataKind::kBinary;
    DistanceSettings settings =
        NamedDistanceSettings(kind, Given(command, "--coefficient"), Given(command, "--missing"));
    settings.distances = Given(command, "--similarities").empty();
    settings.averaging = !Given(command, "--average").empty();
    facts.distance = settings;
  }
  if (name == "tree" || name == "support") {
    facts.treeMethod = Given(command, "--method");
    if (facts.treeMethod.empty()) facts.treeMethod = "nj";
    DescribeRooting(Given(command, "--root"), data, facts);
  }
  if (name == "amova" || name == "network") facts.analysis = name;
  if (name == "mantel")
    facts.analysis = "mantel " + GivenOr<std::string>(command, "--method", "pearson");
  if (picture == "pcoa") facts.analysis = "pcoa";
  AddDraws(command, facts);
  return facts;
}

std::vector<FileDigest> Digests(const std::vector<std::string>& paths) {
  std::vector<FileDigest> digests;
  for (const std::string& path : paths)
    digests.push_back({path, path == "-" ? std::nullopt : Sha256OfFile(path)});
  return digests;
}

RunRecord RecordOf(const CLI::App& command, const std::vector<std::string>& arguments,
                   const CommandFiles& files) {
  RunRecord record;
  record.version = MARBLESET_VERSION;
  record.commandLine = arguments;
  record.inputs = Digests(files.inputs);
  record.outputs = Digests(files.outputs);
  for (const CLI::Option* option : command.get_options()) {
    const std::string name = option->get_name();
    if (option->count() == 0 || name == "--methods" || name == "--report" || name == "--help")
      continue;
    record.settings.emplace_back(name, Given(command, name));
  }
  const std::string seed = Given(command, "--seed");
  if (!seed.empty()) record.seed = ParseWholeNumber(seed);
  return record;
}

void WriteText(const std::string& path, const std::string& text, bool force, CliContext& context) {
  OutputOptions options;
  options.path = path;
  options.force = force;
  CliOutput output(options, context.out);
  output.sink().Append(text);
  output.Close();
}

}  // namespace

void AddProvenanceOptions(CLI::App& command, ProvenanceOptions& options) {
  command
      .add_option("--methods", options.methods,
                  "Also write a methods paragraph of the run, with its references, to FILE")
      ->type_name("FILE");
  command
      .add_option("--report", options.report,
                  "Also write a JSON record of the run (version, command line, settings, seed, "
                  "SHA-256 of inputs and outputs, times) to FILE")
      ->type_name("FILE");
}

int RunWithProvenance(const CLI::App& command, const ProvenanceOptions& options,
                      const std::vector<std::string>& arguments, CliContext& context,
                      const std::function<int()>& work) {
  const CommandFiles files = FilesOf(command, context);
  if (!options.methods.empty()) RefuseClash("--methods", options.methods, files);
  if (!options.report.empty()) RefuseClash("--report", options.report, files);
  if (!options.methods.empty() && !options.report.empty() &&
      NameOneOutput(options.methods, options.report))
    throw CliFailure(kExitUsage, "--report", "names the file of --methods");
  const bool force = !Given(command, "--force").empty();
  const auto wallStart = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  const int status = work();
  if (status != kExitOk) return status;
  if (!options.methods.empty())
    WriteText(options.methods, MethodsText(FactsOf(command, files)), force, context);
  if (!options.report.empty()) {
    RunRecord record = RecordOf(command, arguments, files);
    record.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    record.cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    WriteText(options.report, RunReportJson(record), force, context);
  }
  return status;
}

}  // namespace marbleset::cli
