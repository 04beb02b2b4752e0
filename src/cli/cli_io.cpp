#include "cli/cli_io.h"

#include <iostream>
#include <new>
#include <utility>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "formats/data_io.h"
#include "formats/format_registry.h"
#include "formats/read_status.h"

namespace marbleset::cli {

namespace {

std::string KindHintLine(KindHint hint, DataKind kindRead) {
  if (hint == KindHint::kLooksQuantitative && kindRead == DataKind::kBinary) {
    return "If the file holds quantitative data, add --quantitative.";
  }
  if (hint == KindHint::kLooksBinary && kindRead == DataKind::kQuantitative) {
    return "If the file holds binary data, leave out --quantitative.";
  }
  return "";
}

// A failure of the core as an error line: its subject quoted, then the place within an input,
// then the reason.
std::string FailureLine(const std::exception& failure) {
  if (const auto* read = dynamic_cast<const ReadFailure*>(&failure)) {
    const InputPlace& place = read->Place();
    if (place.file.empty()) return read->Reason();
    const std::string counts = place.Describe();
    return Quoted(place.file) + (counts.empty() ? "" : ", " + counts) + ": " + read->Reason();
  }
  if (const auto* core = dynamic_cast<const Failure*>(&failure); core && !core->Subject().empty()) {
    return Quoted(core->Subject()) + ": " + core->Reason();
  }
  return failure.what();
}

}  // namespace

CliFailure UnreadableInput(const InputOptions& options, const ReadFailure& failure, KindHint hint) {
  if (hint == KindHint::kNone) hint = failure.Hint();
  if (failure.Kind() == ReadProblem::kOtherKind) hint = KindHint::kLooksQuantitative;
  std::string advice = KindHintLine(hint, options.Kind());
  if (failure.Kind() == ReadProblem::kWrongMatrixType) {
    advice =
        "An NTSYS file begins with the matrix type 1; for a file in the PHYLIP layout, add "
        "--from phylip.";
  }
  const std::string counts = failure.Place().Describe();
  return CliFailure(kExitUnreadable, InputName(options),
                    counts.empty() ? failure.Reason() : counts + ": " + failure.Reason(), advice);
}

std::string InputName(const InputOptions& options) {
  return options.IsStandardInput() ? "standard input" : Quoted(options.path);
}

FileFormat InputFormat(const InputOptions& options) {
  if (!options.from.empty() && options.from != "auto") {
    return FileFormatFromName(options.from).value_or(FileFormat::kPhylip);
  }
  if (!options.layout.empty()) {
    return options.layout == "ntsys" ? FileFormat::kNtsys : FileFormat::kPhylip;
  }
  if (options.IsStandardInput()) return FileFormat::kPhylip;
  const bool regular = platform::Inspect(options.path).regular;
  const FileFormat format =
      regular ? DetectFileFormat(options.path) : FormatFromExtension(options.path);
  return format == FileFormat::kUnknown ? FileFormat::kPhylip : format;
}

namespace {

ReadOptions ReadOptionsOf(const InputOptions& options, std::uint64_t memoryLimit) {
  ReadOptions read;
  read.kind = options.quantitative ? KindChoice::kQuantitative : KindChoice::kBinary;
  if (options.otusAs == "rows") read.table.otusAs = OtusAs::kRows;
  if (options.otusAs == "columns") read.table.otusAs = OtusAs::kColumns;
  if (!options.delimiter.empty())
    read.table.delimiter = options.delimiter == "tab"         ? '\t'
                           : options.delimiter == "semicolon" ? ';'
                                                              : ',';
  if (options.firstDataColumn) read.table.firstDataColumn = *options.firstDataColumn - 1;
  read.table.missingCodes = options.missingCodes;
  read.memoryLimit = memoryLimit;
  return read;
}

void NoteSkippedVariants(const InputOptions& options, const VcfReport& vcf, std::ostream& notes) {
  if (vcf.skippedNotBiallelic + vcf.skippedWithoutGenotype == 0) return;
  notes << "marbleset-cli: " << EscapeControls(InputName(options))
        << ": note: " << vcf.skippedNotBiallelic << " variants without exactly two alleles and "
        << vcf.skippedWithoutGenotype << " without genotypes skipped; " << vcf.variants
        << " read\n";
}

}  // namespace

std::optional<ItemReader> LoadFirstDataSet(const InputOptions& options, DataSet& data,
                                           std::ostream& notes) {
  const FileFormat format = InputFormat(options);
  DataSource source = DataSource::File(options.path);
  ReadNotes told;
  try {
    DataSet fresh = ReadData(source, format, ReadOptionsOf(options, data.MemoryLimit()), &told);
    fresh.SetMemoryLimit(data.MemoryLimit());
    data.swap(fresh);
  } catch (const ReadFailure& failure) {
    // The report adds the hint on the kind.
    throw UnreadableInput(options, failure, told.report.hint);
  } catch (const MemoryFailure& failure) {
    // Too large for the memory is a file that cannot be read here.
    throw CliFailure(kExitUnreadable, InputName(options), failure.what());
  }
  NoteSkippedVariants(options, told.vcf, notes);
  // Only the layouts read by items can hold several data sets; the others are read whole.
  if (!EntryOf(format).readByItems) return std::nullopt;
  return std::move(source.Items());
}

void LoadInput(const InputOptions& options, DataSet& data, std::ostream& notes) {
  LoadFirstDataSet(options, data, notes);
}

void LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal,
                       std::ostream& notes) {
  LoadInput(options, data, notes);
  if (!data.multiSet) return;
  throw CliFailure(kExitUsage, InputName(options),
                   "the file holds several data sets; " + std::string(refusal) + ".");
}

