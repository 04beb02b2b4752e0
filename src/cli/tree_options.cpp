#include "cli/tree_options.h"

#include <cerrno>
#include <fstream>
#include <span>
#include <sstream>
#include <vector>

#include "cli/cli_options.h"
#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset::cli {

namespace {

// The core's kinds or methods by their command-line words, for the choices and back.
template <typename Kind>
std::vector<std::string_view> WordsOf(std::span<const Kind> kinds, std::string_view (*word)(Kind)) {
  std::vector<std::string_view> words;
  for (const Kind kind : kinds) words.push_back(word(kind));
  return words;
}

template <typename Kind>
Kind KindNamed(std::span<const Kind> kinds, std::string_view (*word)(Kind),
               const std::string& name) {
  for (const Kind kind : kinds)
    if (word(kind) == name) return kind;
  return kinds.front();  // the option's default
}

}  // namespace

void AddTreeSettingOptions(CLI::App& command, TreeSettingOptions& options) {
  AddCountOption(command, "--replicates", options.replicates, kReplicateBounds,
                 "Replicate data sets drawn in memory");
  AddChoiceOption(command, "--resampling", options.resampling,
                  WordsOf(ResamplingKinds(), ResamplingWord),
                  "bootstrap: each character replaced with --percent (default); classic: all "
                  "characters drawn with replacement; jackknife: half the characters");
  AddPercentOption(command, "--percent", options.percent, kReplicatePercentBounds,
                   "\"Bootstrap %\" of --resampling bootstrap");
  AddChoiceOption(command, "--method", options.method, WordsOf(TreeMethods(), TreeMethodWord),
                  "nj: neighbor-joining (default); upgma");
  AddDistanceSettingOptions(command, options.coefficient, options.missing);
  AddSeedOption(command, options.seed);
}

TreeSettings ChosenTreeSettings(const TreeSettingOptions& options, const DataSet& data) {
  TreeSettings settings = DefaultTreeSettings(data);
  if (options.replicates) settings.replicates = *options.replicates;
  settings.resampling = KindNamed(ResamplingKinds(), ResamplingWord, options.resampling);
  if (options.percent) {
    if (settings.resampling != Resampling::kBootstrap)
      throw CliFailure(kExitUsage, "--percent", "applies to --resampling bootstrap only");
    settings.percent = *options.percent;
  }
  settings.method = KindNamed(TreeMethods(), TreeMethodWord, options.method);
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
