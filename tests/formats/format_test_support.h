// Shared helpers of the format tests: temporary folders, peer programs (R, plink, bcftools,
// PHYLIP) run in them, and data sets compared with the tables those programs print.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/errors.h"
#include "dataset/text_sink.h"
#include "scratch_folder.h"

namespace marbleset::test {

namespace fs = std::filesystem;

// Runs a shell command; its standard output, and the exit status in status.
inline std::string Run(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[4096];
  std::size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

// Runs command in folder; its standard output (the test fails when the command fails).
inline std::string Shell(const ScratchFolder& folder, const std::string& command) {
  int status = 0;
  const std::string output =
      Run("cd '" + folder.path.string() + "' && " + command + " 2>errors", status);
  EXPECT_EQ(status, 0) << command << ": " << FileBytes(folder / "errors");
  return output;
}

inline bool HaveProgram(const std::string& program) {
  int status = 0;
  Run("command -v " + program + " >/dev/null 2>&1", status);
  return status == 0;
}

// Runs an R script in folder; what it prints (the test fails when R fails).
inline std::string RunR(const ScratchFolder& folder, const std::string& script) {
  PutFile(folder / "script.R", script);
  return Shell(folder, "Rscript --vanilla script.R");
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

// A data set as lines "name,value,value,..." with "NA" for missing and values printed as R's
// format() of a number would print them here (whole numbers without a point).
inline std::string AsTable(const DataSet& data) {
  std::string table;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    std::string name = data.otuNames[i];
    while (!name.empty() && name.back() == ' ') name.pop_back();
    table += name;
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      table += ',';
      if (data.IsMissing(i, k)) {
        table += "NA";
      } else {
        std::ostringstream value;
        value << data.Value(i, k);
        table += value.str();
      }
    }
    table += '\n';
  }
  return table;
}

// R code printing, as AsTable does, the matrix m and the list x ape reads from NEXUS.
inline const std::string kRPrintsMatrix =
    "for (i in seq_len(nrow(m))) cat(paste(c(rownames(m)[i], ifelse(is.na(m[i, ]), 'NA', "
    "m[i, ])), collapse = ','), '\\n', sep = '')\n";
inline const std::string kRPrintsApeList =
    "for (n in names(x)) cat(paste(c(n, ifelse(x[[n]] == '?', 'NA', x[[n]])), collapse = ','), "
    "'\\n', sep = '')\n";

// What a writer wrote to a sink, as a string.
template <typename Write>
std::string Written(Write write) {
  std::ostringstream text;
  {
    TextSink sink(text, "test");
    write(sink);
    sink.Flush();
  }
  return text.str();
}

// The message of the Error that call throws, or "no failure".
template <typename Error = ReadFailure, typename Call>
std::string FailureText(Call call) {
  try {
    call();
  } catch (const Error& failure) {
    return failure.what();
  }
  return "no failure";
}

#define SKIP_WITHOUT(program) \
  if (!::marbleset::test::HaveProgram(program)) GTEST_SKIP() << program " is not installed"

}  // namespace marbleset::test
