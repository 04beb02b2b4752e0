// The options of a supported-tree run that marbleset-cli's tree and support commands share:
// the resampling, the tree method, the distance and the seed, turned into the core's settings.
// Both commands take them alike, so the pieces of one run are given the same words.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "dataset/data_set.h"
#include "trees/tree_settings.h"

namespace marbleset::cli {

struct TreeSettingOptions {
  std::optional<std::size_t> replicates;
  std::string resampling = "bootstrap";
  std::optional<double> percent;
  std::string method = "nj";
  std::string coefficient;  // empty: the core's default for the data's kind
  std::string missing;
  std::optional<std::uint64_t> seed;
};

void AddTreeSettingOptions(CLI::App& command, TreeSettingOptions& options);

// The settings the options name for data, checked by the core.
TreeSettings ChosenTreeSettings(const TreeSettingOptions& options, const DataSet& data);

// The text of the file at path; ReadFailure naming it when it cannot be read.
std::string FileText(const std::string& path);

}  // namespace marbleset::cli
