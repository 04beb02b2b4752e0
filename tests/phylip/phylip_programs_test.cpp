// Marbleset's files fed to the real PHYLIP programs: what each program makes of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "dataset/data_loader.h"
#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "distances/distance_run.h"
#include "editing/data_writer.h"
#include "phylip/phylip_runner.h"
#include "resampling/generators.h"

namespace marbleset::phylip {
namespace {

// Twelve grasses, the longest name exactly the ten characters PHYLIP reads.
const std::vector<std::string> kGrasses = {"Avena",   "Bromus",   "Festuca",  "Lolium",
                                           "Poa",     "Dactylis", "Phleum",   "Agrostis",
                                           "Hordeum", "Secale",   "Triticum", "Alopecurus"};

std::string NameField(const std::string& name) {
  return name + std::string(12 - name.size(), ' ');
}

// Binary markers with some tree-like structure (each character splits the OTUs by one bit of
// their index), a few flips and a few missing entries.
std::unique_ptr<DataSet> BinaryMarkers(const std::vector<std::string>& names, int characters) {
  auto data = std::make_unique<DataSet>();
  data->NOtu = static_cast<int16_t>(names.size());
  data->NChar = static_cast<int16_t>(characters);
  data->MissingValue = 2.0f;
  std::mt19937 draw(2024);
  for (int i = 1; i <= data->NOtu; ++i) {
    data->OtuName[i] = NameField(names[i - 1]);
    for (int j = 1; j <= characters; ++j) {
      int state = ((i - 1) >> (j % 4)) & 1;
      if (draw() % 10 == 0) state = 1 - state;
      data->Matrix(i, j) = draw() % 40 == 0 ? data->MissingValue : static_cast<float>(state);
    }
  }
  data->DataFileName = "markers.phy";
  return data;
}

std::vector<std::string> TreesOf(const std::string& treefile) {
  std::vector<std::string> trees;
  std::string tree;
  for (char c : treefile) {
    if (c == '\r' || c == '\n') continue;
    tree += c;
    if (c == ';') trees.push_back(std::move(tree)), tree.clear();
  }
  return trees;
}

// Every name appears in the tree as a whole label (after '(' or ',', before ':' ',' or ')').
void ExpectEveryName(const std::string& text, const std::vector<std::string>& names,
                     const std::string& context) {
  std::string tree;  // tree files break long trees over lines
  for (char c : text)
    if (c != '\r' && c != '\n') tree += c;
  for (const std::string& name : names) {
    const std::regex label("[(,]" + name + "[:,)\\[]");
    EXPECT_TRUE(std::regex_search(tree, label)) << context << ": no OTU " << name << " in " << tree;
  }
}

void ExpectCrLfFile(const fs::path& path) {
  EXPECT_TRUE(OnlyCrLfLineEnds(ReadWholeFile(path))) << path << " has a line end other than CR LF";
}

// pars with the rows read in sequence (a row may go on over several lines), one tree kept per
// data set, and the multiple data sets option: count, then the random-number seed and the
// number of jumbles it asks for.
std::string ParsMultiSetAnswers(int data_sets) {
  return "I\nV\n1\nM\nD\n" + std::to_string(data_sets) + "\n7\n1\nY\n";
}

// consense on a tree file: one majority-rule tree of all the names.
void ExpectConsensus(const std::string& trees, const std::vector<std::string>& names,
                     int tree_count) {
  TempFolder folder;
  WriteWholeFile(folder / "intree", trees);
  const PhylipRun run = RunPhylip("consense", folder.path(), "Y\n");
  ASSERT_EQ(run.status, 0) << "consense: " << run.Describe();
  ASSERT_EQ(CountTrees(run.outtree), 1) << "consense: " << run.Describe();
  ExpectEveryName(run.outtree, names, "consensus");
  EXPECT_NE(run.outfile.find("out of " + std::to_string(tree_count) + ".00 trees"),
            std::string::npos)
      << run.outfile;
}

using GenerateInto = std::function<void(const DataSet&, UniformSource&, const std::string&)>;

struct GeneratorCase {
  std::string name;
  GenerateInto generate;
  bool populations;  // drawn from repeated population names (GenStraps)
};

void PrintTo(const GeneratorCase& param, std::ostream* out) {
  *out << param.name;
}

class GeneratedDataSets : public testing::TestWithParam<GeneratorCase> {};

// 100 data sets of each generator, read by pars in one run: 100 trees with every OTU, and
// consense joins them. 250 characters make every row go on over a second line.
TEST_P(GeneratedDataSets, ParsReadsAllHundred_ConsenseJoinsTheirTrees) {
  const GeneratorCase& param = GetParam();
  std::vector<std::string> names = kGrasses;
  std::vector<std::string> rows = kGrasses;
  if (param.populations) {
    names = {"PopNorth", "PopSouth", "PopEast", "PopWest", "PopHill", "PopVale"};
    rows.clear();
    for (int copy = 0; copy < 3; ++copy) rows.insert(rows.end(), names.begin(), names.end());
  }
  const auto data = BinaryMarkers(rows, 250);
  TempFolder folder;
  UniformSource source;
  param.generate(*data, source, (folder / "infile").string());
  ExpectCrLfFile(folder / "infile");

  const PhylipRun run = RunPhylip("pars", folder.path(), ParsMultiSetAnswers(100));
  ASSERT_EQ(run.status, 0) << "pars: " << run.Describe();
  const std::vector<std::string> trees = TreesOf(run.outtree);
  ASSERT_EQ(trees.size(), 100u) << "pars: " << run.Describe();
  for (const std::string& tree : trees) ExpectEveryName(tree, names, "pars tree");
  ExpectConsensus(run.outtree, names, 100);
}

INSTANTIATE_TEST_SUITE_P(
    AllGenerators, GeneratedDataSets,
    testing::Values(GeneratorCase{"BootStraps",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GenerateBootStraps(d, s, 1000, 350, p, none);
                                  },
                                  false},
                    GeneratorCase{"Permutations",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GeneratePermutations(d, s, 1000, p, none);
                                  },
                                  false},
                    GeneratorCase{"GenStraps",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GenerateGenStraps(d, s, 1000, p, none);
                                  },
                                  true},
                    GeneratorCase{"Resamplings",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GenerateResamplings(d, s, 1000,
                                                        static_cast<int16_t>(10 * d.NOtu), p, none);
                                  },
                                  false},
                    GeneratorCase{"MissStraps",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GenerateMissStraps(d, s, 1000, p, none);
                                  },
                                  false},
                    GeneratorCase{"Noise",
                                  [](const DataSet& d, UniformSource& s, const std::string& p) {
                                    NoProgress none;
                                    GenerateNoise(d, s, 1000, 100, p, none);
                                  },
                                  false}),
    [](const testing::TestParamInfo<GeneratorCase>& info) { return info.param.name; });

