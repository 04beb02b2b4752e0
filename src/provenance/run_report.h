// The run report a pipeline keeps beside a run's outputs: the program's version, the command
// line, every input and output with its SHA-256, the settings as given, the seed, and the wall
// and CPU time, as one JSON object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace marbleset {

struct FileDigest {
  std::string path;
  std::optional<std::string> sha256;  // none for standard input or output, or an unreadable file
};

struct RunRecord {
  std::string version;
  std::vector<std::string> commandLine;
  std::vector<FileDigest> inputs;
  std::vector<std::pair<std::string, std::string>> settings;  // option and its value, in order
  std::optional<std::uint64_t> seed;
  std::vector<FileDigest> outputs;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

// The record as a JSON object, keys in a fixed order, ending in a line break.
std::string RunReportJson(const RunRecord& record);

}  // namespace marbleset
