#include "provenance/session_commands.h"

#include <cstdio>
#include <filesystem>

#include "dataset/platform.h"
#include "formats/format_registry.h"
#include "provenance/sha256.h"

namespace marbleset {

namespace {

// "35", "12.5": a setting with at most one decimal, as the CLI's options read it.
std::string OneDecimal(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string shown = text;
  if (shown.ends_with(".0")) shown.resize(shown.size() - 2);
  return shown;
}

using Arguments = std::vector<SessionArgument>;

void Append(Arguments& to, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words) to.push_back({std::string(word)});
}

void AppendDistance(Arguments& to, const DistanceSettings& settings) {
  Append(to, {"--coefficient", CoefficientName(settings.coefficient), "--missing",
              MissingPolicyName(settings.policy)});
  if (!settings.distances) Append(to, {"--similarities"});
}

void AppendTree(Arguments& to, const TreeSettings& settings) {
  Append(to, {"--replicates", std::to_string(settings.replicates), "--resampling",
              ResamplingWord(settings.resampling)});
  if (settings.resampling == Resampling::kBootstrap)
    Append(to, {"--percent", OneDecimal(settings.percent)});
  Append(to, {"--method", TreeMethodWord(settings.method)});
  AppendDistance(to, settings.distance);
  Append(to, {"--seed", std::to_string(settings.seed)});
}

std::string_view RootingOption(const ShownTree& shown, std::string& number) {
  switch (shown.rooting) {
    case TreeRooting::kMidpoint:
      return "midpoint";
    case TreeRooting::kOnOtu:
      number = std::to_string(shown.otu + 1);
      return number;
    case TreeRooting::kAsBuilt:
      break;
  }
  return "";
}

std::string Word(const SessionArgument& argument) {
  if (!argument.inWorkFolder) return ShellQuoted(argument.text);
  return "\"$work\"/" + ShellQuoted(argument.text);
}

}  // namespace

std::string_view GeneratorCommandName(Generator generator) {
  switch (generator) {
    case Generator::kPermutations:
      return "permutations";
    case Generator::kGenStraps:
      return "genstraps";
    case Generator::kRandomResampling:
      return "resample";
    case Generator::kMissStraps:
      return "missstraps";
    case Generator::kNoise:
      return "noise";
    case Generator::kBootStraps:
      break;
  }
  return "bootstraps";
}

