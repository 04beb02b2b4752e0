// What every subcommand of marbleset-cli shares: reading its input as the open commands do,
// writing its output to a file or standard output, the exit statuses, and options whose values
// are list entries or bounded numbers of the program's dialogs.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_loader.h"
#include "dataset/data_set.h"
#include "dataset/text_sink.h"

namespace marbleset::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;       // the command line itself is wrong
inline constexpr int kExitUnreadable = 3;  // the input cannot be read
inline constexpr int kExitFailed = 4;      // the output cannot be written, or the run fails

// Where a subcommand writes: its text to out, its one-line errors to err. After parsing, a
// subcommand's callback puts its work into action; RunCli runs it inside RunGuarded.
struct CliContext {
  std::ostream& out;
  std::ostream& err;
  std::function<int()> action;
  // Runs over several data sets draw a progress bar on err: only when err is a terminal and
  // --quiet was not given.
  bool show_progress = false;
};

// The input of a subcommand: INPUT with --binary (the default) or --quantitative, and --layout
// phylip|ntsys, by default NTSYS for a name ending in ".nts" and PHYLIP otherwise.
struct InputOptions {
  std::string path;
  bool binary = false;
  bool quantitative = false;
  std::string layout;  // "phylip", "ntsys" or empty for the default by name

  DataKind Kind() const { return quantitative ? DataKind::kQuantitative : DataKind::kBinary; }
  Layout ChosenLayout() const;
};
void AddInputOptions(CLI::App& command, InputOptions& options);

// Reads the input as the open commands would. Returns kExitOk, or writes the reason to err (a
// read finding without " Open in Notepad?", or the failure's text) and returns kExitUnreadable.
int LoadInput(const InputOptions& options, DataSet& data, std::ostream& err);

// LoadInput for a command the menus offer for one data set only: a file of several is refused
// with kExitUsage and "<path>: the file holds several data sets; <refusal>.".
int LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal,
                      std::ostream& err);

// The output of a subcommand: OUTPUT ("-" for standard output, also when it is left out) and
// --force to replace an existing file. Add it after AddInputOptions so OUTPUT follows INPUT.
struct OutputOptions {
  std::string path = "-";
  bool force = false;
};
void AddOutputOptions(CLI::App& command, OutputOptions& options);

// The output opened for writing. Throws WriteFailure when an existing file would be replaced
// without --force or when the file cannot be created.
class CliOutput {
 public:
  CliOutput(const OutputOptions& options, std::ostream& standard_output);
  TextSink& sink();
  // The full path, or "-" for standard output.
  const std::string& path() const { return path_; }
  // Writes out everything; throws WriteFailure when that fails.
  void Close();

 private:
  std::string path_;
  std::unique_ptr<TextSink> stdout_sink_;
  std::unique_ptr<OutputFile> file_;
};

// The data set saved as "Save data as..." does: layout 0 PHYLIP, 1 NTSYS.
void SaveToOutput(const DataSet& data, int layout, const OutputOptions& options,
                  std::ostream& standard_output);

// Runs a subcommand's work, turning failures into one line on err and an exit status:
// ReadFailure gives kExitUnreadable, every other failure kExitFailed.
int RunGuarded(std::ostream& err, const std::function<int()>& work);

// An option whose value is one of entries (a dialog's list), matched without regard to case;
// index receives the entry's 0-based position.
CLI::Option* AddChoiceOption(CLI::App& command, const std::string& name, int& index,
                             std::vector<std::string_view> entries, const std::string& description);

// A number checked against the dialog's bounds; a value outside them is a usage error that
// names the bounds.
CLI::Option* AddBoundedOption(CLI::App& command, const std::string& name, double& value,
                              double lowest, double highest, const std::string& description);
CLI::Option* AddBoundedOption(CLI::App& command, const std::string& name, int& value, int lowest,
                              int highest, const std::string& description);

// A value as a plain number, the way files and messages show it: 2, -9999, 0.5.
std::string PlainNumber(double value);

}  // namespace marbleset::cli