// mix keeps every tied tree of a data set, each weighted by its share: the weights of one
// data set add up to 1, so 100 data sets read give weights adding up to 100.
TEST(Mix, ReadsHundredBootstraps_TreeWeightsAddUpToHundred) {
  const auto data = BinaryMarkers(kGrasses, 60);
  TempFolder folder;
  UniformSource source;
  NoProgress none;
  GenerateBootStraps(*data, source, 1000, 350, (folder / "infile").string(), none);
  ExpectCrLfFile(folder / "infile");

  const PhylipRun run = RunPhylip("mix", folder.path(), "M\nD\n100\n7\n1\nY\n");
  ASSERT_EQ(run.status, 0) << "mix: " << run.Describe();
  EXPECT_NE(run.screen.find("Data set # 100:"), std::string::npos) << run.Describe();
  double weights = 0;
  for (const std::string& tree : TreesOf(run.outtree)) {
    ExpectEveryName(tree, kGrasses, "mix tree");
    const auto open = tree.rfind('[');
    weights += open == std::string::npos ? 1.0 : std::stod(tree.substr(open + 1));
  }
  EXPECT_NEAR(weights, 100.0, 0.05) << run.outtree;
}

// The distance matrices of a file of 100 data sets, read by neighbor in one run.
TEST(Neighbor, ReadsHundredDistanceMatrices_HundredTreesOfEveryOtu) {
  TempFolder folder;
  {
    const auto data = BinaryMarkers(kGrasses, 80);
    UniformSource source;
    NoProgress none;
    GenerateBootStraps(*data, source, 1000, 350, (folder / "markers_bs.phy").string(), none);
  }
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(
      LoadDataFile(*data, (folder / "markers_bs.phy").string(), DataKind::kBinary, Layout::kPhylip),
      ReadStatus::kOk);
  ASSERT_EQ(data->MultiSet, 1);
  for (int coefficient : {kBinaryMatching, kJaccard, kNei}) {
    SCOPED_TRACE(std::string(CoefficientNames(false)[coefficient]));
    TempFolder run_folder;
    DistanceSettings settings;
    settings.coefficient = coefficient;
    NoProgress none;
    DistanceRunMulti(*data, settings, (run_folder / "infile").string(), none);
    ExpectCrLfFile(run_folder / "infile");

    const PhylipRun run = RunPhylip("neighbor", run_folder.path(), "M\n100\n7\nY\n");
    ASSERT_EQ(run.status, 0) << "neighbor: " << run.Describe();
    const std::vector<std::string> trees = TreesOf(run.outtree);
    ASSERT_EQ(trees.size(), 100u) << "neighbor: " << run.Describe();
    for (const std::string& tree : trees) ExpectEveryName(tree, kGrasses, "neighbor tree");
  }
}

