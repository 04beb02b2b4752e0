// The promises marbleset-cli makes to scripts: the same bytes as the core called directly,
// one line and a fixed exit status for every error, a progress bar only for a person watching,
// and examples in --help that run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "dataset/data_loader.h"
#include "distances/distance_run.h"
#include "editing/data_writer.h"
#include "editing/screening.h"
#include "resampling/generators.h"

namespace marbleset::cli {
namespace {

namespace fs = std::filesystem;

CliRun RunAtTerminal(std::vector<std::string> args) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, true);
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::unique_ptr<DataSet> Load(const std::string& path, DataKind kind = DataKind::kBinary) {
  auto data = std::make_unique<DataSet>();
  const Layout layout = path.ends_with(".nts") ? Layout::kNtsys : Layout::kPhylip;
  EXPECT_EQ(LoadDataFile(*data, path, kind, layout), ReadStatus::kOk) << path;
  return data;
}

// What the core writes into a TextSink.
std::string CoreBytes(const std::function<void(TextSink&)>& write) {
  std::ostringstream stream;
  {
    TextSink sink(stream);
    write(sink);
    sink.Flush();
  }
  return stream.str();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("marbleset-cli-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

TEST(CliContract, EverySubcommandWritesTheCoresBytes) {
  const std::string markers = Example("markers.phy");
  const std::string multi = Example("marker_sets.phy");
  const std::string populations = Example("populations.phy");
  const std::string traits = Example("traits.phy");
  const auto binary = Load(markers);
  const auto quantitative = Load(traits, DataKind::kQuantitative);
  NoProgress none;

  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  std::vector<Case> cases;
  cases.push_back({{"convert", "--to", "phylip", markers},
                   CoreBytes([&](TextSink& s) { WritePhylipData(*binary, s); })});
  cases.push_back({{"convert", "--to", "NTSYS", "--quantitative", traits},
                   CoreBytes([&](TextSink& s) { WriteNtsysData(*quantitative, s); })});
  {
    const auto cropped = Load(markers);
    CropChoice choice;
    choice.characters_with_missing = true;
    ApplyCrop(*cropped, choice);
    cases.push_back({{"crop", "--characters-with-missing", markers},
                     CoreBytes([&](TextSink& s) { WritePhylipData(*cropped, s); })});
  }
  const auto generated = [&](const DataSet& data, auto generate) {
    return CoreBytes([&](TextSink& s) {
      UniformSource source;
      generate(data, source, s);
    });
  };
  cases.push_back({{"bootstraps", "--datasets", "12", "--percent", "20", markers},
                   generated(*binary, [&](const DataSet& d, UniformSource& r, TextSink& s) {
                     GenerateBootStraps(d, r, 120, 200, s, none);
                   })});
  cases.push_back({{"permutations", "--quantitative", "--datasets", "10", traits},
                   generated(*quantitative, [&](const DataSet& d, UniformSource& r, TextSink& s) {
                     GeneratePermutations(d, r, 100, s, none);
                   })});
  const auto population_data = Load(populations);
  cases.push_back(
      {{"genstraps", "--datasets", "10", populations},
       generated(*population_data, [&](const DataSet& d, UniformSource& r, TextSink& s) {
         GenerateGenStraps(d, r, 100, s, none);
       })});
  cases.push_back({{"resample", "--datasets", "10", "--otus", "5", markers},
                   generated(*binary, [&](const DataSet& d, UniformSource& r, TextSink& s) {
                     GenerateResamplings(d, r, 100, 50, s, none);
                   })});
  cases.push_back({{"missstraps", "--datasets", "10", "--seed", "0", markers},
                   generated(*binary, [&](const DataSet& d, UniformSource& r, TextSink& s) {
                     GenerateMissStraps(d, r, 100, s, none);
                   })});
  cases.push_back({{"noise", "--datasets", "10", "--percent", "25", markers},
                   generated(*binary, [&](const DataSet& d, UniformSource& r, TextSink& s) {
                     GenerateNoise(d, r, 100, 250, s, none);
                   })});
  {
    DistanceSettings settings;
    settings.coefficient = kJaccard;
    settings.policy = kBinaryMarkerMode;
    settings.distances = false;
    cases.push_back({{"distances", "--coefficient", "jaccard", "--missing", "marker MODE",
                      "--similarities", markers},
                     CoreBytes([&](TextSink& s) { DistanceMatrixPass(*binary, settings, s); })});
  }
  for (const bool average : {false, true}) {
    auto data = Load(multi);
    DistanceSettings settings;
    settings.coefficient = kNei;
    settings.averaging = average;
    ItemReader in = ItemReader::OpenFile(multi);
    const std::string expected =
        CoreBytes([&](TextSink& s) { DistanceRunMulti(*data, settings, in, s, none); });
    std::vector<std::string> args = {"distances", "--coefficient", "Nei", multi};
    if (average) args.insert(args.begin() + 1, "--average");
    cases.push_back({args, expected});
  }

  TempDir folder;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    ASSERT_FALSE(c.expected.empty());
    const CliRun to_stdout = RunTool(c.args);
    ASSERT_EQ(to_stdout.status, kExitOk) << to_stdout.err;
    EXPECT_TRUE(to_stdout.err.empty()) << to_stdout.err;
    EXPECT_EQ(to_stdout.out, c.expected);

    std::vector<std::string> to_file = c.args;
    const std::string path = folder / ("out" + std::to_string(++n));
    to_file.push_back(path);
    const CliRun written = RunTool(to_file);
    ASSERT_EQ(written.status, kExitOk) << written.err;
    EXPECT_TRUE(written.out.empty());
    EXPECT_EQ(ReadFile(path), c.expected);
  }
}

TEST(CliContract, EveryErrorIsOneLineWithItsStatus) {
  TempDir folder;
  const std::string markers = Example("markers.phy");
  const std::string multi = Example("marker_sets.phy");
  const std::string traits = Example("traits.phy");
  const std::string existing = folder / "existing.phy";
  std::ofstream(existing) << "keep me";
  const std::string missing_file = folder / "absent.phy";
  const std::string no_folder = folder / "absent/out.phy";
  const std::string flat = folder / "flat.phy";
  std::ofstream(flat, std::ios::binary) << " 3 2\r\nA           1 1\r\nB           1 1\r\n"
                                           "C           1 1\r\n";

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // the whole line, or its start when it ends with "..."
  };
  const std::vector<Case> cases = {
      // The command line itself.
      {{}, kExitUsage, "A subcommand is required"},
      {{"shuffle", markers}, kExitUsage, "A subcommand is required"},
      {{"info"}, kExitUsage, "INPUT is required"},
      {{"bootstraps", "--percent", "51", markers},
       kExitUsage,
       "--percent: must lie between 1 and 50 (got 51)"},
      {{"bootstraps", "--datasets", "9.9", markers},
       kExitUsage,
       "--datasets: must lie between 10 and 1000 (got 9.9)"},
      {{"noise", "--percent", "10.25", markers},
       kExitUsage,
       "--datasets and --percent take at most one decimal."},
      {{"resample", "--otus", "9", markers},
       kExitUsage,
       "--otus must lie between 1 and 8 with at most one decimal."},
      {{"convert", markers}, kExitUsage, "--to is required"},
      {{"convert", "--to", "nexus", markers}, kExitUsage, "--to: \"nexus\" is not one of: ..."},
      {{"info", "--binary", "--quantitative", markers}, kExitUsage, "--binary excludes ..."},
      {{"crop", "--quantitative", traits}, kExitUsage, "crop works on binary data only."},
      {{"missstraps", "--quantitative", traits},
       kExitUsage,
       "missstraps and noise work on binary data only."},
      {{"distances", "--coefficient", "Euclidean", markers},
       kExitUsage,
       "--coefficient: \"Euclidean\" is not one of the binary entries: Matching, Jaccard, Nei"},
      {{"distances", "--average", markers},
       kExitUsage,
       "--average: the file holds one data set; averaging is for files of several"},
      // A command the menus do not offer for this input.
      {{"convert", "--to", "phylip", multi},
       kExitUsage,
       multi + ": the file holds several data sets; convert saves one."},
      {{"crop", "--monomorphic", multi},
       kExitUsage,
       multi + ": the file holds several data sets; crop works on one."},
      {{"permutations", multi},
       kExitUsage,
       multi + ": the file holds several data sets; the generators work on one."},
      // The input.
      {{"info", missing_file}, kExitUnreadable, missing_file + ": ..."},
      {{"info", Example("../tests/data/no_header.phy")},
       kExitUnreadable,
       "Can't find declarations."},
      {{"bootstraps", Example("../tests/data/too_many_otus.phy")}, kExitUnreadable, "..."},
      // The output and the run.
      {{"convert", "--to", "phylip", markers, existing},
       kExitFailed,
       existing + ": the file exists; add --force to replace it."},
      {{"noise", markers, no_folder}, kExitFailed, no_folder + ": ..."},
      {{"distances", "--quantitative", "--coefficient", "Correlation", flat, folder / "r"},
       kExitFailed,
       "..."},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& arg : c.args) line += arg + " ";
    SCOPED_TRACE(line);
    const CliRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    ASSERT_TRUE(run.err.ends_with("\n")) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "more than one line: " << run.err;
    const std::string said = run.err.substr(0, run.err.size() - 1);
    if (c.message.ends_with("...")) {
      EXPECT_TRUE(said.starts_with(c.message.substr(0, c.message.size() - 3))) << said;
      EXPECT_GT(said.size(), c.message.size() - 3) << "no reason given";
    } else {
      EXPECT_EQ(said, c.message);
    }
  }
  EXPECT_EQ(ReadFile(existing), "keep me");
  EXPECT_FALSE(fs::exists(no_folder));
}