void RefuseInputAsOutput(const OutputOptions& output, const InputOptions& input) {
  if (output.IsStandardOutput() || !IsSameFile(output.path, input.path)) return;
  throw CliFailure(kExitFailed, Quoted(output.path),
                   "this is the data file " + InputName(input) + "; the output would replace it",
                   "Choose another file for the output.");
}

CliOutput::CliOutput(const OutputOptions& options, std::ostream& standardOutput)
    : path_(options.path) {
  if (options.IsStandardOutput()) {
    standardSink_ = std::make_unique<TextSink>(standardOutput, "standard output");
    return;
  }
  try {
    file_ = std::make_unique<OutputFile>(
        path_, options.force ? ExistingTarget::kReplace : ExistingTarget::kRefuse);
  } catch (const OutputExists&) {
    throw CliFailure(kExitFailed, Quoted(path_), "the file exists", "Add --force to replace it.");
  }
}

TextSink& CliOutput::sink() {
  return file_ ? file_->sink() : *standardSink_;
}

void CliOutput::Close() {
  try {
    if (file_) {
      file_->Close();
    } else {
      standardSink_->Flush();
    }
  } catch (const OutputExists&) {
    // Another program created the file while this one wrote its own.
    throw CliFailure(kExitFailed, Quoted(path_),
                     "the file was created by another program meanwhile",
                     "Add --force to replace it.");
  }
}

void CliOutput::KeepWrittenAfterFailure() noexcept {
  try {
    if (file_ && file_->sink().BytesWritten() == 0) {
      // A run that failed before writing anything leaves an existing target as it was.
      file_->Discard();
    } else if (file_) {
      file_->KeepWritten();
    } else {
      standardSink_->Flush();
    }
  } catch (const std::exception&) {
    if (file_) file_->Discard();
  }
}

void LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal) {
  LoadSingleDataSet(options, data, refusal, std::cerr);
}

PhylipNamesForOutput::PhylipNamesForOutput(DataSet& data, const OutputOptions& output,
                                           const InputOptions& input, bool keepEqualNamesEqual,
                                           std::ostream& standardOutput) {
  if (!output.phylipNames) return;
  if (output.IsStandardOutput()) {
    throw CliFailure(kExitUsage, "--phylip-names",
                     "the table of names goes beside OUTPUT, and the output is standard output",
                     "Name an OUTPUT file.");
  }
  OutputOptions table = output;
  table.path = NameTablePath(output.path);
  table.phylipNames = false;
  RefuseInputAsOutput(table, input);
  OutputPhylipNames names = MakeOutputPhylipNames(data.otuNames, keepEqualNamesEqual);
  table_ = std::make_unique<CliOutput>(table, standardOutput);
  WriteNameTable(names.table, table_->sink());
  scoped_ = std::make_unique<ScopedOtuNames>(data, std::move(names.perOtu));
}

PhylipNamesForOutput::~PhylipNamesForOutput() = default;

void RefuseNamesUnlessPhylip(const OutputOptions& output, std::string_view format) {
  if (output.phylipNames && format != "phylip") {
    throw CliFailure(kExitUsage, "--phylip-names", "names for PHYLIP go into PHYLIP files only",
                     "Leave out --phylip-names, or write the PHYLIP layout.");
  }
}

void PhylipNamesForOutput::Close() {
  if (table_) table_->Close();
}

void SaveToOutput(const DataSet& data, std::string_view format, const OutputOptions& options,
                  std::ostream& standardOutput) {
  CliOutput output(options, standardOutput);
  WriteData(data, FileFormatFromName(format).value_or(FileFormat::kPhylip), output.sink());
  output.Close();
}

int RunGuarded(CliContext& context, const std::function<int()>& work) {
  try {
    return work();
  } catch (const CliFailure& failure) {
    PrintError(context.err, failure.what(), failure.hint());
    return failure.status();
  } catch (const ReadFailure& failure) {
    PrintError(context.err, FailureLine(failure));
    return kExitUnreadable;
  } catch (const std::bad_alloc&) {
    PrintError(context.err, "out of memory");
    return kExitFailed;
  } catch (const std::exception& failure) {
    PrintError(context.err, FailureLine(failure));
    return kExitFailed;
  }
}

}  // namespace marbleset::cli
