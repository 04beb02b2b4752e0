#include "provenance/run_report.h"

#include <cstdio>

namespace marbleset {

namespace {

// text as a JSON string: quotes, backslashes and control characters escaped; other bytes as they
// are, so UTF-8 file names stay readable.
std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Files(const std::vector<FileDigest>& files) {
  std::string text = "[";
  for (std::size_t k = 0; k < files.size(); ++k) {
    text += (k > 0 ? ",\n    " : "\n    ") + std::string("{\"path\": ") +
            JsonString(files[k].path) +
            ", \"sha256\": " + (files[k].sha256 ? JsonString(*files[k].sha256) : "null") + "}";
  }
  return text + (files.empty() ? "]" : "\n  ]");
}

std::string Seconds(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
  return buffer;
}

}  // namespace

std::string RunReportJson(const RunRecord& record) {
  std::string text =
      "{\n  \"program\": \"Marbleset\",\n  \"version\": " + JsonString(record.version) +
      ",\n  \"command_line\": [";
  for (std::size_t k = 0; k < record.commandLine.size(); ++k)
    text += (k > 0 ? ", " : "") + JsonString(record.commandLine[k]);
  text += "],\n  \"inputs\": " + Files(record.inputs) + ",\n  \"settings\": {";
  for (std::size_t k = 0; k < record.settings.size(); ++k)
    text += (k > 0 ? ",\n    " : "\n    ") + JsonString(record.settings[k].first) + ": " +
            JsonString(record.settings[k].second);
  text += record.settings.empty() ? "}" : "\n  }";
  text += ",\n  \"seed\": " + (record.seed ? std::to_string(*record.seed) : std::string("null"));
  text += ",\n  \"outputs\": " + Files(record.outputs);
  text += ",\n  \"wall_seconds\": " + Seconds(record.wallSeconds) +
          ",\n  \"cpu_seconds\": " + Seconds(record.cpuSeconds) + "\n}\n";
  return text;
}

}  // namespace marbleset
