#include "cli/tree_options.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include "cli/cli_options.h"
#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset::cli {

namespace {

Resampling ResamplingOf(const std::string& name) {
  for (const Resampling kind : ResamplingKinds())
    if (ResamplingWord(kind) == name) return kind;
  return Resampling::kBootstrap;
}

}  // namespace

void AddTreeSettingOptions(CLI::App& command, TreeSettingOptions& options) {
  AddCountOption(command, "--replicates", options.replicates, kReplicateBounds,
                 "Replicate data sets drawn in memory");
  AddChoiceOption(command, "--resampling", options.resampling,
                  {"bootstrap", "classic", "jackknife"},
                  "bootstrap: each character replaced with --percent (default); classic: all "
                  "characters drawn with replacement; jackknife: half the characters");
  AddPercentOption(command, "--percent", options.percent, kReplicatePercentBounds,
                   "\"Bootstrap %\" of --resampling bootstrap");
  AddChoiceOption(command, "--method", options.method, {"nj", "upgma"},
                  "nj: neighbor-joining (default); upgma");
  AddDistanceSettingOptions(command, options.coefficient, options.missing);
  AddSeedOption(command, options.seed);
}

TreeSettings ChosenTreeSettings(const TreeSettingOptions& options, const DataSet& data) {
  TreeSettings settings = DefaultTreeSettings(data);
  if (options.replicates) settings.replicates = *options.replicates;
  settings.resampling = ResamplingOf(options.resampling);
  if (options.percent) {
    if (settings.resampling != Resampling::kBootstrap)
      throw CliFailure(kExitUsage, "--percent", "applies to --resampling bootstrap only");
    settings.percent = *options.percent;
  }
  settings.method = options.method == "upgma" ? TreeMethod::kUpgma : TreeMethod::kNeighborJoining;
  const DistanceSettings named =
      NamedDistanceSettings(data.Kind(), options.coefficient, options.missing);
  settings.distance.coefficient = named.coefficient;
  settings.distance.policy = named.policy;
  if (options.seed) settings.seed = *options.seed;
  CheckTreeSettings(settings, data);
  return settings;
}

std::string FileText(const std::string& path) {
  errno = 0;
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  return std::move(text).str();
}

}  // namespace marbleset::cli
