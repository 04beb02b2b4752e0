#include "cli/cli_options.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <span>

#include "formats/format_registry.h"

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

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string DecimalRange(const SettingBounds& bounds) {
  return "a number from " + PlainNumber(bounds.lowest) + " to " + PlainNumber(bounds.highest) +
         " with at most one decimal";
}

// CLI11 reports a check's text as "--name: text".
std::string Got(const std::string& text) {
  return " (got " + Quoted(text) + ")";
}

template <typename Entry>
std::string Listed(std::span<const Entry> entries, std::string_view (*nameOf)(Entry)) {
  std::string text;
  for (const Entry entry : entries) {
    if (!text.empty()) text += ", ";
    text += nameOf(entry);
  }
  return text;
}

// "auto", then every name of a layout that is read.
std::vector<std::string_view> FromChoices() {
  std::vector<std::string_view> choices = {"auto"};
  const std::vector<std::string_view> names = ReadFormatNames();
  choices.insert(choices.end(), names.begin(), names.end());
  return choices;
}

const char* KindText(DataKind kind) {
  return kind == DataKind::kBinary ? "binary" : "quantitative";
}

}  // namespace

void AddInputOptions(CLI::App& command, InputOptions& options, KindsRead kinds) {
  if (kinds == KindsRead::kBoth) {
    CLI::Option* binary =
        command.add_flag("--binary", options.binary, "Read the input as binary data (the default)");
    CLI::Option* quantitative = command.add_flag("--quantitative", options.quantitative,
                                                 "Read the input as quantitative data");
    binary->excludes(quantitative);
  } else {
    // Accepted so scripts that name the kind keep working; binary is all these commands read.
    command.add_flag("--binary", options.binary, "Read the input as binary data (the only kind)");
  }
  CLI::Option* from =
      AddChoiceOption(command, "--from", options.from, FromChoices(),
                      "Format of the input (default auto: by the file's content and name; "
                      "for standard input, pipes and FIFOs ntsys for a name ending in \".nts\", "
                      "phylip otherwise)");
  AddChoiceOption(command, "--layout", options.layout, {"phylip", "ntsys"},
                  "The same as --from for the two layouts")
      ->excludes(from);
  AddChoiceOption(command, "--otus-as", options.otusAs, {"rows", "columns"},
                  "Tables: OTUs as rows or as columns (default: columns for .Rtab files and "
                  "tables whose header begins with \"Gene\", rows otherwise)");
  AddChoiceOption(command, "--delimiter", options.delimiter, {"tab", "semicolon", "comma"},
                  "Tables: the character between cells (default: the one the first lines show)");
  command
      .add_option_function<std::string>(
          "--first-data-column",
          [&options](const std::string& text) {
            options.firstDataColumn = *ParseWholeNumber(text);
          },
          "Tables: the first column that holds values, counted from 1 (column 1 holds the names; "
          "default: the first from which every column holds only numbers and missing codes)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            const auto number = ParseWholeNumber(text);
            if (number && *number >= 2) return "";
            return "must be a whole number from 2 on (column 1 holds the names)" + Got(text);
          },
          ""))
      ->type_name("INT");
  command.add_option("--missing-code", options.missingCodes,
                     "Tables: a further code read as missing, besides NA, ?, -, . and the empty "
                     "cell (may be given more than once)");
  command.add_option("INPUT", options.path, "The data file to read, or - for standard input")
      ->required();
}

void AddOutputOptions(CLI::App& command, OutputOptions& options) {
  command.add_option("OUTPUT", options.path, "The file to write, or - for standard output")
      ->capture_default_str();
  command.add_flag("--force", options.force, "Replace OUTPUT if it exists");
}

void AddPhylipNamesOption(CLI::App& command, OutputOptions& options) {
  command.add_flag("--phylip-names", options.phylipNames,
                   "Write names of at most 10 characters, unique, as PHYLIP's programs read "
                   "them, and beside OUTPUT a table of each written name and its original "
                   "(OUTPUT without its extension, then \"_names.tsv\")");
}