TEST(CliContract, ProgressBarOnlyAtATerminalAndNotWhenQuiet) {
  TempDir folder;
  const std::string markers = Example("markers.phy");
  const std::string multi = Example("marker_sets.phy");

  const CliRun bar = RunAtTerminal({"bootstraps", "--datasets", "20", markers, folder / "a"});
  ASSERT_EQ(bar.status, kExitOk) << bar.err;
  EXPECT_TRUE(bar.err.starts_with("\rGenerating BootStraps [")) << bar.err;
  EXPECT_TRUE(bar.err.ends_with("] 100%\n")) << bar.err;
  // Redrawn in place: one line, one redraw per data set (5 % each).
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\n'), 1);
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\r'), 21);
  EXPECT_EQ(ReadFile(folder / "a"), RunTool({"bootstraps", "--datasets", "20", markers}).out);

  const CliRun distances = RunAtTerminal({"distances", multi, folder / "d"});
  ASSERT_EQ(distances.status, kExitOk) << distances.err;
  EXPECT_TRUE(distances.err.starts_with("\rCalculating distances [")) << distances.err;
  EXPECT_TRUE(distances.err.ends_with("] 100%\n")) << distances.err;

  // Quiet before or after the subcommand's name, and nothing at all when err is no terminal
  // or the run has a single data set.
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--quiet", "noise", markers, folder / "q1"},
                                             {"noise", "-q", markers, folder / "q2"},
                                             {"distances", "--quiet", multi, folder / "q3"},
                                             {"distances", markers, folder / "single"}}) {
    const CliRun quiet = RunAtTerminal(args);
    EXPECT_EQ(quiet.status, kExitOk) << quiet.err;
    EXPECT_EQ(quiet.err, "") << args[0];
  }
  const CliRun piped = RunTool({"noise", markers, folder / "piped"});
  EXPECT_EQ(piped.status, kExitOk);
  EXPECT_EQ(piped.err, "");

  // A failing run ends the bar's line before its message.
  const CliRun failed = RunAtTerminal({"noise", markers, folder / "no/such"});
  EXPECT_EQ(failed.status, kExitFailed);
  EXPECT_EQ(failed.err.find('\r'), std::string::npos) << "bar before the file opened";
}

