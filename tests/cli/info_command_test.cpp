#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "dataset/errors.h"

namespace marbleset::cli {
namespace {

TEST(InfoCommand, DescribesEveryExampleFile) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  const Case cases[] = {
      {{"info", Example("markers.phy")},
       "kind: binary\nlayout: phylip\notus: 8\ncharacters: 24\nseveral data sets: no\n"
       "missing value: 2\n"
       "Number of monomorphic characters: 0\n"
       "Number of uninformative characters: 1\n"
       "Number of characters with missing data: 4\n"
       "Number of OTUs with missing data: 4\n"},
      {{"info", Example("markers.nts")},
       "kind: binary\nlayout: ntsys\notus: 8\ncharacters: 24\nseveral data sets: no\n"
       "missing value: 9\n"
       "Number of monomorphic characters: 0\n"
       "Number of uninformative characters: 1\n"
       "Number of characters with missing data: 4\n"
       "Number of OTUs with missing data: 4\n"},
      {{"info", "--quantitative", Example("traits.phy")},
       "kind: quantitative\nlayout: phylip\notus: 6\ncharacters: 5\nseveral data sets: no\n"
       "missing value: -9999\n"},
      {{"info", "--quantitative", Example("traits.nts")},
       "kind: quantitative\nlayout: ntsys\notus: 6\ncharacters: 5\nseveral data sets: no\n"
       "missing value: -999\n"},
      {{"info", Example("marker_sets.phy")},
       "kind: binary\nlayout: phylip\notus: 8\ncharacters: 24\nseveral data sets: yes\n"
       "missing value: 2\n"},
      {{"info", "--binary", Example("populations.phy")},
       "kind: binary\nlayout: phylip\notus: 9\ncharacters: 10\nseveral data sets: no\n"
       "missing value: 2\n"
       "Number of monomorphic characters: 0\n"
       "Number of uninformative characters: 0\n"
       "Number of characters with missing data: 1\n"
       "Number of OTUs with missing data: 1\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunTool(c.args);
    EXPECT_EQ(run.status, kExitOk) << c.args.back() << ": " << run.err;
    // Later lines belong to other parts of the program; these six come first.
    EXPECT_EQ(run.out.substr(0, c.expected.size()), c.expected) << c.args.back();
    EXPECT_EQ(run.err, "");
  }
}

TEST(InfoCommand, ChoosesTheLayoutByNameUnlessTold) {
  // markers.phy read as NTSYS finds its "8 24" header a wrong matrix type; markers.nts read as
  // PHYLIP takes its quoted title line as a comment and then the "1 24 8 1 9" header.
  const CliRun as_ntsys = RunTool({"info", "--layout", "ntsys", Example("markers.phy")});
  EXPECT_EQ(as_ntsys.status, kExitUnreadable);
  EXPECT_EQ(as_ntsys.err, "Wrong matrix type.\n");
  const CliRun as_phylip = RunTool({"info", "--layout", "PHYLIP", Example("markers.nts")});
  EXPECT_NE(as_phylip.out.find("layout: phylip\n"), std::string::npos) << as_phylip.err;
}

TEST(InfoCommand, ReportsEveryReadFindingWithStatusThree) {
  const std::pair<std::string, std::string> findings[] = {
      {"no_header.phy", "Can't find declarations.\n"},
      {"no_otu_count.phy", "Can't find #otu declaration.\n"},
      {"no_char_count.phy", "Can't find #chararcters declaration.\n"},
      {"ends_early.phy", "Error reading data.\n"},
      {"wrong_type.nts", "Wrong matrix type.\n"},
      {"short_labels.nts", "Error reading OTU names.\n"},
  };
  for (const auto& [file, message] : findings) {
    const CliRun run = RunTool({"info", TestData(file)});
    EXPECT_EQ(run.status, kExitUnreadable) << file;
    EXPECT_EQ(run.err, message) << file;
    EXPECT_EQ(run.out, "") << file;
  }
  const CliRun missing = RunTool({"info", "/nonexistent-folder/none.phy"});
  EXPECT_EQ(missing.status, kExitUnreadable);
  EXPECT_EQ(missing.err, "/nonexistent-folder/none.phy: No such file or directory\n");
  const CliRun too_many = RunTool({"info", TestData("too_many_otus.phy")});
  EXPECT_EQ(too_many.status, kExitUnreadable);
  EXPECT_NE(too_many.err.find("declares 1200 OTUs; Marbleset holds at most 1000"),
            std::string::npos)
      << too_many.err;
}

TEST(Tool, AnswersHelpVersionAndUsageErrors) {
  const CliRun version = RunTool({"--version"});
  EXPECT_EQ(version.status, kExitOk);
  EXPECT_EQ(version.out, "marbleset-cli 1.32\n");
  const CliRun help = RunTool({"info", "--help"});
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_NE(help.out.find("--quantitative"), std::string::npos);

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"info"},
                                             {"nosuch"},
                                             {"info", "--binary", "--quantitative", "a.phy"},
                                             {"info", "--layout", "nexus", "a.phy"}}) {
    const CliRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitUsage) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
  }
}

TEST(CliOutput, WritesStandardOutputOrRefusesToReplaceWithoutForce) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "marbleset_cli_output_test.txt";
  std::ofstream(path) << "old";
  OutputOptions options;
  options.path = path.string();
  std::ostringstream stdout_text;
  EXPECT_THROW(CliOutput(options, stdout_text), WriteFailure);
  options.force = true;
  CliOutput file(options, stdout_text);
  file.sink().Append("new");
  file.Close();
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "new");
  std::filesystem::remove(path);

  CliOutput to_stdout(OutputOptions{}, stdout_text);
  to_stdout.sink().Append("text");
  to_stdout.Close();
  EXPECT_EQ(stdout_text.str(), "text");
}

TEST(CliOptions, MatchesListEntriesWithoutCaseAndChecksBounds) {
  CLI::App app;
  int coefficient = -1;
  int count = 0;
  AddChoiceOption(app, "--coefficient", coefficient, {"Jaccard", "Dice", "Simple matching"},
                  "Coefficient");
  AddBoundedOption(app, "--count", count, 1, 1000, "Data sets");
  app.parse("--count 10 --coefficient \"simple MATCHING\"");
  EXPECT_EQ(coefficient, 2);
  EXPECT_EQ(count, 10);
  try {
    app.parse("--count 1001");
    FAIL();
  } catch (const CLI::ParseError& error) {
    EXPECT_NE(std::string(error.what()).find("between 1 and 1000"), std::string::npos)
        << error.what();
  }
  EXPECT_THROW(app.parse("--coefficient Euclid"), CLI::ParseError);
}

}  // namespace
}  // namespace marbleset::cli
