// marbleset-cli: the core's computations for scripts and pipelines. This file gathers the
// subcommands and runs the chosen one; tool_main.cpp only hands it the process's streams, so
// tests run the whole tool in-process.
#include <CLI/CLI.hpp>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/provenance_options.h"
#include "cli/run_cli.h"
#include "marbleset_version.h"

namespace marbleset::cli {

namespace {

void AddCommands(CLI::App& app, CliContext& context) {
  AddInfoCommand(app, context);
  AddConvertCommand(app, context);
  AddCropCommand(app, context);
  AddGenerateCommands(app, context);
  AddDistancesCommand(app, context);
  AddRestoreNamesCommand(app, context);
  AddTreeCommand(app, context);
  AddSupportCommand(app, context);
  AddPictureCommand(app, context);
  AddAmovaCommand(app, context);
  AddMantelCommand(app, context);
  AddNetworkCommand(app, context);
}

// The examples write names that none of the example files has, so each of them runs as it
// stands in a copy of the examples folder.
constexpr const char* kExamples = R"(Examples:
  marbleset-cli info markers.phy
  marbleset-cli convert --to ntsys markers.phy markers_saved.nts
  marbleset-cli crop --monomorphic --otus-with-missing markers.phy cropped.phy
  marbleset-cli bootstraps --datasets 100 --percent 35 markers.phy infile
  marbleset-cli distances --coefficient Jaccard --missing "Marker mean" marker_sets.phy infile
  marbleset-cli distances --quantitative --coefficient Euclidean traits.phy -
  marbleset-cli convert --to nexus markers.phy markers.nex

INPUT may be - to read standard input; PHYLIP, NTSYS, tables (CSV, TSV, .Rtab), NEXUS and
VCF/BCF files are told apart by their content and name (--from names the format). Each subcommand has its own --help. Runs over many data
sets draw a progress bar on standard error when it is a terminal; --quiet turns it off.

PHYLIP programs take the first 10 characters of a row as the OTU name; Marbleset writes a
12-character name field. Names of up to 10 characters reach PHYLIP whole. An 11th or 12th
character is read as the first data value: PHYLIP stops on it or, as mix and pars do with a
digit, takes it as data without a word and cuts the name to 10 characters. With
--phylip-names, outputs carry unique names of at most 10 characters and a table beside them,
and restore-names puts the original names back into the tree PHYLIP writes.)";

// One example per subcommand of this folder, shown under its own --help; empty for others.
std::string SubcommandExample(const std::string& name) {
  if (name == "info") return "marbleset-cli info --quantitative traits.nts";
  if (name == "convert") return "marbleset-cli convert --to phylip markers.nts markers_saved.phy";
  if (name == "crop") return "marbleset-cli crop --uninformative markers.phy cropped.phy";
  if (name == "distances")
    return "marbleset-cli distances --average marker_sets.phy means.txt\n"
           "  marbleset-cli distances --similarities markers.phy -";
  if (name == "resample") return "marbleset-cli resample --otus 6 markers.phy markers_rs.phy";
  if (name == "bootstraps" || name == "noise")
    return "marbleset-cli " + name + " --datasets 100 --percent 10 --seed 7 markers.phy infile";

  if (name == "permutations" || name == "genstraps" || name == "missstraps")
    return "marbleset-cli " + name + " --datasets 100 populations.phy infile";
  return "";
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The first word that is no option names the subcommand (the tool's own options take no
// value). A word that names none is refused here, naming itself; CLI11 would only say that a
// subcommand is required. Returns the subcommand's name, or empty.
std::string ChosenSubcommand(const CLI::App& app, int argc, const char* const* argv) {
  for (int k = 1; k < argc; ++k) {
    const std::string_view word = argv[k];
    if (word == "--help" || word == "-h" || word == "--version") return "";
    if (word.starts_with('-') && word != "-") continue;
    std::string names;
    std::string sameButCase;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->get_name() == word) return command->get_name();
      if (Lower(command->get_name()) == Lower(word)) sameButCase = command->get_name();
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::string hint;
    if (!sameButCase.empty()) {
      hint = "Did you mean \"" + sameButCase + "\"? Subcommands are written in lower case.";
    } else if (Lower(word) == "help") {
      hint = "For help, run \"marbleset-cli --help\" or \"marbleset-cli SUBCOMMAND --help\".";
    } else {
      hint = "The subcommands are " + names + "; see \"marbleset-cli --help\".";
    }
    throw CliFailure(kExitUsage, Quoted(word), "no such subcommand", hint);
  }
  return "";
}

std::string HelpHint(const std::string& subcommand) {
  if (subcommand.empty()) return "See \"marbleset-cli --help\" for the subcommands.";
  return "See \"marbleset-cli " + subcommand + " --help\" for the options.";
}

// CLI11's errors in the tool's shape, chosen by their type: those about one option name it first
// ("--datasets: must be ...", "--a excludes --b") and stay as they are; words that were not
// expected are listed in the tool's own sentence; any other gets the subcommand as its subject.
std::string ParseErrorLine(const CLI::ParseError& error, const CLI::App& app,
                           const std::string& subcommand) {
  const bool namesItsOption = dynamic_cast<const CLI::ValidationError*>(&error) != nullptr ||
                              dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr ||
                              dynamic_cast<const CLI::RequiresError*>(&error) != nullptr;
  if (namesItsOption || subcommand.empty()) return error.what();
  const std::vector<std::string> extras = app.remaining(true);
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !extras.empty()) {
    std::string words;
    for (const std::string& word : extras) words += (words.empty() ? "" : " ") + word;
    return subcommand + ": the following " +
           (extras.size() == 1 ? "argument was" : "arguments were") + " not expected: " + words;
  }
  return subcommand + ": " + error.what();
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool errIsTerminal) {
  CliContext context{.out = out, .err = err, .action = {}, .paths = {}};
  CLI::App app("Prepare molecular-marker and character data for PHYLIP.", "marbleset-cli");
  app.set_version_flag("--version", "marbleset-cli " MARBLESET_VERSION);
  bool quiet = false;
  app.add_flag("-q,--quiet", quiet, "No progress bar (it is drawn only on a terminal anyway)");
  app.require_subcommand(1);
  // Options start with '-' on every system: on Windows, a path such as /data/markers.phy (the
  // current drive's root) or //server/share/markers.phy stays a path and is not read as "/opt".
  app.allow_windows_style_options(false);
  AddCommands(app, context);
  app.footer(kExamples);
  ProvenanceOptions provenance;  // one subcommand runs, so its options are shared
  for (CLI::App* command : app.get_subcommands({})) {
    AddProvenanceOptions(*command, provenance);
    command->fallthrough();  // --quiet may follow the subcommand's name
    const std::string example = SubcommandExample(command->get_name());
    if (command->get_footer().empty() && !example.empty()) {
      command->footer("Example:\n  " + example);
    }
    if (command->get_name() == "restore-names") {
      // Its input comes from PHYLIP, so the example says where the files come from.
      command->footer(
          "Example, after \"marbleset-cli bootstraps --phylip-names markers.phy markers_bs.phy\" "
          "and a PHYLIP run on it that wrote outtree:\n"
          "  marbleset-cli restore-names --table markers_bs_names.tsv outtree tree.txt");
    }
  }
  std::string subcommand;
  try {
    subcommand = ChosenSubcommand(app, argc, argv);
    app.parse(argc, argv);
  } catch (const CliFailure& failure) {
    PrintError(err, failure.what(), failure.hint());
    return failure.status();
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return app.exit(error, out, err);  // --help or --version
    }
    if (subcommand.empty() && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
      PrintError(err, "a subcommand is required", HelpHint(""));
    } else {
      PrintError(err, ParseErrorLine(error, app, subcommand), HelpHint(subcommand));
    }
    return kExitUsage;
  }
  context.showProgress = errIsTerminal && !quiet;
  if (!context.action) return kExitOk;
  if (provenance.Wanted() && !app.get_subcommands().empty()) {
    const CLI::App& chosen = *app.get_subcommands().front();
    const std::vector<std::string> arguments(argv, argv + argc);
    return RunGuarded(context, [&] {
      return RunWithProvenance(chosen, provenance, arguments, context, context.action);
    });
  }
  return RunGuarded(context, context.action);
}

}  // namespace marbleset::cli
