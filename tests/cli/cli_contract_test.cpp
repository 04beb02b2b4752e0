// marbleset-cli as scripts and people meet it: what every subcommand writes, one
// error shape with fixed statuses, the data file never an output, standard input like a file,
// and a bar only at a terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/tool_in_process.h"
#include "formats/data_io.h"
#include "scratch_folder.h"

namespace marbleset::cli {
namespace {

namespace fs = std::filesystem;

const std::string examples = MARBLESET_EXAMPLES_DIR "/", markers = examples + "markers.phy",
                  multi = examples + "marker_sets.phy", traits = examples + "traits.phy";

std::unique_ptr<DataSet> Load(const std::string& path, DataKind kind = DataKind::kBinary) {
  auto data = std::make_unique<DataSet>();
  const FileFormat layout = path.ends_with(".nts") ? FileFormat::kNtsys : FileFormat::kPhylip;
  EXPECT_NO_THROW(LoadDataFile(*data, path, kind, layout)) << path;
  return data;
}

std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The built tool as a process, through the shell (pipes, FIFOs and redirections as a user
// writes them); standard output and error are caught in files.
CliRun RunShell(const ScratchFolder& folder, const std::string& command) {
  const std::string out = folder / ".stdout", err = folder / ".stderr";
  const std::string line =
      "cd '" + folder.path.string() + "' && " + command + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(line.c_str());
  CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileBytes(out), FileBytes(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}
const std::string tool = "'" MARBLESET_CLI_BINARY "'";

// How often piece occurs in text.
std::size_t Occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

// Each subcommand takes its options, to standard output and to a file alike: the data sets,
// OTUs and characters asked for, and distances worked out from the example files (Avena and
// Bromus differ in 2 of 24 markers, and share 12 of the 14 present in either).
TEST(CliContract, EverySubcommandTakesItsOptionsToStandardOutputOrAFile) {
  const struct {
    std::vector<std::string> args;
    std::string piece;
    std::size_t times;
  } cases[] = {
      {{"convert", "--to", "phylip", examples + "markers.nts"},
       "\r\nAvena        1 1 0 1 0 0 1 0 1 1 0 1 0 0 1 0 1 1 0 1 0 0 1 1\r\n",
       1},
      {{"convert", "--to", "NTSYS", "--quantitative", traits}, "\r\n 98.5 72 55.5 ", 1},
      {{"crop", "--otus-with-missing", "--monomorphic", "--characters-with-missing",
        "--uninformative", markers},
       " 8 24\r\n",
       0},
      {{"bootstraps", "--percent", "12.5", "--seed", "18446744073709551615", markers},
       " 8 24\r\n",
       100},
      {{"permutations", "--quantitative", "--datasets", "10", traits}, " 6 5\r\n", 10},
      {{"genstraps", "--datasets", "10", examples + "populations.phy"}, " 4 10\r\n", 10},
      {{"resample", "--datasets", "20", "--otus", "4", markers}, " 4 24\r\n", 20},
      {{"missstraps", "--datasets", "10", "--seed", "0", markers}, " 8 24\r\n", 10},
      {{"noise", "--datasets", "10", "--seed", "7", markers}, " 8 24\r\n", 10},
      {{"distances", markers}, "\r\nAvena       0.000000 0.083333 ", 1},
      {{"distances", "--coefficient", "jaccard", "--missing", "marker MODE", "--similarities",
        markers},
       "\r\nAvena       1.000000 0.857143 ",
       1},
      {{"distances", "--quantitative", "--coefficient", "correlation", "--similarities", traits},
       "\r\nAvena       1.000000 ",
       1},
      {{"distances", "--coefficient", "Nei", multi}, " 8\r\n", 5},
      {{"distances", "--average", "--coefficient", "Nei", multi}, "\r\n", 5},
  };
  ScratchFolder folder;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const CliRun toStdout = RunTool(c.args);
    ASSERT_EQ(toStdout.status, kExitOk) << toStdout.err;
    EXPECT_EQ(toStdout.err, "");
    EXPECT_EQ(Occurrences(toStdout.out, c.piece), c.times);
    std::vector<std::string> toFile = c.args;
    toFile.push_back(folder / ("out" + std::to_string(++n)));
    const CliRun written = RunTool(toFile);
    ASSERT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(FileBytes(toFile.back()), toStdout.out);
  }
  // Seeds differ, and the default is seed 0.
  const std::string byDefault = RunTool({"bootstraps", markers}).out;
  EXPECT_NE(RunTool({"bootstraps", "--seed", "7", markers}).out, byDefault);
  EXPECT_EQ(RunTool({"bootstraps", "--seed", "0", markers}).out, byDefault);
}

TEST(CliContract, InfoDescribesTheFileAsWritten) {
  const CliRun one = RunTool({"info", markers});
  EXPECT_EQ(one.out,
            "kind: binary\nlayout: phylip\notus: 8\ncharacters: 24\nseveral data sets: no\n"
            "data sets: 1\nmissing value: ? (code 2)\nNumber of monomorphic characters: 0\n"
            "Number of uninformative characters: 1\nNumber of characters with missing data: 4\n"
            "Number of OTUs with missing data: 4\n");
  // marker_sets.phy holds five data sets (the five matrices of its distances above).
  const CliRun several = RunTool({"info", multi});
  EXPECT_NE(several.out.find("several data sets: yes\ndata sets: 5\nmissing value: ? (code 2)\n"),
            std::string::npos)
      << several.out;
  EXPECT_EQ(several.out.find("Number of"), std::string::npos);  // no crop counts
  // NTSYS writes the code its header declares ("1 24 8 1 9"); quantitative PHYLIP a "?".
  EXPECT_NE(RunTool({"info", examples + "markers.nts"}).out.find("missing value: 9 (code 9)\n"),
            std::string::npos);
  EXPECT_NE(RunTool({"info", "--quantitative", traits}).out.find("missing value: ? (code -9999)\n"),
            std::string::npos);
}

struct ErrorCase {
  int status;
  std::vector<std::string> args;
  std::string err;  // every line, or the start of the first line when it ends with "..."
};

void ExpectError(const ErrorCase& c) {
  SCOPED_TRACE(testing::PrintToString(c.args));
  const CliRun run = RunTool(c.args);
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out, "");
  if (c.err.ends_with("...")) {
    const std::string start = c.err.substr(0, c.err.size() - 3);
    EXPECT_TRUE(run.err.starts_with(start) && run.err.size() > start.size() + 1 &&
                run.err.ends_with("\n"))
        << run.err;
  } else {
    EXPECT_EQ(run.err, c.err);
  }
}

TEST(CliContract, EveryErrorHasOneShapeAndItsStatus) {
  ScratchFolder folder;
  const std::string q = "\"";
  const auto help = [](const std::string& command) {
    return "See \"marbleset-cli " + command + " --help\" for the options.\n";
  };
  const auto datasets = [&](const std::string& value) -> ErrorCase {
    return {kExitUsage,
            {"bootstraps", "--datasets", value, markers},
            "marbleset-cli: --datasets: must be a whole number from 10 to 1000 (got \"" + value +
                "\")\n" + help("bootstraps")};
  };
  const std::string existing = folder / "existing.phy", noFolder = folder / "absent/out.phy";
  const std::string absent = folder / "absent.phy";
  PutFile(existing, "keep me");
  // clang-format off
  const std::vector<ErrorCase> cases = {
      {kExitUsage, {}, "marbleset-cli: a subcommand is required\n"
                       "See \"marbleset-cli --help\" for the subcommands.\n"},
      {kExitUsage, {"Info", markers}, "marbleset-cli: \"Info\": no such subcommand\n"
                                      "Did you mean \"info\"? Subcommands are written in lower case.\n"},
      {kExitUsage, {"help"}, "marbleset-cli: \"help\": no such subcommand\n"
                             "For help, run \"marbleset-cli --help\" or "
                             "\"marbleset-cli SUBCOMMAND --help\".\n"},
      {kExitUsage, {"--quiet", "foo", markers},
       "marbleset-cli: \"foo\": no such subcommand\nThe subcommands are info, convert, ..."},
      {kExitUsage, {"info"}, "marbleset-cli: info: INPUT is required\n" + help("info")},
      datasets("9"), datasets("1001"), datasets("1e2"),
      {kExitUsage, {"noise", "--seed=18446744073709551616", markers},
       "marbleset-cli: --seed: must be a whole number from 0 to 18446744073709551615 (got "
       "\"18446744073709551616\")\n" + help("noise")},
      {kExitUsage, {"bootstraps", "--percent", "51", markers},
       "marbleset-cli: --percent: must be a number from 1 to 50 with at most one decimal (got "
       "\"51\")\n" + help("bootstraps")},
      {kExitUsage, {"noise", "--percent", "10.25", markers},
       "marbleset-cli: --percent: must be a number from 1 to 100 with at most one decimal (got "
       "\"10.25\")\n" + help("noise")},
      {kExitUsage, {"resample", "--otus", "6560", markers},
       "marbleset-cli: --otus: must be a whole number from 1 to 8 for this data (got \"6560\")\n"},
      {kExitUsage, {"resample", "--otus", "18446744073709551617", markers},
       "marbleset-cli: --otus: must be a whole number from 1 to 8 for this data (got "
       "\"18446744073709551617\")\n"},
      {kExitUsage, {"crop", "--quantitative", markers},
       "marbleset-cli: crop: the following argument was not expected: --quantitative\n" +
           help("crop")},
      {kExitUsage, {"distances", "--coefficient", "Euclidean", markers},
       "marbleset-cli: --coefficient: \"Euclidean\" is not one of the binary entries: Matching, "
       "Jaccard, Nei\n"},
      {kExitUsage, {"distances", "--quantitative", "--missing", "0.5", traits},
       "marbleset-cli: --missing: \"0.5\" is not one of the quantitative entries: 0, Marker "
       "mean, Marker mode, Ignore\n"},
      {kExitUsage, {"distances", "--average", markers},
       "marbleset-cli: --average: the file holds one data set; averaging is for files of "
       "several\n"},
      {kExitUsage, {"convert", "--to", "phylip", multi},
       "marbleset-cli: " + Quoted(multi) + ": the file holds several data sets; convert saves "
       "one.\n"},
      {kExitUsage, {"permutations", multi},
       "marbleset-cli: " + Quoted(multi) + ": the file holds several data sets; the generators "
       "work on one.\n"},
      {kExitUnreadable, {"info", absent},
       "marbleset-cli: " + Quoted(absent) + ": No such file or directory\n"},
      {kExitUnreadable, {"info", folder / "a\x1b[2Jb.phy"},
       "marbleset-cli: " + q + folder / "a\\x1b[2Jb.phy" + q + ": No such file or directory\n"},
      {kExitUnreadable, {"info", "--layout", "ntsys", markers},
       "marbleset-cli: " + Quoted(markers) + ": Wrong matrix type.\nAn NTSYS file begins with "
       "the matrix type 1; for a file in the PHYLIP layout, add --from phylip.\n"},
      {kExitUnreadable, {"info", MARBLESET_TEST_DATA_DIR "/no_header.phy"},
       "marbleset-cli: " + Quoted(MARBLESET_TEST_DATA_DIR "/no_header.phy") +
       ": Can't find declarations.\n"},
      {kExitFailed, {"convert", "--to", "phylip", markers, existing},
       "marbleset-cli: " + Quoted(existing) + ": the file exists\nAdd --force to replace it.\n"},
      {kExitFailed, {"noise", markers, noFolder}, "marbleset-cli: " + Quoted(noFolder) + ": ..."},
      {kExitUsage, {"info", "--first-data-column", "1", folder / "scored.csv"},
       "marbleset-cli: --first-data-column: must be a whole number from 2 on (column 1 holds the "
       "names) (got \"1\")\n" + help("info")},
      {kExitUsage, {"distances", "--format", "nexus", multi},
       "marbleset-cli: --format: nexus holds one matrix, and the file holds several data sets\n"
       "Write them with --format phylip, as PHYLIP's neighbor reads them.\n"},
      // --phylip-names: no place for the table, no PHYLIP output, a file of several data sets.
      {kExitUsage, {"convert", "--to", "phylip", "--phylip-names", markers},
       "marbleset-cli: --phylip-names: the table of names goes beside OUTPUT, and the output is "
       "standard output\nName an OUTPUT file.\n"},
      {kExitUsage, {"convert", "--to", "nexus", "--phylip-names", markers, folder / "n"},
       "marbleset-cli: --phylip-names: names for PHYLIP go into PHYLIP files only\n"
       "Leave out --phylip-names, or write the PHYLIP layout.\n"},
      {kExitUsage, {"distances", "--phylip-names", multi, folder / "d"},
       "marbleset-cli: --phylip-names: the names of a file of several data sets are those the "
       "file holds\nGive --phylip-names to the command that wrote the file.\n"},
  };
  // clang-format on
  for (const ErrorCase& c : cases) ExpectError(c);
  EXPECT_EQ(FileBytes(existing), "keep me");
  EXPECT_EQ(Listing(folder.path), std::set<std::string>{"existing.phy"});
  EXPECT_EQ(RunTool({"convert", "--to", "phylip", "--force", markers, existing}).status, kExitOk);
  EXPECT_EQ(FileBytes(existing), RunTool({"convert", "--to", "phylip", markers}).out);
}

// A reading as the wrong kind says where it failed and what to add.
TEST(CliContract, ReadErrorsNameTheFileThePlaceAndTheOtherKind) {
  ScratchFolder folder;
  const CliRun asBinary = RunTool({"info", traits});
  EXPECT_EQ(asBinary.status, kExitUnreadable);
  const std::string first = asBinary.err.substr(0, asBinary.err.find('\n') + 1);
  EXPECT_TRUE(first.starts_with("marbleset-cli: " + Quoted(traits) + ": ")) << first;
  EXPECT_NE(first.find("data set 1"), std::string::npos) << first;
  EXPECT_NE(first.find("OTU"), std::string::npos) << first;
  EXPECT_EQ(asBinary.err.substr(first.size()),
            "If the file holds quantitative data, add --quantitative.\n");

  const std::string packed = folder / "packed.phy";  // binary rows without blanks
  PutFile(packed,
          "3 12\nAlpha       0110?1011010\nBeta        1110010?1100\n"
          "Gamma       0000111?0011\n");
  ASSERT_EQ(RunTool({"info", packed}).status, kExitOk);
  const CliRun asQuantitative = RunTool({"info", "--quantitative", packed});
  EXPECT_EQ(asQuantitative.status, kExitUnreadable);
  EXPECT_TRUE(asQuantitative.err.starts_with("marbleset-cli: " + Quoted(packed) + ": "))
      << asQuantitative.err;
  EXPECT_TRUE(
      asQuantitative.err.ends_with("\nIf the file holds binary data, leave out --quantitative.\n"))
      << asQuantitative.err;

  // A name with an escape sequence reaches the terminal escaped.
  const std::string hostile = folder / "hostile.phy";
  PutFile(hostile, "2 4\nA\x1b[31mred  0 1\n");
  const CliRun cut = RunTool({"info", hostile});
  EXPECT_EQ(cut.status, kExitUnreadable);
  EXPECT_EQ(cut.err.find('\x1b'), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("\\x1b[31m"), std::string::npos) << cut.err;
}

// The data file is refused as output however the output names it, for every command, also with
// --force, before anything is written.
TEST(CliContract, DataFileIsNeverAnOutput) {
  ScratchFolder folder;
  fs::create_directories(folder.path / "d");
  const fs::path data = folder.path / "d" / "X.phy";
  fs::copy_file(multi, folder.path / "d" / "several.phy");
  fs::copy_file(markers, data);
  fs::create_symlink(data, folder.path / "link.phy");
  fs::create_hard_link(data, folder.path / "hard.phy");
  const std::string before = FileBytes(data);
  const fs::path start = fs::current_path();
  fs::current_path(folder.path / "d");
  const std::set<std::string> listing = Listing(".");
  for (const std::vector<std::string>& command : kWritingCommands) {
    for (const std::string& output : std::vector<std::string>{
             "./X.phy", "../d/X.phy", "../link.phy", "../hard.phy", data.string()}) {
      std::vector<std::string> args = command;
      args.insert(args.end(), {"--force", "X.phy", output});
      SCOPED_TRACE(testing::PrintToString(args));
      ExpectError({kExitFailed, args,
                   "marbleset-cli: " + Quoted(output) + ": this is the data file " +
                       Quoted("X.phy") +
                       "; the output would replace it\nChoose another file for the output.\n"});
    }
  }
  // A file of several data sets, which the run reads while it writes.
  ExpectError({kExitFailed, {"distances", "--force", "several.phy", "./several.phy"}, "..."});
  EXPECT_EQ(FileBytes("several.phy"), FileBytes(multi));
  EXPECT_EQ(Listing("."), listing);
  fs::current_path(start);
  EXPECT_EQ(FileBytes(data), before);
  EXPECT_TRUE(fs::is_symlink(folder.path / "link.phy"));
}

// "-", a pipe, a FIFO and /dev/stdin give what the file gives, through one read of the input.
TEST(CliContract, StandardInputReadsLikeTheFile) {
  ScratchFolder folder;
  fs::copy_file(multi, folder.path / "several.phy");
  fs::copy_file(markers, folder.path / "markers.phy");
  ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
  for (const auto& [command, file] : std::vector<std::pair<std::string, std::string>>{
           {"distances --coefficient Jaccard", "several.phy"},
           {"distances --average", "several.phy"},
           {"info", "several.phy"},
           {"convert --to ntsys", "markers.phy"},
           {"resample --datasets 10 --otus 5", "markers.phy"}}) {
    SCOPED_TRACE(command + " " + file);
    const CliRun expected = RunShell(folder, tool + " " + command + " " + file);
    ASSERT_EQ(expected.status, 0) << expected.err;
    ASSERT_FALSE(expected.out.empty());
    for (const std::string& way :
         {tool + " " + command + " - < " + file,
          "cat " + file + " | " + tool + " " + command + " -",
          "cat " + file + " | " + tool + " " + command + " /dev/stdin",
          "(cat " + file + " > fifo &) ; " + tool + " " + command + " fifo"}) {
      SCOPED_TRACE(way);
      const CliRun run = RunShell(folder, way);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(run.out, expected.out);
    }
  }
  // A failure on standard input names it so.
  const CliRun cut = RunShell(folder, "printf '3 4\\nA           0 1' | " + tool + " info -");
  EXPECT_EQ(cut.status, kExitUnreadable);
  EXPECT_TRUE(cut.err.starts_with("marbleset-cli: standard input: ")) << cut.err;
}

TEST(CliContract, ProgressBarOnlyAtATerminalAndNotWhenQuiet) {
  ScratchFolder folder;
  const CliRun bar = RunTool({"bootstraps", "--datasets", "20", markers, folder / "a"}, true);
  ASSERT_EQ(bar.status, kExitOk) << bar.err;
  EXPECT_TRUE(bar.err.starts_with("\rGenerating BootStraps [")) << bar.err;
  EXPECT_TRUE(bar.err.ends_with("] 100%\n")) << bar.err;
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\n'), 1);
  EXPECT_EQ(std::count(bar.err.begin(), bar.err.end(), '\r'), 21);  // one redraw per data set
  const CliRun several = RunTool({"distances", multi, folder / "d"}, true);
  EXPECT_TRUE(several.err.starts_with("\rCalculating distances [")) << several.err;
  EXPECT_TRUE(several.err.ends_with("] 100%\n")) << several.err;

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

// What --help offers is what the subcommand takes, and every example in it runs as it stands
// in a fresh copy of the examples folder without touching a shipped file.
TEST(CliContract, HelpOffersWhatRunsAndItsExamplesWork) {
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

  // The data files shipped as examples (a walk through the README may have left others).
  const std::vector<std::string> shipped = {"markers.phy",     "markers.nts", "marker_sets.phy",
                                            "populations.phy", "traits.phy",  "traits.nts"};
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ScratchFolder folder;
    for (const std::string& name : shipped) fs::copy_file(examples + name, folder.path / name);
    std::vector<std::string> args;  // split like a shell: blanks separate, quotes group
    std::istringstream words(line);
    for (std::string word; words >> std::quoted(word);) args.push_back(word);
    const fs::path start = fs::current_path();
    fs::current_path(folder.path);
    const CliRun run = RunTool(args);
    fs::current_path(start);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    for (const std::string& name : shipped) {
      EXPECT_EQ(FileBytes(folder.path / name), FileBytes(examples + name)) << name;
    }
  }
}

// NEXUS and CSV out, tables and NEXUS in (found by name and content, or named by --from): the
// core's bytes, and round trips that give back the PHYLIP file byte for byte.
TEST(CliContract, OtherFormatsInAndOut) {
  ScratchFolder folder;
  const std::string phylip = RunTool({"convert", "--to", "phylip", markers}).out;
  const std::string nexus = RunTool({"convert", "--to", "nexus", markers}).out;
  const std::string csv = RunTool({"convert", "--to", "csv", markers}).out;
  EXPECT_TRUE(nexus.starts_with("#NEXUS")) << nexus;
  EXPECT_TRUE(csv.starts_with("OTU,1,2,")) << csv;
  // Avena and Bromus: 2 of the 14 markers present in either differ (Jaccard).
  for (const char* format : {"nexus", "CSV"}) {
    const CliRun run =
        RunTool({"distances", "--coefficient", "jaccard", "--format", format, markers});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.out.find("0.142857"), std::string::npos) << run.out;
  }
  // Round trips through files the format is told from (by name, by content, or by --from).
  // Which format a name or content means is the core's to tell; here the choice reaches it.
  PutFile(folder / "m.csv", csv);
  PutFile(folder / "m.nex", nexus);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{folder / "m.nex"}, {"--from", "csv", folder / "m.csv"}}) {
    std::vector<std::string> command = {"convert", "--to", "phylip"};
    command.insert(command.end(), args.begin(), args.end());
    SCOPED_TRACE(testing::PrintToString(command));
    const CliRun back = RunTool(command);
    EXPECT_EQ(back.status, kExitOk) << back.err;
    EXPECT_EQ(back.out, phylip);
  }
  EXPECT_TRUE(RunTool({"info", folder / "m.csv"}).out.starts_with("kind: binary\nlayout: table\n"));
  const CliRun piped = RunShell(folder, tool + " convert --from nexus --to phylip - < m.nex");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, phylip);
  // Quantitative values in a table read as binary: the cell is named and --quantitative offered.
  PutFile(folder / "q.csv", "OTU,1,2\r\nA,0.5,1\r\nB,1,0\r\n");
  const CliRun refused = RunTool({"info", folder / "q.csv"});
  EXPECT_EQ(refused.status, kExitUnreadable);
  EXPECT_TRUE(refused.err.starts_with("marbleset-cli: " + Quoted(folder / "q.csv") +
                                      ": line 2, column 2: "))
      << refused.err;
  EXPECT_TRUE(refused.err.ends_with("\nIf the file holds quantitative data, add --quantitative.\n"))
      << refused.err;
  // A table with a column of gel names before the values and its own missing code "x": the
  // undeclared "x" would move the guess past L1 and L2, so it is refused; the settings take
  // all three loci.
  PutFile(folder / "scored.csv", "Sample,Gel,L1,L2,L3\r\nA,g1,1,x,0\r\nB,g2,0,1,1\r\n");
  const CliRun guessed = RunTool({"convert", "--to", "phylip", folder / "scored.csv"});
  EXPECT_EQ(guessed.status, kExitUnreadable);
  EXPECT_NE(guessed.err.find("line 2, column 4: \"x\""), std::string::npos) << guessed.err;
  const CliRun scored = RunTool({"convert", "--to", "phylip", "--first-data-column", "3",
                                 "--missing-code", "x", folder / "scored.csv"});
  EXPECT_EQ(scored.status, kExitOk) << scored.err;
  EXPECT_EQ(scored.out, " 2 3\r\nA            1 ? 0\r\nB            0 1 1\r\n");
}

