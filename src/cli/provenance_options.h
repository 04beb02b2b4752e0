// --methods FILE and --report FILE, which every subcommand offers: after a run that succeeds,
// the methods paragraph of the run and its JSON run report, each written whole beside the
// outputs. Neither may name the data file or another file of the same command.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace marbleset::cli {

struct ProvenanceOptions {
  std::string methods;
  std::string report;
  bool Wanted() const { return !methods.empty() || !report.empty(); }
};

void AddProvenanceOptions(CLI::App& command, ProvenanceOptions& options);

// Runs work for the parsed command and, when it succeeds, writes the files options ask for.
// arguments: the command line as given.
int RunWithProvenance(const CLI::App& command, const ProvenanceOptions& options,
                      const std::vector<std::string>& arguments, CliContext& context,
                      const std::function<int()>& work);

}  // namespace marbleset::cli
