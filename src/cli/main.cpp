// marbleset-cli: the core's computations for scripts and pipelines. This file gathers the
// subcommands and runs the chosen one; tool_main.cpp only hands it the process's streams, so
// tests run the whole tool in-process.
#include <CLI/CLI.hpp>
#include <string>

#include "cli/commands.h"
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
}

constexpr const char* kExamples = R"(Examples:
  marbleset-cli info markers.phy
  marbleset-cli convert --to ntsys markers.phy markers.nts
  marbleset-cli crop --monomorphic --otus-with-missing markers.phy cropped.phy
  marbleset-cli bootstraps --datasets 100 --percent 35 markers.phy infile
  marbleset-cli distances --coefficient Jaccard --missing "Marker mean" marker_sets.phy infile
  marbleset-cli distances --quantitative --coefficient Euclidean traits.phy -

Each subcommand has its own --help. Runs over many data sets draw a progress bar on standard
error when it is a terminal; --quiet turns it off.

PHYLIP programs take the first 10 characters of a row as the OTU name; Marbleset writes a
12-character name field. Names of up to 10 characters reach PHYLIP whole. An 11th or 12th
character is read as the first data value: PHYLIP stops on it or, as mix and pars do with a
digit, takes it as data without a word and cuts the name to 10 characters.)";

// One example per subcommand, shown under its own --help.
std::string SubcommandExample(const std::string& name) {
  if (name == "info") return "marbleset-cli info --quantitative traits.nts";
  if (name == "convert") return "marbleset-cli convert --to phylip markers.nts markers.phy";
  if (name == "crop") return "marbleset-cli crop --uninformative markers.phy cropped.phy";
  if (name == "distances")
    return "marbleset-cli distances --average marker_sets.phy means.txt\n"
           "  marbleset-cli distances --similarities markers.phy -";
  if (name == "resample") return "marbleset-cli resample --otus 6 markers.phy markers_rs.phy";
  if (name == "bootstraps" || name == "noise")
    return "marbleset-cli " + name + " --datasets 100 --percent 10 --seed 7 markers.phy infile";
  return "marbleset-cli " + name + " --datasets 100 populations.phy infile";
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool err_is_terminal) {
  CliContext context{out, err, {}};
  CLI::App app("Prepare molecular-marker and character data for PHYLIP.", "marbleset-cli");
  app.set_version_flag("--version", "marbleset-cli " MARBLESET_VERSION);
  bool quiet = false;
  app.add_flag("-q,--quiet", quiet, "No progress bar (it is drawn only on a terminal anyway)");
  app.require_subcommand(1);
  app.footer(kExamples);
  AddCommands(app, context);
  for (CLI::App* command : app.get_subcommands({})) {
    command->fallthrough();  // --quiet may follow the subcommand's name
    command->footer("Example:\n  " + SubcommandExample(command->get_name()));
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return app.exit(error, out, err);  // --help or --version
    }
    // Every error is one line, as scripts expect; --help tells the rest.
    err << error.what() << '\n';
    return kExitUsage;
  }
  context.show_progress = err_is_terminal && !quiet;
  if (!context.action) return kExitOk;
  return RunGuarded(err, context.action);
}

}  // namespace marbleset::cli