// --phylip-names: PHYLIP reads 10 characters of a name, so outputs carry short unique names and
// a table beside them; restore-names puts the originals back into PHYLIP's tree.
TEST(CliContract, NamesForPhylipAndBackIntoTheTree) {
  ScratchFolder folder;
  // Names of 11 and 12 characters whose first 10 are equal: PHYLIP would see one name.
  const std::string rows[] = {"Population_A 0 1 1 0 1 0", "Population_A 1 1 1 0 1 0",
                              "Population_B 0 0 1 1 1 0", "Population_B 0 0 0 1 1 1",
                              "Poa          1 0 1 0 1 0"};
  std::string data = "5 6\r\n";
  for (const std::string& row : rows) data += row + "\r\n";
  PutFile(folder / "long.phy", data);

  ASSERT_EQ(RunTool({"convert", "--to", "phylip", "--phylip-names", folder / "long.phy",
                     folder / "short.phy"})
                .status,
            kExitOk);
  // The short names are in the output; their table beside it is what restore-names reads below.
  const auto written = Load(folder / "short.phy");
  for (const std::string& field : written->otuNames) {
    EXPECT_EQ(field.substr(10), "  ") << field;  // PHYLIP's 10 characters hold the whole name
  }
  EXPECT_NE(written->otuNames[0], written->otuNames[1]);

  // GenStraps draws one OTU for each distinct name: equal names stay equal, so each data set
  // holds three OTUs, as without --phylip-names.
  ASSERT_EQ(RunTool({"genstraps", "--datasets", "10", "--phylip-names", folder / "long.phy",
                     folder / "gs.phy"})
                .status,
            kExitOk);
  const auto drawn = Load(folder / "gs.phy");
  EXPECT_EQ(drawn->OtuCount(), 3u);
  const std::string groups = FileBytes(folder / "gs_names.tsv");
  EXPECT_EQ(std::count(groups.begin(), groups.end(), '\n'), 4);  // the header and three names

  // A tree PHYLIP wrote with the short names gets the originals back, quoted for Newick.
  const std::string w0 = written->otuNames[0].substr(0, written->otuNames[0].find(' '));
  const std::string w2 = written->otuNames[2].substr(0, written->otuNames[2].find(' '));
  PutFile(folder / "outtree", "(" + w0 + ":0.1,(" + w2 + ":0.2,Poa:0.3):0.05);\n");
  const CliRun restored =
      RunTool({"restore-names", "--table", folder / "short_names.tsv", folder / "outtree"});
  EXPECT_EQ(restored.status, kExitOk) << restored.err;
  EXPECT_EQ(restored.out, "('Population_A':0.1,('Population_B':0.2,Poa:0.3):0.05);\n");

  ExpectError(
      {kExitFailed,
       {"convert", "--to", "phylip", "--phylip-names", folder / "long.phy", folder / "short.phy"},
       "marbleset-cli: " + Quoted(folder / "short_names.tsv") +
           ": the file exists\nAdd --force to replace it.\n"});
}

}  // namespace
}  // namespace marbleset::cli
