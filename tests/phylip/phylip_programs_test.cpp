// Marbleset's files fed to the real PHYLIP programs: what each program makes of them.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "formats/data_writer.h"
#include "formats/item_reader.h"
#include "phylip_runner.h"
#include "resampling/generators.h"

namespace marbleset {
namespace {

void ExpectCrLfOnly(const std::string& path) {
  const std::string text = FileBytes(path);
  const std::string rest = std::regex_replace(text, std::regex("\r\n"), "");
  EXPECT_TRUE(text.ends_with("\r\n") && rest.find_first_of("\r\n") == std::string::npos)
      << path << " has a line end other than CR LF";
}

// The trees of a tree file, line breaks inside a tree removed.
std::vector<std::string> TreesOf(std::string text) {
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  std::vector<std::string> trees;
  for (std::size_t at = 0, end; (end = text.find(';', at)) != std::string::npos; at = end + 1)
    trees.push_back(text.substr(at, end + 1 - at));
  return trees;
}

// The run ended well with count trees (any when count < 0), every name a whole label of each.
std::vector<std::string> ExpectTrees(const PhylipRun& run, int count,
                                     const std::vector<std::string>& names) {
  EXPECT_EQ(run.status, 0) << run.Describe();
  const std::vector<std::string> trees = TreesOf(run.outtree);
  EXPECT_TRUE(count < 0 ? !trees.empty() : trees.size() == static_cast<std::size_t>(count))
      << trees.size() << " trees; " << run.Describe();
  for (const std::string& tree : trees)
    for (const std::string& name : names)
      EXPECT_TRUE(std::regex_search(tree, std::regex("[(,]" + name + "[:,)\\[]")))
          << "no OTU " << name << " in " << tree;
  return trees;
}

void ExpectStops(const PhylipRun& run, const std::string& says) {
  EXPECT_NE(run.status, 0) << run.Describe();
  EXPECT_TRUE(TreesOf(run.outtree).empty()) << run.outtree;
  EXPECT_NE(run.screen.find(says), std::string::npos) << says << " not in " << run.Describe();
}

// Twelve grasses, the longest name exactly the ten characters PHYLIP reads.
const std::vector<std::string> kGrasses = {"Avena",   "Bromus",   "Festuca",  "Lolium",
                                           "Poa",     "Dactylis", "Phleum",   "Agrostis",
                                           "Hordeum", "Secale",   "Triticum", "Alopecurus"};

// Binary markers split by bits of the OTU index, with a few flips and missing entries.
DataSet BinaryMarkers(const std::vector<std::string>& names, std::size_t characters) {
  DataSet data;
  data.Resize(DataKind::kBinary, names.size(), characters, kBinaryMissingValue);
  std::mt19937 draw(2024);
  for (std::size_t i = 0; i < names.size(); ++i) {
    data.otuNames[i] = names[i] + std::string(12 - names[i].size(), ' ');
    for (std::size_t k = 1; k <= characters; ++k) {
      const unsigned state = ((i >> (k % 4)) & 1) ^ (draw() % 10 == 0);
      data.SetValue(i, k - 1, draw() % 40 == 0 ? data.MissingValue() : static_cast<float>(state));
    }
  }
  return data;
}

void WriteDistances(const DataSet& data, const std::string& path) {
  OutputFile file(path);
  DistanceMatrixPass(data, DefaultDistanceSettings(data.Kind()), file.sink());
  file.Close();
}

// 100 data sets of each generator at its usual settings (Bootstrap % 35, Noise % 10, random
// resampling drawing every OTU).
struct GeneratorCase {
  std::string name;
  Generator generator;
  friend std::ostream& operator<<(std::ostream& o, const GeneratorCase& c) { return o << c.name; }
};

const GeneratorCase kGenerators[] = {
    {"BootStraps", Generator::kBootStraps}, {"Permutations", Generator::kPermutations},
    {"GenStraps", Generator::kGenStraps},   {"Resamplings", Generator::kRandomResampling},
    {"MissStraps", Generator::kMissStraps}, {"Noise", Generator::kNoise},
};

void GenerateHundred(Generator generator, const DataSet& data, const std::string& path) {
  GeneratorSettings settings = DefaultGeneratorSettings(generator, data);
  settings.dataSets = 100;
  settings.otus = data.OtuCount();
  settings.percent = generator == Generator::kNoise ? 10 : 35;
  NoProgress none;
  Generate(data, settings, path, none);
}

class GeneratedDataSets : public testing::TestWithParam<GeneratorCase> {};

// 100 data sets of 250 characters (rows go on over a second line: I) read by pars in one run
// keeping one tree each (V 1): 100 trees with every OTU, and consense joins them into one.
TEST_P(GeneratedDataSets, ParsReadsAllHundred_ConsenseJoinsTheirTrees) {
  std::vector<std::string> names = kGrasses, rows = kGrasses;
  if (GetParam().name == "GenStraps") {  // rows drawn from repeated population names
    names = {"PopNorth", "PopSouth", "PopEast", "PopWest", "PopHill", "PopVale"};
    rows.clear();
    for (int copy = 0; copy < 3; ++copy) rows.insert(rows.end(), names.begin(), names.end());
  }
  ScratchFolder folder;
  GenerateHundred(GetParam().generator, BinaryMarkers(rows, 250), folder / "infile");
  ExpectCrLfOnly(folder / "infile");
  const PhylipRun pars = RunPhylip("pars", folder, "I\nV\n1\nM\nD\n100\n7\n1\nY\n");
  ExpectTrees(pars, 100, names);
  ScratchFolder consenseFolder;
  std::ofstream(consenseFolder / "intree", std::ios::binary) << pars.outtree;
  const PhylipRun consense = RunPhylip("consense", consenseFolder, "Y\n");
  ExpectTrees(consense, 1, names);
  EXPECT_NE(consense.outfile.find("out of 100.00 trees"), std::string::npos) << consense.outfile;
}

INSTANTIATE_TEST_SUITE_P(AllGenerators, GeneratedDataSets, testing::ValuesIn(kGenerators),
                         [](const auto& info) { return info.param.name; });

// A file of 100 bootstrap data sets: mix weights each tied tree of a data set by its share, so
// the weights add up to 100; neighbor reads the 100 distance matrices of each coefficient.
TEST(MultiSet, MixAndNeighborReadAllHundredDataSets) {
  ScratchFolder folder;
  GenerateHundred(Generator::kBootStraps, BinaryMarkers(kGrasses, 80), folder / "infile");
  const PhylipRun mix = RunPhylip("mix", folder, "M\nD\n100\n7\n1\nY\n");
  double weights = 0;
  for (const std::string& tree : ExpectTrees(mix, -1, kGrasses))
    weights += tree.ends_with("];") ? std::stod(tree.substr(tree.rfind('[') + 1)) : 1.0;
  EXPECT_NEAR(weights, 100.0, 0.05) << mix.outtree;
  DataSet data;
  ASSERT_NO_THROW(LoadDataFile(data, folder / "infile", DataKind::kBinary, FileFormat::kPhylip));
  ASSERT_TRUE(data.multiSet);
  for (const Coefficient coefficient : CoefficientsFor(DataKind::kBinary)) {
    SCOPED_TRACE(std::string(CoefficientName(coefficient)));
    DistanceSettings settings = DefaultDistanceSettings(DataKind::kBinary);
    settings.coefficient = coefficient;
    ScratchFolder runFolder;
    ItemReader in = ItemReader::OpenFile(folder / "infile");
    NoProgress none;
    DistanceRunMulti(data, settings, in, runFolder / "infile", none);
    ExpectCrLfOnly(runFolder / "infile");
    ExpectTrees(RunPhylip("neighbor", runFolder, "M\n100\n7\nY\n"), 100, kGrasses);
  }
}

// Values with no zero before the point and exponents for the very small, read by contml as
// continuous characters (C) and echoed (1) as written.
TEST(Contml, ReadsQuantitativeDataAsContinuousCharacters_ValuesAsWritten) {
  const float rows[6][6] = {{98.5f, 0.25f, -3.5f, 12.0f, 1.0f / 3.0f, 0.00001234f},
                            {72.0f, 0.5f, -2.25f, 8.0f, 0.125f, 0.00002f},
                            {55.5f, 0.75f, -0.5f, 6.0f, 2.0f / 3.0f, 0.00003f},
                            {48.0f, 0.05f, 1.5f, 9.0f, 0.9f, 0.00005f},
                            {35.25f, 0.2f, 2.0f, 4.0f, 0.3f, 0.00004f},
                            {80.125f, 0.6f, -1.75f, 7.0f, 0.45f, 0.00001f}};
  const std::vector<std::string> names(kGrasses.begin(), kGrasses.begin() + 6);
  DataSet data;
  data.Resize(DataKind::kQuantitative, 6, 6, kQuantitativeMissingValue);
  for (std::size_t i = 0; i < 6; ++i) {
    data.otuNames[i] = names[i];
    for (std::size_t k = 0; k < 6; ++k) data.SetValue(i, k, rows[i][k]);
  }
  ScratchFolder folder;
  WritePhylipData(data, folder / "infile");
  ExpectCrLfOnly(folder / "infile");
  const std::string written = FileBytes(folder / "infile");
  ASSERT_NE(written.find(" .25"), std::string::npos) << written;
  ASSERT_NE(written.find("E-05"), std::string::npos) << written;
  const PhylipRun run = RunPhylip("contml", folder, "C\n1\nY\n");
  ExpectTrees(run, 1, names);
  for (std::size_t i = 0; i < 6; ++i) {
    const auto at = run.outfile.find("\n" + names[i] + " ");
    ASSERT_NE(at, std::string::npos) << run.outfile;
    std::istringstream line(run.outfile.substr(at + 11, run.outfile.find('\n', at + 1) - at - 11));
    for (std::size_t k = 0; k < 6; ++k) {
      double echoed = 0;  // stays 0, far from any value, when the line ends early
      line >> echoed;
      EXPECT_NEAR(echoed, rows[i][k], 6e-6) << names[i] << " character " << k + 1;
    }
  }
}

// PHYLIP takes a row's first ten characters as the name; Marbleset's name field is 12. Ten are
// safe (the two filling blanks read as spacing); an 11th or 12th character is read as data.
TEST(NameBoundary, TenCharactersReachPhylip_ElevenAndTwelveAreReadAsData) {
  const auto run = [](const std::string& program, std::vector<std::string> names, bool first) {
    if (first) names.insert(names.end(), {"Avena", "Bromus", "Festuca", "Lolium"});
    const auto data = BinaryMarkers(names, 12);
    ScratchFolder folder;
    program == "mix" ? WritePhylipData(data, folder / "infile")
                     : WriteDistances(data, folder / "infile");
    return RunPhylip(program, folder, "Y\n");
  };
  for (const std::string program : {"mix", "neighbor"})
    ExpectTrees(run(program, {"Population", "Sample0001"}, true), -1, {"Population", "Sample0001"});
  // A letter 11th or 12th stops both; a digit is a state to mix, which runs on with the name cut.
  for (const std::string name : {"PopulationX", "PopulationXY", "Sample00001", "Sample000010"}) {
    const PhylipRun mix = run("mix", {name}, true);
    if (name.starts_with("Sample")) {
      ExpectTrees(mix, -1, {name.substr(0, 10)});
      EXPECT_EQ(mix.outtree.find(name), std::string::npos) << mix.outtree;
      continue;
    }
    ExpectStops(mix, "Bad character state: X");
    ExpectStops(run("neighbor", {name}, true), "");
  }
  // neighbor reads the digit into the row's first distance ("1" and "0.333333" make 10.333333)
  // and stops on a non-zero diagonal or, in a later row, an asymmetric matrix, even for a "0".
  ExpectStops(run("neighbor", {"Sample00001"}, true), "diagonal element of row 1");
  for (const std::string name : {"Sample00001", "Sample00000", "Sample000010"})
    ExpectStops(run("neighbor", {"Avena", name, "Bromus", "Festuca"}, false), "not symmetric");
}

}  // namespace
}  // namespace marbleset
