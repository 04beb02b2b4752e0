#include "trees/cluster_job.h"

#include <filesystem>
#include <sstream>

#include "dataset/output_file.h"
#include "dataset/platform.h"
#include "trees/cluster_templates.h"

namespace marbleset {

namespace {

constexpr std::string_view kBegin = "# --- settings ---\n";
constexpr std::string_view kEnd = "# --- end of settings ---\n";

// A word the command line gets as one: in single quotes where it holds more than letters,
// digits and the few marks a shell leaves alone ('\'' for a quote of its own).
std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789.,_+-/:=") == std::string::npos)
    return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// text between double quotes, for Python and for the shell alike.
std::string DoubleQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string DistanceOptions(const DistanceSettings& distance) {
  return "--coefficient " + ShellWord(std::string(CoefficientName(distance.coefficient))) +
         " --missing " + ShellWord(std::string(MissingPolicyName(distance.policy)));
}

std::string TreeOptions(const TreeSettings& tree) {
  std::ostringstream text;
  text << "--replicates " << tree.replicates << " --resampling " << ResamplingWord(tree.resampling);
  if (tree.resampling == Resampling::kBootstrap) text << " --percent " << tree.percent;
  text << " --method " << TreeMethodWord(tree.method) << ' ' << DistanceOptions(tree.distance)
       << " --seed " << tree.seed;
  return text.str();
}

std::string WithSettings(std::string_view text, const std::string& settings) {
  const std::size_t begin = text.find(kBegin), end = text.find(kEnd);
  return std::string(text.substr(0, begin + kBegin.size())) + settings +
         std::string(text.substr(end));
}

}  // namespace

ClusterJob MakeClusterJob(const ClusterJobSettings& settings) {
  const std::string kind = settings.kind == DataKind::kBinary ? "--binary" : "--quantitative";
  const std::string distance = DistanceOptions(settings.tree.distance);
  const std::string tree = TreeOptions(settings.tree);
  std::ostringstream snake;
  snake << "SETTINGS = {\n    \"data\": " << DoubleQuoted(settings.dataFile)
        << ",\n    \"kind\": \"" << kind
        << "\",\n    \"distance_options\": " << DoubleQuoted(distance)
        << ",\n    \"tree_options\": " << DoubleQuoted(tree)
        << ",\n    \"replicates\": " << settings.tree.replicates
        << ",\n    \"pieces\": " << settings.pieces << ",\n    \"ranges\": " << settings.ranges
        << ",\n    \"cli\": \"marbleset-cli\",\n}\n";
  std::ostringstream slurm;
  slurm << "DATA=${DATA:-" << DoubleQuoted(settings.dataFile) << "}\nKIND=${KIND:-" << kind
        << "}\nDISTANCE_OPTIONS=${DISTANCE_OPTIONS:-" << DoubleQuoted(distance)
        << "}\nTREE_OPTIONS=${TREE_OPTIONS:-" << DoubleQuoted(tree)
        << "}\nREPLICATES=${REPLICATES:-" << settings.tree.replicates << "}\nPIECES=${PIECES:-"
        << settings.pieces << "}\nRANGES=${RANGES:-" << settings.ranges
        << "}\nCLI=${CLI:-marbleset-cli}\n";
  return {WithSettings(kSnakefileTemplate, snake.str()),
          WithSettings(kSlurmScriptTemplate, slurm.str())};
}

void WriteClusterJob(const ClusterJob& job, const std::string& folder) {
  const std::filesystem::path place = platform::FilePath(folder);
  for (const auto& [name, text] :
       {std::pair<std::string, const std::string&>{"Snakefile", job.snakefile},
        {"slurm-array.sh", job.slurmScript}}) {
    OutputFile file(platform::Utf8Path(place / name), ExistingTarget::kReplace);
    file.sink().Append(text);
    file.Close();
  }
  std::error_code ignored;
  std::filesystem::permissions(place / "slurm-array.sh", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add, ignored);
}

}  // namespace marbleset