std::string ShellQuoted(std::string_view text) {
  const bool plain = !text.empty() && text.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_-+.,/:=@%") == std::string_view::npos;
  if (plain) return std::string(text);
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void SessionCommands::Opened(const SessionInput& input) {
  input_ = input;
  screening_.clear();
  if (folder_.empty()) folder_ = platform::Utf8Path(platform::FilePath(input.path).parent_path());
  dataFiles_.push_back(input.path);
  Arguments arguments{{"info"}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  Add(arguments);
}

void SessionCommands::Cropped(const CropChoice& choice) {
  Arguments arguments{{"crop"}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  const std::pair<bool, std::pair<const char*, const char*>> removals[] = {
      {choice.monomorphic, {"--monomorphic", "monomorphic characters"}},
      {choice.uninformative, {"--uninformative", "uninformative characters"}},
      {choice.charactersWithMissing,
       {"--characters-with-missing", "characters with missing entries"}},
      {choice.otusWithMissing, {"--otus-with-missing", "OTUs with missing entries"}}};
  for (const auto& [chosen, words] : removals) {
    if (!chosen) continue;
    Append(arguments, {words.first});
    screening_.push_back(words.second);
  }
  SessionInput cropped;
  cropped.path = "data-" + std::to_string(++workFiles_) + ".phy";
  cropped.inWorkFolder = true;
  arguments.push_back({cropped.path, true});
  Append(arguments, {"--force"});
  Add(arguments);
  input_ = cropped;
}

void SessionCommands::Saved(const std::string& path, std::string_view layout, bool phylipNames) {
  Arguments arguments{{"convert"}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  const bool overInput =
      !input_.inWorkFolder && platform::FilePath(path).lexically_normal() ==
                                  platform::FilePath(input_.path).lexically_normal();
  if (overInput) {
    // The desktop saves the data in memory over the file it read; the tool never writes over
    // its input, so the data goes through a copy in the script's own folder, which what follows
    // reads.
    SessionInput saved;
    saved.path = "saved-" + std::to_string(++workFiles_);
    saved.inWorkFolder = true;
    saved.kind = input_.kind;
    for (const FormatEntry& entry : Formats())
      if (entry.writtenName == layout) saved.format = entry.format;
    arguments.push_back({saved.path, true});
    Append(arguments, {"--to", layout, "--force"});
    Add(arguments);
    arguments = {{"convert"}};
    const Arguments copy = InputArguments(saved);
    arguments.insert(arguments.end(), copy.begin(), copy.end());
    input_ = saved;
  }
  arguments.push_back(Path(path));
  Append(arguments, {"--to", layout});
  if (phylipNames) Append(arguments, {"--phylip-names"});
  Append(arguments, {"--force"});
  Add(arguments);
}

void SessionCommands::DistancesWritten(const DistanceSettings& settings, std::string_view layout,
                                       bool phylipNames, const std::string& path) {
  Arguments arguments{{"distances"}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  arguments.push_back(Path(path));
  AppendDistance(arguments, settings);
  if (settings.averaging) Append(arguments, {"--average"});
  if (layout != "phylip") Append(arguments, {"--format", layout});
  if (phylipNames) Append(arguments, {"--phylip-names"});
  Append(arguments, {"--force"});
  Add(arguments);
}

void SessionCommands::Generated(const GeneratorSettings& settings, std::uint64_t seed,
                                std::uint64_t skippedDraws, bool phylipNames,
                                const std::string& path) {
  Arguments arguments{{std::string(GeneratorCommandName(settings.generator))}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  arguments.push_back(Path(path));
  Append(arguments, {"--datasets", std::to_string(settings.dataSets)});
  if (UsesPercent(settings.generator))
    Append(arguments, {"--percent", OneDecimal(settings.percent)});
  if (settings.generator == Generator::kRandomResampling)
    Append(arguments, {"--otus", std::to_string(settings.otus)});
  Append(arguments, {"--seed", std::to_string(seed)});
  if (skippedDraws > 0) Append(arguments, {"--skip-draws", std::to_string(skippedDraws)});
  if (phylipNames) Append(arguments, {"--phylip-names"});
  Append(arguments, {"--force"});
  Add(arguments);
}

void SessionCommands::TreeBuilt(const SessionInput& input, const TreeSettings& settings) {
  Arguments arguments{{"tree"}};
  const Arguments read = InputArguments(input);
  arguments.insert(arguments.end(), read.begin(), read.end());
  AppendTree(arguments, settings);
  Add(arguments);
}

void SessionCommands::TreeExported(const SessionInput& input, const TreeSettings& settings,
                                   const ShownTree& shown, bool picture, const std::string& path) {
  Arguments arguments{{"tree"}};
  const Arguments read = InputArguments(input);
  arguments.insert(arguments.end(), read.begin(), read.end());
  // The data's Newick tree is the command's own output; the others come beside the tree it
  // writes to standard output.
  const bool besides = picture || shown.consensus;
  if (picture)
    Append(arguments, {"--picture"});
  else if (shown.consensus)
    Append(arguments, {"--consensus"});
  arguments.push_back(Path(path));
  if (picture && shown.consensus) Append(arguments, {"--picture-of", "consensus"});
  if (picture && shown.cladogram && !shown.consensus) Append(arguments, {"--cladogram"});
  AppendTree(arguments, settings);
  std::string number;
  const std::string_view root = RootingOption(shown, number);
  if (!root.empty()) Append(arguments, {"--root", root});
  Append(arguments, {"--force"});
  Add(arguments, besides);
}

void SessionCommands::PictureExported(const SessionInput& input, PictureKind kind,
                                      const PictureMatrix& matrix, std::size_t groupPrefix,
                                      const std::string& groupFile, bool svg,
                                      const std::string& path) {
  Arguments arguments{{"picture"}, {kind == PictureKind::kHeatMap ? "heatmap" : "pcoa"}};
  if (matrix.settings) {
    const Arguments read = InputArguments(input);
    arguments.insert(arguments.end(), read.begin(), read.end());
  } else {
    arguments.push_back(Path(matrix.distanceFile));
    Append(arguments, {"--distance-file"});
  }
  arguments.push_back(Path(path));
  if (matrix.settings) AppendDistance(arguments, *matrix.settings);
  if (kind == PictureKind::kHeatMap) {
    // Groups colour the principal coordinates only.
  } else if (!groupFile.empty()) {
    Append(arguments, {"--groups"});
    arguments.push_back(Path(groupFile));
  } else if (groupPrefix > 0) {
    Append(arguments, {"--group-prefix", std::to_string(groupPrefix)});
  }
  Append(arguments, {"--format", svg ? "svg" : "png"});
  if (!svg) Append(arguments, {"--scale", "2"});
  Append(arguments, {"--force"});
  Add(arguments);
}

void SessionCommands::MatrixPictureExported(std::optional<std::pair<std::size_t, std::size_t>> zoom,
                                            bool svg, const std::string& path) {
  Arguments arguments{{"picture"}, {"matrix"}};
  const Arguments read = InputArguments(input_);
  arguments.insert(arguments.end(), read.begin(), read.end());
  arguments.push_back(Path(path));
  if (zoom)
    Append(arguments, {"--zoom", zoom->second > 1 ? "1/" + std::to_string(zoom->second)
                                                  : std::to_string(zoom->first)});
  Append(arguments, {"--format", svg ? "svg" : "png"});
  if (!svg) Append(arguments, {"--scale", "2"});
  Append(arguments, {"--force"});
  Add(arguments);
}

void SessionCommands::AmovaRun(const std::string& matrix, const std::string& groups,
                               const std::string& regions) {
  Arguments arguments{{"amova"}, Path(matrix), {"--distance-file"}, {"--groups"}, Path(groups)};
  if (!regions.empty()) {
    Append(arguments, {"--regions"});
    arguments.push_back(Path(regions));
  }
  Add(arguments);
}

void SessionCommands::MantelRun(const std::string& first, const std::string& second,
                                bool spearman) {
  Add({{"mantel"}, Path(first), Path(second), {"--method"}, {spearman ? "spearman" : "pearson"}});
}

void SessionCommands::NetworkRun(const std::string& matrix) {
  Add({{"network"}, Path(matrix), {"--distance-file"}});
}

Arguments SessionCommands::InputArguments(const SessionInput& input) const {
  Arguments arguments;
  arguments.push_back(input.inWorkFolder ? SessionArgument{input.path, true} : Path(input.path));
  if (input.kind == DataKind::kQuantitative) Append(arguments, {"--quantitative"});
  Append(arguments, {"--from", EntryOf(input.format).name});
  if (input.format != FileFormat::kDelimited) return arguments;
  const DelimitedOptions& table = input.table;
  if (table.delimiter != 0)
    Append(arguments, {"--delimiter", table.delimiter == '\t'  ? "tab"
                                      : table.delimiter == ';' ? "semicolon"
                                                               : "comma"});
  if (table.otusAs != OtusAs::kAuto)
    Append(arguments, {"--otus-as", table.otusAs == OtusAs::kRows ? "rows" : "columns"});
  if (table.firstDataColumn)
    Append(arguments, {"--first-data-column", std::to_string(*table.firstDataColumn + 1)});
  for (const std::string& code : table.missingCodes) Append(arguments, {"--missing-code", code});
  return arguments;
}

SessionArgument SessionCommands::Path(const std::string& path) const {
  if (folder_.empty()) return {path};
  const std::filesystem::path relative =
      platform::FilePath(path).lexically_relative(platform::FilePath(folder_));
  const std::u8string generic = relative.generic_u8string();  // UTF-8 and "/" on every system
  const std::string text(generic.begin(), generic.end());
  if (relative.empty() || text.starts_with("..")) return {path};
  // A name that begins like an option is still the file.
  return {text.starts_with('-') ? "./" + text : text};
}

void SessionCommands::Add(Arguments arguments, bool discardStandardOutput) {
  lines_.push_back({std::move(arguments), discardStandardOutput});
}

std::string SessionCommands::Script() const {
  std::string script =
      "#!/bin/sh\n"
      "# A Marbleset desktop session as marbleset-cli commands. Run it in a copy of the data\n"
      "# file's folder; MARBLESET_CLI names the program when it is not on the PATH.\n"
      "set -e\n"
      "cli=${MARBLESET_CLI:-marbleset-cli}\n";
  if (workFiles_ > 0) {
    script +=
        "# The data cropped in memory lives in a folder of the script's own.\n"
        "work=$(mktemp -d)\n"
        "trap 'rm -rf \"$work\"' EXIT\n";
  }
  for (const SessionLine& line : lines_) {
    script += "\"$cli\"";
    for (const SessionArgument& argument : line.arguments) script += ' ' + Word(argument);
    if (line.discardStandardOutput) script += " >/dev/null";
    script += '\n';
  }
  return script;
}

DataFacts FactsOfData(const DataSet& data, const std::string& name,
                      const std::optional<std::string>& sha256) {
  DataFacts facts;
  facts.name = name;
  facts.sha256 = sha256;
  facts.otus = data.OtuCount();
  facts.characters = data.CharCount();
  facts.quantitative = data.IsQuantitative();
  std::size_t missing = 0;
  for (std::size_t otu = 0; otu < data.OtuCount(); ++otu)
    for (std::size_t k = 0; k < data.CharCount(); ++k) missing += data.IsMissing(otu, k) ? 1 : 0;
  const std::size_t cells = data.OtuCount() * data.CharCount();
  facts.missingShare = cells == 0 ? 0.0 : static_cast<double>(missing) / static_cast<double>(cells);
  return facts;
}

MethodsFacts TreeRunFacts(MethodsFacts facts, const TreeSettings& settings) {
  facts.command = "tree";
  facts.distance = settings.distance;
  facts.treeMethod = TreeMethodWord(settings.method);
  DrawFacts draws{.kind = std::string(ResamplingWord(settings.resampling)),
                  .count = settings.replicates,
                  .percent = std::nullopt,
                  .seed = settings.seed};
  if (settings.resampling == Resampling::kBootstrap) draws.percent = settings.percent;
  facts.draws = draws;
  return facts;
}

MethodsFacts DistanceAnalysisFacts(MethodsFacts facts, const std::string& analysis,
                                   const std::vector<std::string>& files, std::size_t permutations,
                                   std::uint64_t seed) {
  facts.data.reset();
  facts.screening.clear();
  facts.command = analysis.substr(0, analysis.find(' '));
  facts.analysis = analysis;
  for (const std::string& file : files)
    facts.distanceFiles.push_back(
        {platform::Utf8Path(platform::FilePath(file).filename()), Sha256OfFile(file)});
  if (permutations > 0)
    facts.draws = DrawFacts{
        .kind = "permutation", .count = permutations, .percent = std::nullopt, .seed = seed};
  return facts;
}

}  // namespace marbleset
