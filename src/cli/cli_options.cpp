#include "cli/cli_options.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <new>

#include "dataset/errors.h"
#include "dataset/read_status.h"
#include "editing/data_writer.h"

namespace marbleset::cli {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(a[k])) !=
        std::tolower(static_cast<unsigned char>(b[k]))) {
      return false;
    }
  }
  return true;
}

int EntryIndex(std::string_view value, const std::vector<std::string_view>& entries) {
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (EqualIgnoringCase(value, entries[k])) return static_cast<int>(k);
  }
  return -1;
}

template <typename Number>
CLI::Validator Bounds(Number lowest, Number highest) {
  return CLI::Validator(
      [lowest, highest](std::string& text) -> std::string {
        Number value{};
        if (!CLI::detail::lexical_cast(text, value) || value < lowest || value > highest) {
          return "must lie between " + PlainNumber(lowest) + " and " + PlainNumber(highest) +
                 " (got " + text + ")";
        }
        return "";
      },
      "[" + PlainNumber(lowest) + ".." + PlainNumber(highest) + "]");
}

}  // namespace

Layout InputOptions::ChosenLayout() const {
  if (layout == "ntsys") return Layout::kNtsys;
  if (layout == "phylip") return Layout::kPhylip;
  const std::string_view name(path);
  return name.size() >= 4 && EqualIgnoringCase(name.substr(name.size() - 4), ".nts")
             ? Layout::kNtsys
             : Layout::kPhylip;
}

void AddInputOptions(CLI::App& command, InputOptions& options) {
  CLI::Option* binary =
      command.add_flag("--binary", options.binary, "Read the input as binary data (the default)");
  CLI::Option* quantitative = command.add_flag("--quantitative", options.quantitative,
                                               "Read the input as quantitative data");
  binary->excludes(quantitative);
  command
      .add_option("--layout", options.layout,
                  "Layout of the input: phylip or ntsys (default: ntsys for a name ending in "
                  "\".nts\", phylip otherwise)")
      ->transform(CLI::IsMember({"phylip", "ntsys"}, CLI::ignore_case));
  command.add_option("INPUT", options.path, "The data file to read")->required();
}

int LoadInput(const InputOptions& options, DataSet& data, std::ostream& err) {
  return RunGuarded(err, [&] {
    const ReadStatus status =
        LoadDataFile(data, options.path, options.Kind(), options.ChosenLayout());
    if (status == ReadStatus::kOk) return kExitOk;
    err << ReadStatusFinding(status) << '\n';
    return kExitUnreadable;
  });
}

int LoadSingleDataSet(const InputOptions& options, DataSet& data, std::string_view refusal,
                      std::ostream& err) {
  const int loaded = LoadInput(options, data, err);
  if (loaded != kExitOk || data.MultiSet == 0) return loaded;
  err << options.path << ": the file holds several data sets; " << refusal << ".\n";
  return kExitUsage;
}

void AddOutputOptions(CLI::App& command, OutputOptions& options) {
  command.add_option("OUTPUT", options.path, "The file to write, or - for standard output")
      ->capture_default_str();
  command.add_flag("--force", options.force, "Replace OUTPUT if it exists");
}

CliOutput::CliOutput(const OutputOptions& options, std::ostream& standard_output)
    : path_(options.path) {
  if (path_ == "-") {
    stdout_sink_ = std::make_unique<TextSink>(standard_output, "standard output");
    return;
  }
  std::error_code error;
  if (!options.force && std::filesystem::exists(path_, error)) {
    throw WriteFailure(path_ + ": the file exists; add --force to replace it.");
  }
  file_ = std::make_unique<OutputFile>(path_);
}

TextSink& CliOutput::sink() {
  return file_ ? file_->sink() : *stdout_sink_;
}

void CliOutput::Close() {
  if (file_) {
    file_->Close();
  } else {
    stdout_sink_->Flush();
  }
}

int RunGuarded(std::ostream& err, const std::function<int()>& work) {
  try {
    return work();
  } catch (const ReadFailure& failure) {
    err << failure.what() << '\n';
    return kExitUnreadable;
  } catch (const std::bad_alloc&) {
    err << "Out of memory.\n";
    return kExitFailed;
  } catch (const std::exception& failure) {
    err << failure.what() << '\n';
    return kExitFailed;
  }
}

CLI::Option* AddChoiceOption(CLI::App& command, const std::string& name, int& index,
                             std::vector<std::string_view> entries,
                             const std::string& description) {
  std::string listed;
  for (std::string_view entry : entries) {
    listed += (listed.empty() ? "" : ", ") + std::string(entry);
  }
  CLI::Validator choice(
      [entries, listed](std::string& text) -> std::string {
        if (EntryIndex(text, entries) >= 0) return "";
        return "\"" + text + "\" is not one of: " + listed;
      },
      "ENTRY");
  return command
      .add_option_function<std::string>(
          name, [&index, entries](const std::string& text) { index = EntryIndex(text, entries); },
          description + " (one of: " + listed + ")")
      ->check(choice);
}

CLI::Option* AddBoundedOption(CLI::App& command, const std::string& name, double& value,
                              double lowest, double highest, const std::string& description) {
  return command.add_option(name, value, description)->check(Bounds(lowest, highest));
}

CLI::Option* AddBoundedOption(CLI::App& command, const std::string& name, int& value, int lowest,
                              int highest, const std::string& description) {
  return command.add_option(name, value, description)->check(Bounds(lowest, highest));
}

std::string PlainNumber(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void SaveToOutput(const DataSet& data, int layout, const OutputOptions& options,
                  std::ostream& standard_output) {
  CliOutput output(options, standard_output);
  if (layout == 1) {
    WriteNtsysData(data, output.sink());
  } else {
    WritePhylipData(data, output.sink());
  }
  output.Close();
}

}  // namespace marbleset::cli
