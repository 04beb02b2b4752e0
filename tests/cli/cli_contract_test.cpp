// marbleset-cli: the core's bytes, one-line errors with fixed statuses, a bar at a terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/run_cli.h"
#include "dataset/data_loader.h"
#include "distances/distance_run.h"
#include "distances/reference_pass.h"
#include "editing/data_writer.h"
#include "editing/screening.h"
#include "resampling/generators.h"

namespace marbleset::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunTool(std::vector<std::string> args, bool terminal = false) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, terminal);
  return {status, out.str(), err.str()};
}

const std::string examples = MARBLESET_EXAMPLES_DIR "/", markers = examples + "markers.phy",
                  multi = examples + "marker_sets.phy", traits = examples + "traits.phy";

std::unique_ptr<DataSet> Load(const std::string& path, DataKind kind = DataKind::kBinary) {
  auto data = std::make_unique<DataSet>();
  const Layout layout = path.ends_with(".nts") ? Layout::kNtsys : Layout::kPhylip;
  EXPECT_EQ(LoadDataFile(*data, path, kind, layout), ReadStatus::kOk) << path;
  return data;
}

std::string Core(const std::function<void(UniformSource&, TextSink&)>& write) {
  std::ostringstream stream;
  TextSink sink(stream);
  UniformSource source;  // without --seed: the first run's state
  write(source, sink);
  sink.Flush();
  return stream.str();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("marbleset-cli-" + std::to_string(::getpid()));
  TempDir() {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

TEST(CliContract, EverySubcommandWritesTheCoresBytes) {
  const auto binary = Load(markers);
  const auto quantitative = Load(traits, DataKind::kQuantitative);
  const auto from_ntsys = Load(examples + "markers.nts");
  const auto populations = Load(examples + "populations.phy");
  const auto cropped = Load(markers);
  ApplyCrop(*cropped, CropChoice{true, true, true, true});
  NoProgress none;
  const auto multi_run = [&](bool average) {
    const auto data = Load(multi);
    ItemReader in = ItemReader::OpenFile(multi);
    return Core([&](auto&, auto& s) {
      DistanceRunMulti(*data, {kNei, 1, true, average}, in, s, none);
    });
  };
  const auto reference = [](const DataSet& data, DistanceSettings settings) {
    return Core([&](auto&, auto& s) { ReferenceMatrixPass(data, settings, s); });
  };

  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"convert", "--to", "phylip", examples + "markers.nts"},
       Core([&](auto&, auto& s) { WritePhylipData(*from_ntsys, s); })},
      {{"convert", "--to", "NTSYS", "--quantitative", traits},
       Core([&](auto&, auto& s) { WriteNtsysData(*quantitative, s); })},
      {{"crop", "--otus-with-missing", "--monomorphic", "--characters-with-missing",
        "--uninformative", markers},
       Core([&](auto&, auto& s) { WritePhylipData(*cropped, s); })},
      {{"bootstraps", markers},
       Core([&](auto& r, auto& s) { GenerateBootStraps(*binary, r, 1000, 350, s, none); })},
      {{"permutations", "--quantitative", "--datasets", "10.5", traits},
       Core([&](auto& r, auto& s) { GeneratePermutations(*quantitative, r, 105, s, none); })},
      {{"genstraps", "--datasets", "10", examples + "populations.phy"},
       Core([&](auto& r, auto& s) { GenerateGenStraps(*populations, r, 100, s, none); })},
      {{"resample", "--datasets", "20", "--otus", "4.5", markers},
       Core([&](auto& r, auto& s) { GenerateResamplings(*binary, r, 200, 45, s, none); })},
      {{"missstraps", "--datasets", "10", "--seed", "0", markers},
       Core([&](auto& r, auto& s) { GenerateMissStraps(*binary, r, 100, s, none); })},
      {{"noise", "--datasets", "10", markers},
       Core([&](auto& r, auto& s) { GenerateNoise(*binary, r, 100, 100, s, none); })},
      {{"distances", markers}, reference(*binary, {kBinaryMatching, kBinaryHalf, true, false})},
      {{"distances", "--coefficient", "jaccard", "--missing", "marker MODE", "--similarities",
        markers},
       reference(*binary, {kJaccard, kBinaryMarkerMode, false, false})},
      {{"distances", "--quantitative", "--coefficient", "correlation", "--similarities", traits},
       reference(*quantitative, {kCorrelation, kQuantitativeMarkerMean, false, false})},
      {{"distances", "--coefficient", "Nei", multi}, multi_run(false)},
      {{"distances", "--average", "--coefficient", "Nei", multi}, multi_run(true)},
  };

  TempDir folder;
  int n = 0;
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliRun to_stdout = RunTool(args);
    ASSERT_EQ(to_stdout.status, kExitOk) << to_stdout.err;
    EXPECT_EQ(to_stdout.err, "");
    EXPECT_EQ(to_stdout.out, expected);
    std::vector<std::string> to_file = args;
    to_file.push_back(folder / ("out" + std::to_string(++n)));
    const CliRun written = RunTool(to_file);
    ASSERT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(ReadFile(to_file.back()), expected);
  }
  const std::string seeded = RunTool({"bootstraps", "--seed", "7", markers}).out;
  EXPECT_NE(seeded, cases[3].second);
  EXPECT_EQ(RunTool({"bootstraps", "--seed", "7", markers}).out, seeded);
}

