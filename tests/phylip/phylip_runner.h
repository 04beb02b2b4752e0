// Runs a real PHYLIP program in a folder of its own, answering its menu on standard input.
//
// PHYLIP programs read "infile" (or "intree") from the current folder and write "outfile" and
// "outtree"; an existing output makes them ask before replacing it, so every run gets a fresh
// folder. A program that runs out of answers asks ten times and stops; a timeout ends anything
// that hangs anyway.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

namespace marbleset::phylip {

namespace fs = std::filesystem;

inline std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A new, empty folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    std::mt19937_64 draw(seed());
    do {
      path_ = fs::temp_directory_path() / ("marbleset-phylip-" + std::to_string(draw()));
    } while (!fs::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

struct PhylipRun {
  int status = -1;      // the program's exit status; 124 when the timeout ended it
  std::string screen;   // what it wrote on the terminal: its menus, progress and complaints
  std::string outfile;  // "outfile", empty when it made none
  std::string outtree;  // "outtree", empty when it made none

  bool TimedOut() const { return status == 124 || status == 137; }
  // For failure messages: the status and the last part of the screen.
  std::string Describe() const {
    const std::size_t keep = 3000;
    const std::string tail =
        screen.size() > keep ? "..." + screen.substr(screen.size() - keep) : screen;
    return "exit status " + std::to_string(status) + (TimedOut() ? " (timed out)" : "") +
           "; screen output:\n" + tail;
  }
};

inline fs::path PhylipProgram(const std::string& program) {
  return fs::path(MARBLESET_PHYLIP_BIN) / program;
}

// Runs program in folder with answers (one menu answer per line) on its standard input.
inline PhylipRun RunPhylip(const std::string& program, const fs::path& folder,
                           const std::string& answers, int timeout_seconds = 60) {
  WriteWholeFile(folder / "answers", answers);
  const std::string command = "cd '" + folder.string() + "' && timeout -k 5 " +
                              std::to_string(timeout_seconds) + " '" +
                              PhylipProgram(program).string() + "' < answers > screen 2>&1";
  const int raw = std::system(command.c_str());
  PhylipRun run;
  run.status = raw == -1 ? -1 : WEXITSTATUS(raw);
  run.screen = ReadWholeFile(folder / "screen");
  run.outfile = ReadWholeFile(folder / "outfile");
  run.outtree = ReadWholeFile(folder / "outtree");
  return run;
}

// Trees in a PHYLIP tree file: each ends with ';'.
inline int CountTrees(const std::string& trees) {
  int count = 0;
  for (char c : trees) count += c == ';';
  return count;
}

// True when every line of text ends in CR LF: no LF without its CR, no CR without its LF.
inline bool OnlyCrLfLineEnds(const std::string& text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r')) return false;
    if (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n')) return false;
  }
  return !text.empty() && text.ends_with("\r\n");
}

}  // namespace marbleset::phylip