// The largest matrix Marbleset holds: 1000 OTUs, each row one line of 9000 characters.
TEST(Neighbor, ReadsThousandOtuMatrix_OneTreeOfThousandOtus) {
  std::vector<std::string> names;
  for (int i = 1; i <= kMaxOtu; ++i) {
    char name[11];
    std::snprintf(name, sizeof name, "OTU%04d", i);
    names.push_back(name);
  }
  const auto data = BinaryMarkers(names, 40);
  TempFolder folder;
  {
    OutputFile file((folder / "infile").string());
    DistanceMatrixPass(*data, DistanceSettings{}, file.sink());
    file.Close();
  }
  ExpectCrLfFile(folder / "infile");

  const PhylipRun run = RunPhylip("neighbor", folder.path(), "2\nY\n", 100);
  ASSERT_EQ(run.status, 0) << "neighbor: " << run.Describe();
  const std::vector<std::string> trees = TreesOf(run.outtree);
  ASSERT_EQ(trees.size(), 1u) << "neighbor: " << run.Describe();
  int labels = 0;
  for (std::size_t at = 0; (at = trees[0].find("OTU", at)) != std::string::npos; ++at) ++labels;
  EXPECT_EQ(labels, kMaxOtu);
  ExpectEveryName(trees[0], {"OTU0001", "OTU0500", "OTU1000"}, "neighbor tree");
}

// Quantitative values in the value tokens (no zero before the point, exponents for the very
// small) read by contml as continuous characters: it echoes the values it read.
TEST(Contml, ReadsQuantitativeDataAsContinuousCharacters_ValuesAsWritten) {
  const std::vector<std::vector<float>> rows = {
      {98.5f, 0.25f, -3.5f, 12.0f, 1.0f / 3.0f, 0.00001234f},
      {72.0f, 0.5f, -2.25f, 8.0f, 0.125f, 0.00002f},
      {55.5f, 0.75f, -0.5f, 6.0f, 2.0f / 3.0f, 0.00003f},
      {48.0f, 0.05f, 1.5f, 9.0f, 0.9f, 0.00005f},
      {35.25f, 0.2f, 2.0f, 4.0f, 0.3f, 0.00004f},
      {80.125f, 0.6f, -1.75f, 7.0f, 0.45f, 0.00001f}};
  const std::vector<std::string> names = {"Avena",  "Bromus", "Festuca",
                                          "Lolium", "Poa",    "Dactylis"};
  auto data = std::make_unique<DataSet>();
  data->NOtu = 6;
  data->NChar = 6;
  data->Quantitative = 1;
  data->MissingValue = -9999.0f;
  for (int i = 1; i <= 6; ++i) {
    data->OtuName[i] = NameField(names[i - 1]);
    for (int j = 1; j <= 6; ++j) data->Matrix(i, j) = rows[i - 1][j - 1];
  }
  TempFolder folder;
  WritePhylipData(*data, (folder / "infile").string());
  const std::string written = ReadWholeFile(folder / "infile");
  EXPECT_TRUE(OnlyCrLfLineEnds(written));
  ASSERT_NE(written.find(" .25"), std::string::npos) << written;
  ASSERT_NE(written.find("E-05"), std::string::npos) << written;

  // C: continuous characters (no line of allele counts); 1: print the data read.
  const PhylipRun run = RunPhylip("contml", folder.path(), "C\n1\nY\n");
  ASSERT_EQ(run.status, 0) << "contml: " << run.Describe();
  ASSERT_EQ(CountTrees(run.outtree), 1) << "contml: " << run.Describe();
  ExpectEveryName(run.outtree, names, "contml tree");
  for (int i = 1; i <= 6; ++i) {
    const auto at = run.outfile.find("\n" + names[i - 1] + " ");
    ASSERT_NE(at, std::string::npos) << run.outfile;
    std::istringstream line(run.outfile.substr(at + 11, run.outfile.find('\n', at + 1) - at - 11));
    for (int j = 1; j <= 6; ++j) {
      double echoed = 0;
      ASSERT_TRUE(line >> echoed) << names[i - 1] << " character " << j << "\n" << run.outfile;
      EXPECT_NEAR(echoed, data->Matrix(i, j), 6e-6) << names[i - 1] << " character " << j;
    }
  }
}

