// Names for PHYLIP: 10-character unique names, their table, the original names put back into
// the trees PHYLIP's pars and neighbor write from Marbleset's files.
#include "formats/phylip_names.h"

#include <algorithm>
#include <random>

#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "distances/distance_settings.h"
#include "format_test_support.h"
#include "formats/data_writer.h"

namespace marbleset::test {
namespace {

TEST(PhylipNames, LongBlankAndClashingNames_TenUniqueCharacters) {
  const std::vector<std::string> names = {"Festuca rubra subsp. A",
                                          "Festuca rubra subsp. B",
                                          "Poa",
                                          "Poa annua (Kent)",
                                          "Avena",
                                          "Avena       ",
                                          "",
                                          "Lolium:x",
                                          "Festuca_r1",
                                          "M\xC3\xBCller's grass"};
  const PhylipNames mapped = MakePhylipNames(names);
  // The numbered names step over "Festuca_r1", which another OTU holds already.
  EXPECT_EQ(mapped.written, (std::vector<std::string>{
                                "Festuca_r2", "Festuca_r3", "Poa", "Poa_annua_", "Avena1", "Avena2",
                                "OTU", "Lolium_x", "Festuca_r1", "M\xC3\xBCller_s_"}));

  const std::string table = Written([&](TextSink& out) { WriteNameTable(mapped, out); });
  EXPECT_TRUE(
      table.starts_with("name in file\toriginal name\r\nFestuca_r2\tFestuca rubra "
                        "subsp. A\r\nFestuca_r3\tFestuca rubra subsp. B\r\nPoa\tPoa\r\n"))
      << table;
  const auto pairs = ReadNameTable(table, "t.tsv");
  EXPECT_THROW(ReadNameTable("h\r\nA\tx\r\nA\ty\r\n", "t.tsv"), ReadFailure);
  EXPECT_THROW(ReadNameTable("h\r\nno tab\r\n", "t.tsv"), ReadFailure);

  EXPECT_EQ(NameTablePath("run.d/infile"), "run.d/infile_names.tsv");

  // Leaves are renamed; internal labels, lengths, comments and line breaks stay.
  const std::string tree = "(Avena1:0.1,(Festuca_r2:0.2,\r\nOTU:0.3)90:0.05,[Poa]Poa);\r\n";
  EXPECT_EQ(RestoreTreeNames(tree, "outtree", pairs),
            "(Avena:0.1,('Festuca rubra subsp. A':0.2,\r\n'':0.3)90:0.05,[Poa]Poa);\r\n");
  EXPECT_EQ(FailureText([&] { RestoreTreeNames("(Avena1,\nPoa,Secale);", "outtree", pairs); }),
            "outtree, line 2: the tree holds the name \"Secale\", which the name table does not "
            "list.");
}

// PHYLIP asks before it replaces an outfile or outtree: each run has its own folder.
std::string RunPhylip(const std::string& program, const ScratchFolder& folder,
                      const std::string& answers) {
  std::filesystem::remove(folder / "outfile");
  std::filesystem::remove(folder / "outtree");
  PutFile(folder / "answers", answers);
  int status = 0;
  Run("cd '" + folder.path.string() + "' && timeout -k 5 60 '" MARBLESET_PHYLIP_BIN "/" + program +
          "' < answers > screen 2>&1",
      status);
  EXPECT_EQ(status, 0) << FileBytes(folder / "screen");
  return FileBytes(folder / "outtree");
}

// The leaf names of a Newick tree as ape reads them, sorted; ape keeps the quotes of a quoted
// label (and cannot read a doubled quote inside one), so they are taken off here.
std::vector<std::string> LeafNamesByApe(const ScratchFolder& folder, const std::string& tree) {
  PutFile(folder / "restored.tre", tree);
  const std::string out = RunR(folder,
                               "t <- ape::read.tree('restored.tre')\n"
                               "cat(sort(t$tip.label), sep = '\\n')\ncat('\\n')\n");
  std::vector<std::string> names = Split(out, '\n');
  while (!names.empty() && names.back().empty()) names.pop_back();
  for (std::string& name : names) {
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
      name = name.substr(1, name.size() - 2);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PhylipNames, ParsAndNeighbor_ReadTheShortNamesAndTheTreeGetsTheOriginalsBack) {
  SKIP_WITHOUT("Rscript");
  if (!std::filesystem::exists(MARBLESET_PHYLIP_BIN "/pars")) GTEST_SKIP() << "no PHYLIP";
  // Names of 11 to 30 characters, several alike in their first 10, with blanks and the
  // characters Newick gives a meaning to (the quote is left to the test above: ape cannot
  // read it doubled in a label).
  const std::vector<std::string> names = {"Festuca rubra subsp. commutata",
                                          "Festuca rubra subsp. rubra",
                                          "Lolium perenne",
                                          "Poa pratensis L.",
                                          "Avena sativa cv. Gigant",
                                          "Bromus (sect. Ceratochloa)",
                                          "Dactylis glomerata",
                                          "Agrostis:capillaris",
                                          "Hordeum_vulgare_x",
                                          "Secale cereale",
                                          "Triticum aestivum, sp",
                                          "Alopecuruss"};
  DataSet data;
  data.Resize(DataKind::kBinary, names.size(), 60, kBinaryMissingValue);
  std::mt19937 draw(3);
  for (std::size_t i = 0; i < names.size(); ++i) {
    data.otuNames[i] = names[i];
    for (std::size_t k = 0; k < 60; ++k) {
      data.SetValue(i, k, static_cast<float>(((i >> (k % 4)) & 1) ^ (draw() % 12 == 0)));
    }
  }
  const PhylipNames mapped = MakePhylipNames(data.otuNames);
  std::vector<std::string> sorted = mapped.original;
  std::sort(sorted.begin(), sorted.end());
  ScratchFolder folder;
  const auto pairs =
      ReadNameTable(Written([&](TextSink& out) { WriteNameTable(mapped, out); }), "names.tsv");
  // pars reads the data, neighbor a distance matrix, both with the short names.
  for (const std::string program : {"pars", "neighbor"}) {
    PutFile(folder / "infile", Written([&](TextSink& out) {
              ScopedOtuNames shortNames(data, mapped.written);
              if (program == "pars") return WritePhylipData(data, out);
              DistanceMatrixPass(data, DefaultDistanceSettings(DataKind::kBinary), out);
            }));
    EXPECT_EQ(data.otuNames, names);
    const std::string tree = RunPhylip(program, folder, "Y\n");
    ASSERT_FALSE(tree.empty()) << program;
    EXPECT_EQ(LeafNamesByApe(folder, RestoreTreeNames(tree, "outtree", pairs)), sorted) << program;
  }
}

}  // namespace
}  // namespace marbleset::test