std::optional<std::uint64_t> ParseWholeNumber(std::string_view text) {
  if (!AllDigits(text)) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> ParseOneDecimal(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  if (!AllDigits(whole) || whole.size() > 15) return std::nullopt;
  double value = static_cast<double>(*ParseWholeNumber(whole));
  if (point != std::string_view::npos) {
    const std::string_view decimal = text.substr(point + 1);
    if (decimal.size() != 1 || !AllDigits(decimal)) return std::nullopt;
    // Tenths as an integer first, so "12.3" is the double nearest 12.3 and not 12 + 0.3.
    value = (value * 10 + (decimal[0] - '0')) / 10;
  }
  return value;
}

std::string WholeRange(const SettingBounds& bounds) {
  return "a whole number from " + PlainNumber(bounds.lowest) + " to " + PlainNumber(bounds.highest);
}

CLI::Option* AddCountOption(CLI::App& command, const std::string& name,
                            std::optional<std::size_t>& value, const SettingBounds& bounds,
                            const std::string& description) {
  return command
      .add_option_function<std::string>(
          name, [&value](const std::string& text) { value = *ParseWholeNumber(text); }, description)
      ->check(CLI::Validator(
          [bounds](std::string& text) -> std::string {
            const auto number = ParseWholeNumber(text);
            if (number && *number >= bounds.lowest && *number <= bounds.highest) return "";
            return "must be " + WholeRange(bounds) + Got(text);
          },
          ""))
      ->type_name("INT");
}

CLI::Option* AddPercentOption(CLI::App& command, const std::string& name,
                              std::optional<double>& value, const SettingBounds& bounds,
                              const std::string& description) {
  return command
      .add_option_function<std::string>(
          name, [&value](const std::string& text) { value = *ParseOneDecimal(text); }, description)
      ->check(CLI::Validator(
          [bounds](std::string& text) -> std::string {
            const auto number = ParseOneDecimal(text);
            if (number && *number >= bounds.lowest && *number <= bounds.highest) return "";
            return "must be " + DecimalRange(bounds) + Got(text);
          },
          ""))
      ->type_name("NUMBER");
}

CLI::Option* AddSeedOption(CLI::App& command, std::optional<std::uint64_t>& seed) {
  return command
      .add_option_function<std::string>(
          "--seed", [&seed](const std::string& text) { seed = *ParseWholeNumber(text); },
          "Start the random numbers from another fixed state, a whole number from 0 to "
          "18446744073709551615 (default: the state every run starts from)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            if (ParseWholeNumber(text)) return "";
            return "must be a whole number from 0 to 18446744073709551615" + Got(text);
          },
          ""))
      ->type_name("INT");
}

std::size_t CheckedCount(const std::string& option, std::string_view text,
                         const SettingBounds& bounds) {
  const auto number = ParseWholeNumber(text);
  if (!number || *number < bounds.lowest || *number > bounds.highest ||
      *number > std::numeric_limits<std::size_t>::max()) {
    throw CliFailure(kExitUsage, option,
                     "must be " + WholeRange(bounds) + " for this data" + Got(std::string(text)));
  }
  return static_cast<std::size_t>(*number);
}

CLI::Option* AddChoiceOption(CLI::App& command, const std::string& name, std::string& value,
                             std::vector<std::string_view> entries,
                             const std::string& description) {
  std::string listed;
  for (std::string_view entry : entries) {
    listed += (listed.empty() ? "" : ", ") + std::string(entry);
  }
  CLI::Validator choice(
      [entries, listed](std::string& text) -> std::string {
        for (std::string_view entry : entries) {
          if (EqualIgnoringCase(text, entry)) return "";
        }
        return Quoted(text) + " is not one of: " + listed;
      },
      "");
  return command
      .add_option_function<std::string>(
          name,
          [&value, entries](const std::string& text) {
            for (std::string_view entry : entries) {
              if (EqualIgnoringCase(text, entry)) value = entry;
            }
          },
          description + " (one of: " + listed + ")")
      ->check(choice)
      ->type_name("NAME");
}

std::string PlainNumber(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string CoefficientList(DataKind kind) {
  return Listed(CoefficientsFor(kind), CoefficientName);
}

std::string MissingPolicyList(DataKind kind) {
  return Listed(MissingPoliciesFor(kind), MissingPolicyName);
}

DistanceSettings NamedDistanceSettings(DataKind kind, const std::string& coefficient,
                                       const std::string& missing) {
  DistanceSettings settings = DefaultDistanceSettings(kind);
  if (!coefficient.empty()) {
    const auto named = CoefficientNamed(kind, coefficient);
    if (!named) {
      throw CliFailure(kExitUsage, "--coefficient",
                       Quoted(coefficient) + " is not one of the " + KindText(kind) +
                           " entries: " + CoefficientList(kind));
    }
    settings.coefficient = *named;
  }
  if (!missing.empty()) {
    const auto named = MissingPolicyNamed(kind, missing);
    if (!named) {
      throw CliFailure(kExitUsage, "--missing",
                       Quoted(missing) + " is not one of the " + KindText(kind) +
                           " entries: " + MissingPolicyList(kind));
    }
    settings.policy = *named;
  }
  return settings;
}

void AddDistanceSettingOptions(CLI::App& command, std::string& coefficient, std::string& missing) {
  command
      .add_option("--coefficient", coefficient,
                  "Distance coefficient, as for distances (default: the kind's first)")
      ->type_name("NAME");
  command
      .add_option("--missing", missing,
                  "Missing-data value, as for distances (default: the kind's default)")
      ->type_name("NAME");
}

}  // namespace marbleset::cli
