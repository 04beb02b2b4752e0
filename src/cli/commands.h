// The subcommands of marbleset-cli, one file each (<name>_command.cpp). Each adds itself to the
// tool with its options; when chosen it puts its work into context.action.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_options.h"

namespace marbleset::cli {

void AddInfoCommand(CLI::App& app, CliContext& context);
void AddConvertCommand(CLI::App& app, CliContext& context);
void AddCropCommand(CLI::App& app, CliContext& context);
void AddGenerateCommands(CLI::App& app, CliContext& context);
void AddDistancesCommand(CLI::App& app, CliContext& context);
void AddRestoreNamesCommand(CLI::App& app, CliContext& context);
void AddTreeCommand(CLI::App& app, CliContext& context);
void AddSupportCommand(CLI::App& app, CliContext& context);
void AddPictureCommand(CLI::App& app, CliContext& context);
void AddAmovaCommand(CLI::App& app, CliContext& context);
void AddMantelCommand(CLI::App& app, CliContext& context);
void AddNetworkCommand(CLI::App& app, CliContext& context);

}  // namespace marbleset::cli