// Every example the help shows runs, in a folder holding copies of the example files.
TEST(CliContract, HelpExamplesRun) {
  const CliRun help = RunTool({"--help"});
  ASSERT_EQ(help.status, kExitOk);
  std::vector<std::string> lines;
  std::istringstream text(help.out);
  for (std::string line; std::getline(text, line);) {
    if (line.starts_with("  marbleset-cli ")) lines.push_back(line.substr(16));
  }
  for (const std::string command : {"info", "convert", "crop", "bootstraps", "permutations",
                                    "genstraps", "resample", "missstraps", "noise", "distances"}) {
    const CliRun sub = RunTool({command, "--help"});
    ASSERT_EQ(sub.status, kExitOk) << command;
    std::istringstream sub_text(sub.out);
    for (std::string line; std::getline(sub_text, line);) {
      if (line.starts_with("  marbleset-cli ")) lines.push_back(line.substr(16));
    }
  }
  ASSERT_GE(lines.size(), 16u);
  EXPECT_NE(help.out.find("first 10 characters"), std::string::npos);

  TempDir folder;
  for (const auto& entry : fs::directory_iterator(MARBLESET_EXAMPLES_DIR)) {
    fs::copy_file(entry.path(), folder.path() / entry.path().filename());
  }
  const fs::path before = fs::current_path();
  fs::current_path(folder.path());
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    // Split like a shell: blanks separate, double quotes group.
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, any = false;
    for (char c : line) {
      if (c == '"') {
        quoted = !quoted;
        any = true;
      } else if (c == ' ' && !quoted) {
        if (any) args.push_back(arg);
        arg.clear();
        any = false;
      } else {
        arg += c;
        any = true;
      }
    }
    if (any) args.push_back(arg);
    if (args[0] != "info") args.push_back("--force");
    const CliRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitOk) << run.err;
  }
  fs::current_path(before);
}

}  // namespace
}  // namespace marbleset::cli
