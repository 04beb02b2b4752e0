// The options every subcommand of marbleset-cli shares: the input and its kind and layout, the
// output and --force, list entries by name, and numbers checked in full against the core's
// bounds before anything is converted or read.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_messages.h"
#include "dataset/data_set.h"
#include "distances/distance_settings.h"
#include "resampling/generator_settings.h"

namespace marbleset::cli {

// Where a subcommand writes: its text to out, its errors to err. After parsing, a subcommand's
// callback puts its work into action; RunCli runs it inside RunGuarded.
struct CliContext {
  std::ostream& out;
  std::ostream& err;
  std::function<int()> action;
  // The command's input and output paths: failure texts of the core that begin with one get it
  // quoted.
  std::vector<std::string> paths;
  // Runs over several data sets draw a progress bar on err: only when err is a terminal and
  // --quiet was not given.
  bool showProgress = false;
};

// The input of a subcommand: INPUT ("-" for standard input) with --binary (the default) or
// --quantitative, and its format: --from (auto, phylip, ntsys, table, nexus, vcf), or --layout
// phylip|ntsys; auto tells the format of a file by its content and name, and takes
// NTSYS for a name ending in ".nts" and PHYLIP otherwise where nothing tells (standard input,
// pipes and FIFOs, which are never looked into before they are read).
struct InputOptions {
  std::string path;
  bool binary = false;
  bool quantitative = false;
  std::string layout;     // "phylip", "ntsys" or empty
  std::string from;       // a format name, or empty for auto
  std::string otusAs;     // tables: "rows", "columns" or empty for the guess
  std::string delimiter;  // tables: "tab", "semicolon", "comma" or empty for the guess
  // Tables: the first column of values, counted from 1 as users count (unset: the guess), and
  // codes read as missing besides NA, ?, -, . and the empty cell.
  std::optional<std::size_t> firstDataColumn;
  std::vector<std::string> missingCodes;

  DataKind Kind() const { return quantitative ? DataKind::kQuantitative : DataKind::kBinary; }
  bool IsStandardInput() const { return path == "-"; }
};

// Which kinds a subcommand reads: commands for binary data only do not offer --quantitative.
enum class KindsRead { kBoth, kBinaryOnly };
void AddInputOptions(CLI::App& command, InputOptions& options, KindsRead kinds = KindsRead::kBoth);

// The output of a subcommand: OUTPUT ("-" for standard output, also when it is left out) and
// --force to replace an existing file. Add it after AddInputOptions so OUTPUT follows INPUT.
struct OutputOptions {
  std::string path = "-";
  bool force = false;
  bool phylipNames = false;  // --phylip-names, on commands whose output may be PHYLIP
  bool IsStandardOutput() const { return path == "-"; }
};
void AddOutputOptions(CLI::App& command, OutputOptions& options);
// --phylip-names: names of at most 10 characters, unique, with their table beside OUTPUT.
void AddPhylipNamesOption(CLI::App& command, OutputOptions& options);

// Decimal digits only (no sign, no blanks, no base prefix, no exponent), within 0 to 2^64 - 1.
std::optional<std::uint64_t> ParseWholeNumber(std::string_view text);
// Decimal digits with at most one decimal after a full stop ("35", "12.5").
std::optional<double> ParseOneDecimal(std::string_view text);

// "a whole number from 10 to 1000": the range as messages and help show it.
std::string WholeRange(const SettingBounds& bounds);

// A count option (shown as INT) within bounds; a value that is not a whole number or lies
// outside them is a usage error that names the bounds.
CLI::Option* AddCountOption(CLI::App& command, const std::string& name,
                            std::optional<std::size_t>& value, const SettingBounds& bounds,
                            const std::string& description);
// A percentage (shown as NUMBER) with at most one decimal, within bounds.
CLI::Option* AddPercentOption(CLI::App& command, const std::string& name,
                              std::optional<double>& value, const SettingBounds& bounds,
                              const std::string& description);
// --seed: a whole number from 0 to 2^64 - 1; anything else, -1 and 2^64 included, is refused.
CLI::Option* AddSeedOption(CLI::App& command, std::optional<std::uint64_t>& seed);

// --coefficient NAME and --missing NAME of a command that works out distances, named as for
// "distances".
void AddDistanceSettingOptions(CLI::App& command, std::string& coefficient, std::string& missing);

// text as a count within bounds known only once the data is read (--otus); throws CliFailure
// with kExitUsage naming option and bounds otherwise. Counts too large for any type are refused
// like any other value beyond the bounds.
std::size_t CheckedCount(const std::string& option, std::string_view text,
                         const SettingBounds& bounds);

// An option whose value is one of entries, matched without regard to case; value receives the
// entry as the list writes it.
CLI::Option* AddChoiceOption(CLI::App& command, const std::string& name, std::string& value,
                             std::vector<std::string_view> entries, const std::string& description);

// A value as a plain number, the way files and messages show it: 2, -9999, 0.5.
std::string PlainNumber(double value);

// The names of kind's coefficients or missing-data values, as a list for messages and help
// ("Matching, Jaccard, Nei").
std::string CoefficientList(DataKind kind);
std::string MissingPolicyList(DataKind kind);

// The distance settings that --coefficient and --missing name for data of kind, the kind's
// defaults where a name is empty; a name kind's lists do not offer is a usage failure that lists
// the entries it does offer.
DistanceSettings NamedDistanceSettings(DataKind kind, const std::string& coefficient,
                                       const std::string& missing);

}  // namespace marbleset::cli
