// marbleset-cli: the core's computations for scripts and pipelines. This file gathers the
// subcommands and runs the chosen one; tool_main.cpp only hands it the process's streams, so
// tests run the whole tool in-process.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/run_cli.h"
#include "marbleset_version.h"

namespace marbleset::cli {

namespace {

void AddCommands(CLI::App& app, CliContext& context) {
  AddInfoCommand(app, context);
  AddConvertCommand(app, context);
  AddCropCommand(app, context);
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CliContext context{out, err, {}};
  CLI::App app("Prepare molecular-marker and character data for PHYLIP.", "marbleset-cli");
  app.set_version_flag("--version", "marbleset-cli " MARBLESET_VERSION);
  app.require_subcommand(1);
  AddCommands(app, context);
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
  if (!context.action) return kExitOk;
  return RunGuarded(err, context.action);
}

}  // namespace marbleset::cli