TEST(CliContract, InfoDescribesTheFileAndCropCountsOnlyForOneBinaryDataSet) {
  const CliRun one = RunTool({"info", examples + "markers.phy"});
  EXPECT_TRUE(one.out.starts_with(
      "kind: binary\nlayout: phylip\notus: 8\ncharacters: 24\nseveral data sets: no\n"
      "missing value: 2\nNumber of monomorphic characters: 0\n"
      "Number of uninformative characters: 1\nNumber of characters with missing data: 4\n"
      "Number of OTUs with missing data: 4\n"))
      << one.out;
  for (const std::string kind : {"--quantitative", "--binary"}) {  // no crop counts
    const std::string file = kind == "--binary" ? multi : examples + "traits.nts";
    EXPECT_EQ(RunTool({"info", kind, file}).out.find("Number of"), std::string::npos) << file;
  }
}

TEST(CliContract, EveryErrorIsOneLineWithItsStatus) {
  TempDir folder;
  const std::string existing = folder / "existing.phy", no_folder = folder / "absent/out.phy";
  const std::string missing_file = folder / "absent.phy", flat = folder / "flat.phy";
  const std::string too_many = MARBLESET_TEST_DATA_DIR "/too_many_otus.phy";
  std::ofstream(existing) << "keep me";
  std::ofstream(flat, std::ios::binary) << " 3 2\r\nA           1 1\r\nB           1 1\r\n"
                                           "C           1 1\r\n";
  struct Case {
    int status;
    std::string message;  // the whole line, or its start when it ends with "..."
    std::vector<std::string> args;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {kExitUsage, "A subcommand is required", {}},
      {kExitUsage, "A subcommand is required", {"shuffle", markers}},
      {kExitUsage, "INPUT is required", {"info"}},
      {kExitUsage, "--percent: must lie between 1 and 50 (got 51)",
       {"bootstraps", "--percent", "51", markers}},
      {kExitUsage, "--datasets: must lie between 10 and 1000 (got 9.9)",
       {"bootstraps", "--datasets", "9.9", markers}},
      {kExitUsage, "--datasets and --percent take at most one decimal.",
       {"noise", "--percent", "10.25", markers}},
      {kExitUsage, "--otus must lie between 1 and 8 with at most one decimal.",
       {"resample", "--otus", "8.1", markers}},
      {kExitUsage, "missstraps and noise work on binary data only.",
       {"noise", "--quantitative", traits}},
      {kExitUsage,
       "--coefficient: \"Euclidean\" is not one of the binary entries: Matching, Jaccard, Nei",
       {"distances", "--coefficient", "Euclidean", markers}},
      {kExitUsage, "--average: the file holds one data set; averaging is for files of several",
       {"distances", "--average", markers}},
      {kExitUsage, multi + ": the file holds several data sets; convert saves one.",
       {"convert", "--to", "phylip", multi}},
      {kExitUsage, multi + ": the file holds several data sets; the generators work on one.",
       {"permutations", multi}},
      {kExitUnreadable, missing_file + ": No such file or directory", {"info", missing_file}},
      {kExitUnreadable, "Can't find declarations.",
       {"info", MARBLESET_TEST_DATA_DIR "/no_header.phy"}},
      {kExitUnreadable, "Wrong matrix type.", {"info", "--layout", "ntsys", markers}},
      {kExitUnreadable, too_many + ": data set 1 declares 1200 OTUs; Marbleset holds at most 1000.",
       {"bootstraps", too_many}},
      {kExitFailed, existing + ": the file exists; add --force to replace it.",
       {"convert", "--to", "phylip", markers, existing}},
      {kExitFailed, no_folder + ": ...", {"noise", markers, no_folder}},
      {kExitFailed, "...", {"distances", "--quantitative", "--coefficient", "Correlation", flat,
                            folder / "r"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CliRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_TRUE(run.err.ends_with("\n")) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "more than one line: " << run.err;
    const std::string said = run.err.substr(0, run.err.size() - 1);
    const bool open = c.message.ends_with("...");  // a reason must follow
    const std::string start = c.message.substr(0, c.message.size() - (open ? 3 : 0));
    EXPECT_TRUE(open ? said.starts_with(start) && said.size() > start.size() : said == start)
        << said;
  }
  EXPECT_EQ(ReadFile(existing), "keep me");
  EXPECT_FALSE(fs::exists(no_folder));
  EXPECT_EQ(RunTool({"convert", "--to", "phylip", "--force", markers, existing}).status, kExitOk);
  EXPECT_EQ(ReadFile(existing), RunTool({"convert", "--to", "phylip", markers}).out);
}

TEST(CliContract, ProgressBarOnlyAtATerminalAndNotWhenQuiet) {
  TempDir folder;
  const CliRun bar = RunTool({"bootstraps", "--datasets", "20", markers, folder / "a"}, true);
  ASSERT_EQ(bar.status, kExitOk) << bar.err;
  EXPECT_TRUE(bar.err.starts_with("\rGenerating BootStraps [")) << bar.err;
  EXPECT_TRUE(bar.err.ends_with("] 100%\n")) << bar.err;
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\n'), 1);
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\r'), 21);  // one redraw per data set
  const CliRun several = RunTool({"distances", multi, folder / "d"}, true);
  EXPECT_TRUE(several.err.starts_with("\rCalculating distances [")) << several.err;

  // Quiet before or after the subcommand, a single data set, or err no terminal: no bar.
  for (const auto& [args, terminal] : std::vector<std::pair<std::vector<std::string>, bool>>{
           {{"--quiet", "noise", markers, folder / "q1"}, true},
           {{"noise", "-q", markers, folder / "q2"}, true},
           {{"distances", "--quiet", multi, folder / "q3"}, true},
           {{"distances", markers, folder / "single"}, true},
           {{"noise", markers, folder / "piped"}, false}}) {
    const CliRun quiet = RunTool(args, terminal);
    EXPECT_EQ(quiet.status, kExitOk) << quiet.err;
    EXPECT_EQ(quiet.err, "") << args[0];
  }
  const CliRun failed = RunTool({"noise", markers, folder / "no/such"}, true);
  EXPECT_EQ(failed.status, kExitFailed);
  EXPECT_EQ(failed.err.find('\r'), std::string::npos) << "bar before the file opened";
}

TEST(CliContract, HelpExamplesRun) {
  std::vector<std::string> lines;
  for (const std::string command : {"", "info", "convert", "crop", "bootstraps", "permutations",
                                    "genstraps", "resample", "missstraps", "noise", "distances"}) {
    const CliRun help = RunTool(command.empty() ? std::vector<std::string>{"--help"}
                                                : std::vector<std::string>{command, "--help"});
    ASSERT_EQ(help.status, kExitOk) << command;
    std::istringstream text(help.out);
    for (std::string line; std::getline(text, line);) {
      if (line.starts_with("  marbleset-cli ")) lines.push_back(line.substr(16));
    }
  }
  ASSERT_GE(lines.size(), 16u);

  TempDir folder;
  for (const auto& entry : fs::directory_iterator(MARBLESET_EXAMPLES_DIR)) {
    fs::copy_file(entry.path(), folder.path / entry.path().filename());
  }
  const fs::path before = fs::current_path();
  fs::current_path(folder.path);
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    std::vector<std::string> args;  // split like a shell: blanks separate, quotes group
    std::istringstream words(line);
    for (std::string word; words >> std::quoted(word);) args.push_back(word);
    if (args[0] != "info") args.push_back("--force");
    const CliRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitOk) << run.err;
  }
  fs::current_path(before);
}

}  // namespace
}  // namespace marbleset::cli