// PHYLIP takes the first ten characters of a row as the name; Marbleset's name field is 12.
// Ten characters are safe: the two blanks that fill the field are read as spacing. An 11th or
// 12th character is read as the first data: a letter makes mix and neighbor stop, a digit
// slips into mix's data unnoticed with the name cut to ten, and makes neighbor stop.
TEST(NameBoundary, TenCharactersReachPhylip_ElevenAndTwelveAreReadAsData) {
  const auto run_mix = [](const std::vector<std::string>& names) {
    const auto data = BinaryMarkers(names, 12);
    TempFolder folder;
    WritePhylipData(*data, (folder / "infile").string());
    return RunPhylip("mix", folder.path(), "Y\n");
  };
  const auto run_neighbor = [](const std::vector<std::string>& names) {
    const auto data = BinaryMarkers(names, 12);
    TempFolder folder;
    OutputFile file((folder / "infile").string());
    DistanceMatrixPass(*data, DistanceSettings{}, file.sink());
    file.Close();
    return RunPhylip("neighbor", folder.path(), "Y\n");
  };
  const std::vector<std::string> others = {"Avena", "Bromus", "Festuca", "Lolium"};
  const auto with = [&others](std::vector<std::string> names) {
    names.insert(names.end(), others.begin(), others.end());
    return names;
  };

  // 10 characters: read whole by both.
  for (const PhylipRun& run : {run_mix(with({"Population", "Sample0001"})),
                               run_neighbor(with({"Population", "Sample0001"}))}) {
    ASSERT_EQ(run.status, 0) << run.Describe();
    ExpectEveryName(run.outtree, with({"Population", "Sample0001"}), "10 characters");
  }
  // 11 and 12 characters ending in letters: refused.
  for (const std::string name : {"PopulationX", "PopulationXY"}) {
    const PhylipRun mix = run_mix(with({name}));
    EXPECT_NE(mix.status, 0) << mix.Describe();
    EXPECT_NE(mix.screen.find("Bad character state: X"), std::string::npos) << mix.Describe();
    const PhylipRun neighbor = run_neighbor(with({name}));
    EXPECT_NE(neighbor.status, 0) << neighbor.Describe();
    EXPECT_EQ(CountTrees(neighbor.outtree), 0) << neighbor.Describe();
  }
  // 11 and 12 characters ending in digits: mix takes them as states and runs on, with the
  // name cut to ten characters.
  for (const std::string name : {"Sample00001", "Sample000010"}) {
    const PhylipRun mix = run_mix(with({name}));
    ASSERT_EQ(mix.status, 0) << mix.Describe();
    ExpectEveryName(mix.outtree, {name.substr(0, 10)}, "cut name");
    EXPECT_EQ(mix.outtree.find(name), std::string::npos) << mix.outtree;
  }
  // neighbor reads the digit into the row's first distance ("1" and "0.333333" make
  // 10.333333) and stops: the matrix is no longer zero on its diagonal or no longer symmetric.
  // Even a "0" there makes it stop.
  const PhylipRun first_row = run_neighbor(with({"Sample00001"}));
  EXPECT_NE(first_row.status, 0) << first_row.Describe();
  EXPECT_NE(first_row.screen.find("diagonal element of row 1"), std::string::npos)
      << first_row.Describe();
  for (const std::string name : {"Sample00001", "Sample00000", "Sample000010"}) {
    const PhylipRun later_row = run_neighbor({"Avena", name, "Bromus", "Festuca"});
    EXPECT_NE(later_row.status, 0) << name << ": " << later_row.Describe();
    EXPECT_NE(later_row.screen.find("not symmetric"), std::string::npos) << later_row.Describe();
  }
}

}  // namespace
}  // namespace marbleset::phylip
