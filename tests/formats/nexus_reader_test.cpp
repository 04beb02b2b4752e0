// NEXUS matrices read into data sets: phangorn's mites file as ape reads it, the NEXUS
// features of other programs' files, and the messages for what a data set cannot hold.
#include "formats/nexus_reader.h"

#include "format_test_support.h"

namespace marbleset::test {
namespace {

const char kMitesNexus[] = "/usr/lib/R/site-library/phangorn/extdata/mites.nex";

std::string ReadFailureText(const std::string& text, KindChoice kind = KindChoice::kAuto) {
  return FailureText([&] { ReadNexusText(text, "m.nex", kind); });
}

TEST(NexusReader, PhangornMites_ReadsAsApeReadsIt) {
  SKIP_WITHOUT("Rscript");
  if (!std::filesystem::exists(kMitesNexus)) GTEST_SKIP() << "r-cran-phangorn is not installed";
  const DataSet data = ReadNexusFile(kMitesNexus, KindChoice::kAuto);
  EXPECT_TRUE(data.IsQuantitative());
  ScratchFolder folder;
  const std::string byApe = RunR(
      folder, "x <- ape::read.nexus.data('" + std::string(kMitesNexus) + "')\n" + kRPrintsApeList);
  EXPECT_EQ(AsTable(data), byApe);
}

TEST(NexusReader, ProgramsFeatures_TaxaBlockInterleaveQuotesCommentsMatchcharGaps) {
  const std::string text =
      "#NEXUS\n"
      "[ written by hand [with a nested comment] ]\n"
      "BEGIN TAXA;\n"
      "  DIMENSIONS NTAX=3;\n"
      "  TAXLABELS 'Festuca rubra ' Poa_annua 'O''Brien''s grass';  [a blank at the end]\n"
      "END;\n"
      "BEGIN CHARACTERS;\n"
      "  DIMENSIONS NCHAR=6;\n"
      "  FORMAT DATATYPE=STANDARD MISSING=? GAP=- MATCHCHAR=. INTERLEAVE SYMBOLS=\"01\";\n"
      "  CHARSTATELABELS 1 first, 2 second;\n"
      "  MATRIX\n"
      "  [block one]\n"
      "  Festuca_rubra 010\n"
      "  Poa_annua     .1-\n"
      "  'O''Brien''s grass' 1?0\n"
      "\n"
      "  Poa_annua     0..\n"
      "  'Festuca rubra' 110\n"
      "  'O''Brien''s grass' 0 0 1 [blanks between states]\n"
      "  ;\n"
      "END;\n"
      "BEGIN TREES; TREE t = ((a,b),c); END;\n";
  const DataSet data = ReadNexusText(text, "m.nex", KindChoice::kAuto);
  EXPECT_TRUE(data.IsBinary());
  // "." repeats the first row's state, "-" and "?" are missing.
  EXPECT_EQ(AsTable(data),
            "Festuca rubra,0,1,0,1,1,0\n"
            "Poa_annua,0,1,NA,0,1,0\n"
            "O'Brien's grass,1,NA,0,0,0,1\n");

  // "." repeats the first row of the matrix, not the first taxon listed.
  const std::string reordered =
      "#NEXUS\nBEGIN TAXA; DIMENSIONS NTAX=2; TAXLABELS B A; END;\nBEGIN CHARACTERS; "
      "DIMENSIONS NCHAR=3; FORMAT MATCHCHAR=.;\nMATRIX\nA 011\nB .0.\n;END;\n";
  EXPECT_EQ(AsTable(ReadNexusText(reordered, "r.nex", KindChoice::kAuto)), "B,0,0,1\nA,0,1,1\n");

  // A DATA block of continuous values, CR LF line ends, the matrix over several lines.
  const std::string continuous =
      "#nexus\r\nbegin data;\r\n dimensions ntax=2 nchar=3;\r\n"
      " format datatype=continuous missing=?;\r\n matrix\r\n A 1.5 -2\r\n ?\r\n"
      " B 0 1e2 .25\r\n;\r\nend;\r\n";
  const DataSet values = ReadNexusText(continuous, "c.nex", KindChoice::kAuto);
  EXPECT_TRUE(values.IsQuantitative());
  EXPECT_EQ(AsTable(values), "A,1.5,-2,NA\nB,0,100,0.25\n");

  // Standard 0/1 asked as quantitative, digits beyond 1 read as values.
  const std::string standard =
      "#NEXUS\nBEGIN DATA; DIMENSIONS NTAX=2 NCHAR=3; FORMAT MISSING=?;\nMATRIX\n"
      "A 01?\nB 110\n;\nEND;\n";
  EXPECT_TRUE(ReadNexusText(standard, "s.nex", KindChoice::kQuantitative).IsQuantitative());
  EXPECT_EQ(AsTable(ReadNexusText(standard, "s.nex", KindChoice::kAuto)), "A,0,1,NA\nB,1,1,0\n");
}

TEST(NexusReader, WhatADataSetCannotHold_FailsNamingTheLine) {
  const std::string head = "#NEXUS\nBEGIN DATA;\nDIMENSIONS NTAX=2 NCHAR=3;\n";
  EXPECT_EQ(ReadFailureText(head + "FORMAT DATATYPE=STANDARD;\nMATRIX\nA 0{01}1\nB 011\n;END;"),
            "m.nex, line 6: the polymorphic or uncertain state beginning with \"{\" cannot be "
            "represented; a data set holds one value a cell (taxon \"A\", character 2).");
  EXPECT_EQ(ReadFailureText(head + "FORMAT DATATYPE=STANDARD;\nMATRIX\nA 001\nB (01)11\n;END;"),
            "m.nex, line 7: the polymorphic or uncertain state beginning with \"(\" cannot be "
            "represented; a data set holds one value a cell (taxon \"B\", character 1).");
  EXPECT_EQ(ReadFailureText(head + "FORMAT DATATYPE=DNA;\nMATRIX\nA ACG\nB ACT\n;END;"),
            "m.nex, line 4: DATATYPE=DNA cannot be represented; Marbleset reads STANDARD and "
            "CONTINUOUS character data, not sequences.");
  EXPECT_EQ(ReadFailureText(head + "FORMAT SYMBOLS=\"012\";\nMATRIX\nA 001\nB 021\n;END;",
                            KindChoice::kBinary),
            "m.nex, line 7: the value 2 (taxon \"B\", character 2) is neither 0, 1 nor missing, "
            "so the matrix cannot be read as binary data.");
  EXPECT_EQ(ReadFailureText(head + "MATRIX\nA 0A1\nB 011\n;END;"),
            "m.nex, line 5: the state \"A\" cannot be represented; STANDARD states are read as "
            "the digits 0 to 9 (taxon \"A\", character 2).");
  EXPECT_EQ(ReadFailureText(head + "MATRIX\nA 001\nB 01\n;END;"),
            "m.nex, line 7: the row of \"B\" ends after 2 of 3 characters.");
  EXPECT_EQ(ReadFailureText("#NEXUS\nBEGIN TAXA; DIMENSIONS NTAX=2; TAXLABELS A B; END;\n"
                            "BEGIN CHARACTERS; DIMENSIONS NCHAR=1; MATRIX\nA 0\nC 1\n;END;"),
            "m.nex, line 5: the taxon \"C\" is not in the taxa list.");
  EXPECT_EQ(ReadFailureText(head + "FORMAT MATCHCHAR=.;\nMATRIX\nA .01\nB 011\n;END;"),
            "m.nex, line 6: the first row cannot use MATCHCHAR (taxon \"A\", character 1).");
  EXPECT_EQ(ReadFailureText("BEGIN DATA;"), "m.nex, line 1: a NEXUS file begins with #NEXUS.");
  EXPECT_EQ(ReadFailureText("#NEXUS\nBEGIN TREES; TREE t = (a,b); END;\n"),
            "m.nex: the file holds no DATA or CHARACTERS block.");
  EXPECT_EQ(ReadFailureText(head + "MATRIX\nA 001 [never closed\nB 011\n;END;"),
            "m.nex, line 5: a [comment] is never closed.");
}

}  // namespace
}  // namespace marbleset::test
