// The methods paragraph of a run: what a researcher pastes into a paper to say how a result was
// made. It names the data (file, SHA-256, OTUs, characters, missing share), the screening, the
// coefficient with its formula, the missing-data rule, the tree method and rooting, the
// resampling with its seed, the program and version, and the references of the methods used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "distances/distance_settings.h"

namespace marbleset {

struct DataFacts {
  std::string name;  // the file as the user named it, or "standard input"
  std::optional<std::string> sha256;
  std::size_t otus = 0;
  std::size_t characters = 0;
  double missingShare = 0;  // of all entries, from 0 to 1
  bool quantitative = false;
};

// Replicates, generated data sets or permutations, and the seed their draws start from.
struct DrawFacts {
  std::string kind;  // "bootstrap", "classic", "jackknife", a generator's command, "permutation"
  std::size_t count = 0;
  std::optional<double> percent;
  std::uint64_t seed = 0;
};

struct MethodsFacts {
  std::string program = "Marbleset";
  std::string version;
  std::string command;  // the marbleset-cli subcommand
  std::optional<DataFacts> data;
  std::vector<std::string> screening;  // what was removed, in words ("monomorphic characters")
  std::optional<DistanceSettings> distance;
  // Distance files read instead of data: each as named, with its SHA-256 when known.
  std::vector<std::pair<std::string, std::optional<std::string>>> distanceFiles;
  std::string treeMethod;  // "nj", "upgma" or empty
  // Where the tree written was rooted: as built when neither is set.
  bool rootedAtMidpoint = false;
  std::optional<std::string> rootedOnOtu;  // the OTU whose branch holds the root
  std::string analysis;  // "amova", "mantel pearson", "mantel spearman", "network", "pcoa", ...
  std::optional<DrawFacts> draws;
};

// The paragraph, then its references, one a line; the same facts give the same text.
std::string MethodsText(const MethodsFacts& facts);

}  // namespace marbleset
