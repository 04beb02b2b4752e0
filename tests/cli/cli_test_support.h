// Runs marbleset-cli in-process with the given arguments and keeps what it wrote.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace marbleset::cli {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline CliRun RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

inline std::string Example(const std::string& name) {
  return std::string(MARBLESET_EXAMPLES_DIR) + "/" + name;
}

inline std::string TestData(const std::string& name) {
  return std::string(MARBLESET_TEST_DATA_DIR) + "/" + name;
}

}  // namespace marbleset::cli
