#include "dataset/same_output.h"

#include <filesystem>
#include <system_error>

#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "dataset/platform.h"

namespace marbleset {

namespace {

// The path with its folders' links followed and "." and ".." taken away; a file that does not
// exist yet keeps its name.
std::filesystem::path Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(platform::FilePath(path), error);
  if (error) return platform::FilePath(path).lexically_normal();
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : resolved;
}

bool Counts(const std::string& path) {
  return !path.empty() && path != "-";
}

}  // namespace

bool NameOneOutput(const std::string& a, const std::string& b) {
  if (IsSameFile(a, b)) return true;
  return Resolved(a) == Resolved(b);
}

std::pair<std::size_t, std::size_t> SharedOutput(
    const std::vector<std::pair<std::string, std::string>>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (!Counts(outputs[i].second)) continue;
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (Counts(outputs[j].second) && NameOneOutput(outputs[i].second, outputs[j].second)) {
        return {i, j};
      }
    }
  }
  return {0, 0};
}

void RefuseSharedOutput(const std::vector<std::pair<std::string, std::string>>& outputs) {
  const auto [first, second] = SharedOutput(outputs);
  if (first == second) return;
  throw WriteFailure(outputs[second].second + ": " + outputs[first].first + " and " +
                     outputs[second].first +
                     " name this one file, so one would be lost; give each output its own file.");
}

}  // namespace marbleset
