#include "cli/cli_io.h"

#include <iostream>
#include <new>
#include <utility>

#include "formats/data_loader.h"
#include "dataset/errors.h"
#include "dataset/platform.h"
#include "formats/read_status.h"
#include "formats/data_writer.h"
#include "formats/csv_writer.h"
#include "formats/format_reader.h"
#include "formats/nexus_writer.h"

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

// The report's description without its own sentence on the kind: the hint line says that.
// Nothing when the report knows no more than that the first data set was being read.
std::string Where(const ReadReport& report) {
  ReadReport plain = report;
  plain.hint = KindHint::kNone;
  const bool placeKnown = report.otu > 0 || report.row > 0 || !report.item.empty();
  if (!placeKnown && report.dataSet <= 1) return "";
  return plain.Describe();
}

// A text of the core that begins with one of the command's paths, with that path quoted (or
// named "standard input").
std::string Shaped(const std::string& text, const CliContext& context) {
  for (const std::string& path : context.paths) {
    if (path == "-") continue;
    const std::string shaped = WithQuotedPath(text, path);
    if (shaped != text) return shaped;
  }
  return text;
}

}  // namespace

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

// A table, NEXUS or VCF file; each holds one data set.
void LoadInFormat(const InputOptions& options, FileFormat format, DataSet& data,
                  std::ostream& notes) {
  // The table and NEXUS readers take the whole text by its path; htslib knows "-" itself.
  const std::string path =
      options.IsStandardInput() && format != FileFormat::kVcf ? "/dev/stdin" : options.path;
  FormatReadOptions read;
  read.kind = options.quantitative ? KindChoice::kQuantitative : KindChoice::kBinary;
  if (options.otusAs == "rows") read.table.otusAs = OtusAs::kRows;
  if (options.otusAs == "columns") read.table.otusAs = OtusAs::kColumns;
  if (options.firstDataColumn) read.table.firstDataColumn = *options.firstDataColumn - 1;
  read.table.missingCodes = options.missingCodes;
  read.memoryLimit = data.MemoryLimit();
  FormatReadReport report;
  try {
    DataSet fresh = ReadDataInFormat(path, format, read, report);
    data.swap(fresh);
  } catch (const ReadFailure& failure) {
    std::string text = failure.what();
    // The readers begin with the path ("path: ..." or "path, line 2, ..."); it is the subject.
    if (text.starts_with(path + ": ") || text.starts_with(path + ", ")) {
      text = text.substr(path.size() + 2);
    }
    const bool otherValues = text.find("cannot be read as binary") != std::string::npos;
    throw CliFailure(
        kExitUnreadable, InputName(options), text,
        otherValues ? KindHintLine(KindHint::kLooksQuantitative, DataKind::kBinary) : "");
  } catch (const MemoryFailure& failure) {
    // Too large for the memory is a file that cannot be read here, as for the two layouts.
    throw CliFailure(kExitUnreadable, InputName(options), failure.what());
  }
  const VcfReport& vcf = report.vcf;
  if (vcf.skippedNotBiallelic + vcf.skippedWithoutGenotype > 0) {
    notes << "marbleset-cli: " << EscapeControls(InputName(options))
          << ": note: " << vcf.skippedNotBiallelic << " variants without exactly two alleles and "
          << vcf.skippedWithoutGenotype << " without genotypes skipped; " << vcf.variants
          << " read\n";
  }
}

}  // namespace

std::optional<ItemReader> LoadFirstDataSet(const InputOptions& options, DataSet& data,
                                           std::ostream& notes) {
  const FileFormat format = InputFormat(options);
  if (format != FileFormat::kPhylip && format != FileFormat::kNtsys) {
    LoadInFormat(options, format, data, notes);
    return std::nullopt;
  }
  const Layout layout = format == FileFormat::kNtsys ? Layout::kNtsys : Layout::kPhylip;
  ItemReader in = ItemReader::OpenFile(options.path);
  ReadReport report;
  ReadStatus status;
  try {
    status = LoadData(data, in, options.path, options.Kind(), layout, &report);
  } catch (const ReadFailure& failure) {
    // The reader's text begins with the path; the report adds the hint on the kind.
    std::string text = failure.what();
    const std::string& name = in.name();
    if (text.starts_with(name + ": ")) text = text.substr(name.size() + 2);
    throw CliFailure(kExitUnreadable, InputName(options), text,
                     KindHintLine(report.hint, options.Kind()));
  }
  if (status == ReadStatus::kOk) return in;
  std::string finding(ReadStatusFinding(status));
  const std::string where = Where(report);
  if (!where.empty()) {
    if (finding.ends_with('.')) finding.pop_back();
    finding += ": " + where;
  }
  std::string hint = KindHintLine(report.hint, options.Kind());
  if (status == ReadStatus::kWrongMatrixType) {
    hint =
        "An NTSYS file begins with the matrix type 1; for a file in the PHYLIP layout, add "
        "--from phylip.";
  }
  throw CliFailure(kExitUnreadable, InputName(options), finding, hint);
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
  if (format == "ntsys") {
    WriteNtsysData(data, output.sink());
  } else if (format == "nexus") {
    WriteNexusData(data, output.sink());
  } else if (format == "csv") {
    WriteCsvData(data, output.sink());
  } else {
    WritePhylipData(data, output.sink());
  }
  output.Close();
}

int RunGuarded(CliContext& context, const std::function<int()>& work) {
  try {
    return work();
  } catch (const CliFailure& failure) {
    PrintError(context.err, failure.what(), failure.hint());
    return failure.status();
  } catch (const ReadFailure& failure) {
    PrintError(context.err, Shaped(failure.what(), context));
    return kExitUnreadable;
  } catch (const std::bad_alloc&) {
    PrintError(context.err, "out of memory");
    return kExitFailed;
  } catch (const std::exception& failure) {
    PrintError(context.err, Shaped(failure.what(), context));
    return kExitFailed;
  }
}

}  // namespace marbleset::cli
