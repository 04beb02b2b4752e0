// Reading the input and writing the output of a subcommand: the input opened once (a file or
// standard input), read findings and failures turned into the tool's error shape with a hint on
// the kind of data, and outputs that never replace the data file and appear under their name
// only when complete.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "dataset/data_set.h"
#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "dataset/text_sink.h"
#include "formats/file_format.h"
#include "formats/item_reader.h"
#include "formats/phylip_names.h"

namespace marbleset::cli {

// The format the input is read in: --from or --layout, else by the file's content and name
// (only a regular file is looked into; what a pipe or FIFO gives can be read only once), else
// PHYLIP.
FileFormat InputFormat(const InputOptions& options);

// Reads the first data set of the input into data. For the PHYLIP and NTSYS layouts it returns
// the input, standing at the next data set, so that a file of several is read through one open
// from its start; other formats hold one data set and give nothing. A read finding or failure
// throws CliFailure with kExitUnreadable: the file, the finding, where it happened as far as
// known, and a hint to the other kind when the data looks like it. Notes on what a read left out
// (variants of a VCF file) go to notes.
std::optional<ItemReader> LoadFirstDataSet(const InputOptions& options, DataSet& data,
                                           std::ostream& notes);

// The tool's error for a failed read of the input: the input as subject, the place within it and
// the reason, with advice by the failure's kind (and by hint, what the data looked like).
CliFailure UnreadableInput(const InputOptions& options, const ReadFailure& failure,
                           KindHint hint = KindHint::kNone);

// LoadFirstDataSet for commands that need the first data set only.
void LoadInput(const InputOptions& options, DataSet& data, std::ostream& notes);

// LoadInput for a command offered for one data set only: a file of several is refused with
// kExitUsage and "FILE: the file holds several data sets; <refusal>.".
void LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal,
                       std::ostream& notes);
// The same with notes on the process's standard error.
void LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal);

// How messages name the input: its path quoted, or "standard input".
std::string InputName(const InputOptions& options);

// Refuses (CliFailure, kExitFailed) an output that is the input's own file, however spelled or
// linked; every command calls it before it reads or writes anything.
void RefuseInputAsOutput(const OutputOptions& output, const InputOptions& input);

// The output opened for writing: standard output, or a temporary beside OUTPUT that Close puts
// in its place. Without --force, an OUTPUT that exists (now or at the moment of the rename) is
// refused. Failures throw CliFailure (kExitFailed) naming OUTPUT.
class CliOutput {
 public:
  CliOutput(const OutputOptions& options, std::ostream& standardOutput);
  TextSink& sink();
  // Writes out everything; the file is in place afterwards.
  void Close();
  // After a failure of a run that it reports: what was written goes into place all the same.
  // Never throws: when even that fails, the run's own failure is the one to report.
  void KeepWrittenAfterFailure() noexcept;

 private:
  std::string path_;
  std::unique_ptr<TextSink> standardSink_;
  std::unique_ptr<OutputFile> file_;
};

// --phylip-names on an output: while it lives, the data's OTUs carry names of at most 10
// characters (OTUs of one name share theirs when keepEqualNamesEqual, as GenStraps draws among
// them); Close writes the table of written and original names beside OUTPUT. Does nothing
// without --phylip-names. Refuses standard output (the table needs a place) and a table path
// that is the input file.
class PhylipNamesForOutput {
 public:
  PhylipNamesForOutput(DataSet& data, const OutputOptions& output, const InputOptions& input,
                       bool keepEqualNamesEqual, std::ostream& standardOutput);
  ~PhylipNamesForOutput();
  void Close();

 private:
  std::unique_ptr<ScopedOtuNames> scoped_;
  std::unique_ptr<CliOutput> table_;
};

// Refuses --phylip-names (kExitUsage) for an output in a format other than "phylip".
void RefuseNamesUnlessPhylip(const OutputOptions& output, std::string_view format);

// The data set saved as "Save data as..." does, in one of WrittenDataFormatNames().
void SaveToOutput(const DataSet& data, std::string_view format, const OutputOptions& options,
                  std::ostream& standardOutput);

// Runs a subcommand's work, turning failures into the error shape on err and an exit status:
// CliFailure its own, ReadFailure kExitUnreadable, every other failure kExitFailed. The files
// failures name are quoted.
int RunGuarded(CliContext& context, const std::function<int()>& work);

}  // namespace marbleset::cli
