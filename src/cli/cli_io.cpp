#include "cli/cli_io.h"

#include <new>

#include "dataset/data_loader.h"
#include "dataset/errors.h"
#include "dataset/read_status.h"
#include "editing/data_writer.h"

namespace marbleset::cli {

namespace {

// How messages name the input: its path quoted, or "standard input".
std::string InputName(const InputOptions& options) {
  return options.IsStandardInput() ? "standard input" : Quoted(options.path);
}

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
std::string Where(const ReadReport& report) {
  ReadReport plain = report;
  plain.hint = KindHint::kNone;
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

ItemReader OpenInput(const InputOptions& options) {
  return ItemReader::OpenFile(options.path);
}

void LoadFirstDataSet(const InputOptions& options, ItemReader& in, DataSet& data) {
  ReadReport report;
  ReadStatus status;
  try {
    status = LoadData(data, in, options.path, options.Kind(), options.ChosenLayout(), &report);
  } catch (const ReadFailure& failure) {
    // The reader's text begins with the path; the report adds the hint on the kind.
    std::string text = failure.what();
    const std::string& name = in.name();
    if (text.starts_with(name + ": ")) text = text.substr(name.size() + 2);
    throw CliFailure(kExitUnreadable, InputName(options), text,
                     KindHintLine(report.hint, options.Kind()));
  }
  if (status == ReadStatus::kOk) return;
  std::string finding(ReadStatusFinding(status));
  const std::string where = Where(report);
  if (!where.empty()) {
    if (finding.ends_with('.')) finding.pop_back();
    finding += ": " + where;
  }
  throw CliFailure(kExitUnreadable, InputName(options), finding,
                   KindHintLine(report.hint, options.Kind()));
}

void LoadInput(const InputOptions& options, DataSet& data) {
  ItemReader in = OpenInput(options);
  LoadFirstDataSet(options, in, data);
}

void LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal) {
  LoadInput(options, data);
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
    if (file_) {
      file_->KeepWritten();
    } else {
      standardSink_->Flush();
    }
  } catch (const std::exception&) {
    if (file_) file_->Discard();
  }
}

void SaveToOutput(const DataSet& data, Layout layout, const OutputOptions& options,
                  std::ostream& standardOutput) {
  CliOutput output(options, standardOutput);
  if (layout == Layout::kNtsys) {
    WriteNtsysData(data, output.sink());
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
