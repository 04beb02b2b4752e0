// Delimited tables read into data sets: real tables shipped by R packages read as R reads them,
// and the spreadsheet habits users bring (delimiters, quoting, decimal commas, metadata
// columns, samples as columns) with the messages bad cells get.
#include "formats/delimited_reader.h"

#include "format_test_support.h"

namespace marbleset::test {
namespace {

std::string ReadFailureText(const std::string& text, const DelimitedOptions& options = {}) {
  return FailureText([&] { ReadDelimitedText(text, "t.csv", options); });
}

// adegenet's AFLP bands (binary) and phangorn's mites counts (quantitative), each read as R
// reads it: R prints each row as "name,value,..." with NA for missing.
TEST(DelimitedReader, AdegenetAndPhangornTables_ReadAsRReadsThem) {
  SKIP_WITHOUT("Rscript");
  const std::pair<std::string, std::string> tables[] = {
      {"/usr/lib/R/site-library/adegenet/files/AFLP.txt", "read.table(f, header = TRUE)"},
      {"/usr/lib/R/site-library/phangorn/extdata/mites.csv", "read.csv(f, row.names = 1)"}};
  for (const auto& [path, readCall] : tables) {
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not installed";
    const DataSet data = ReadDelimitedFile(path, {});
    EXPECT_EQ(data.IsBinary(), path.ends_with("AFLP.txt")) << path;
    ScratchFolder folder;
    EXPECT_EQ(AsTable(data), RunR(folder, "f <- '" + path + "'\nm <- as.matrix(" + readCall +
                                              ")\n" + kRPrintsMatrix))
        << path;
  }
}

TEST(DelimitedReader, SpreadsheetHabits_DelimiterQuotesDecimalCommaAndMissingCodes) {
  // Semicolons with decimal commas, as spreadsheets in many countries save CSV; quoted names
  // holding the delimiter, a doubled quote, text after the closing quote, a line break, and a
  // quoted value longer than all quoted text before it; CR LF.
  const std::string european =
      "\"name\";\"a\";\"b\";\"c\"\r\n"
      "\"Alpha; the first\";1,5;NA;0\r\n"
      "\"Be\"\"ta\" 2;-2;?;.\r\n"
      "\"Gam\r\nma\";\"3,250000000000000000000000000000000000000000000e1\";-;\r\n";
  const DataSet data = ReadDelimitedText(european, "euro.csv", {});
  ASSERT_TRUE(data.IsQuantitative());
  EXPECT_EQ(data.otuNames, (std::vector<std::string>{"Alpha; the first", "Be\"ta 2", "Gam\r\nma"}));
  EXPECT_EQ(AsTable(data), "Alpha; the first,1.5,NA,0\nBe\"ta 2,-2,NA,NA\nGam\r\nma,32.5,NA,NA\n");

  // Tabs, a code of the user's own, blanks around cells, a trailing delimiter on every line.
  DelimitedOptions nines;
  nines.missingCodes = {"-9"};
  const DataSet tabbed =
      ReadDelimitedText("id\tL1\tL2\t\nA\t1 \t-9 \t\nB\t 0\t1\t\n", "bands.txt", nines);
  EXPECT_TRUE(tabbed.IsBinary());
  EXPECT_EQ(AsTable(tabbed), "A,1,NA\nB,0,1\n");

  // Commas with R's row-name header (one field fewer) and 0/1 asked as quantitative.
  DelimitedOptions quantitative;
  quantitative.kind = KindChoice::kQuantitative;
  const DataSet rowNames = ReadDelimitedText("L1,L2\nA,1,0\nB,0,0\n", "r.csv", quantitative);
  EXPECT_TRUE(rowNames.IsQuantitative());
  EXPECT_EQ(AsTable(rowNames), "A,1,0\nB,0,0\n");
}

TEST(DelimitedReader, MetadataColumnsAndSamplesAsColumns_GuessedAndOverridden) {
  // Text metadata columns before the scores are skipped by the guess.
  const std::string scored = "Sample,Population,Site,L1,L2\nA,north,3a,1,0\nB,south,4b,0,-\n";
  const DataSet guessed = ReadDelimitedText(scored, "scores.csv", {});
  EXPECT_EQ(AsTable(guessed), "A,1,0\nB,0,NA\n");

  // A pan-genome presence/absence table: genes as rows, samples as columns.
  const std::string pan = "Gene\tS1\tS2\tS3\ngroup_1\t1\t0\t1\ngroup_2\t0\t0\t1\n";
  const DataSet genes = ReadDelimitedText(pan, "gene_presence_absence.Rtab", {});
  EXPECT_EQ(AsTable(genes), "S1,1,0\nS2,0,0\nS3,1,1\n");
  // The same orientation asked for a table the guess would read with OTUs as rows.
  DelimitedOptions columns;
  columns.otusAs = OtusAs::kColumns;
  EXPECT_EQ(AsTable(ReadDelimitedText("locus,P1,P2\nm1,1,0\nm2,1,1\nm3,0,?\n", "t.csv", columns)),
            "P1,1,1,0\nP2,0,1,NA\n");
}

TEST(DelimitedReader, BadTables_FailNamingLineAndColumn) {
  DelimitedOptions binary;
  binary.kind = KindChoice::kBinary;
  EXPECT_EQ(ReadFailureText("n,a,b\nA,1,0\nB,0,2\n", binary),
            "t.csv, line 3, column 3: the value \"2\" is neither 0, 1 nor missing, so the table "
            "cannot be read as binary data.");
  DelimitedOptions fromColumn2;
  fromColumn2.firstDataColumn = 1;
  EXPECT_EQ(ReadFailureText("n,a,b\nA,1,0\nB,x,1\n", fromColumn2),
            "t.csv, line 3, column 2: \"x\" is neither a number nor a missing code.");
  EXPECT_EQ(ReadFailureText("n,a,b\nA,1,0\nB,0\n"),
            "t.csv, line 3: this record has 2 fields where the header has 3.");
  EXPECT_EQ(ReadFailureText("n,a\nA,1\n\"B,0\n"),
            "t.csv, line 3: a quoted field is never closed (a double quote is missing).");
  EXPECT_EQ(ReadFailureText("n,a,b\n"),
            "t.csv: the table holds a header and no records of values.");
  EXPECT_EQ(ReadFailureText("n,a,b\nA,1,x\n"),
            "t.csv, line 2, column 3: \"x\" is neither a number nor a missing code, so the table "
            "has no columns of values at its end.");
  EXPECT_EQ(ReadFailureText("n,a\nA,1e39\n"),
            "t.csv, line 2, column 2: \"1e39\" is neither a number nor a missing code, so the "
            "table has no columns of values at its end.");
  EXPECT_THROW(ReadDelimitedFile("/nonexistent/table.csv", {}), ReadFailure);
}

TEST(DelimitedReader, Preview_ShowsCellsGuessesAndTheProblem) {
  const std::string text = "id;pop;L1;L2\nA;n;1;0,5\nB;s;0;1\nC;s;1;1\n";
  const DelimitedPreview preview = PreviewDelimitedText(text, "p.csv", {}, 2, 3);
  EXPECT_EQ(preview.cells,
            (std::vector<std::vector<std::string>>{{"id", "pop", "L1"}, {"A", "n", "1"}}));
  // The guesses, then the records, columns, OTUs and characters, the kind and no problem.
  EXPECT_EQ(std::tuple(preview.delimiter, preview.decimalComma, preview.otusAs,
                       preview.firstDataColumn, preview.recordCount, preview.columnCount,
                       preview.otuCount, preview.charCount, preview.kind, preview.problem),
            std::tuple(';', true, OtusAs::kRows, 2u, 4u, 4u, 3u, 2u, DataKind::kQuantitative, ""));
  DelimitedOptions binary;
  binary.kind = KindChoice::kBinary;
  EXPECT_EQ(PreviewDelimitedText(text, "p.csv", binary).problem,
            "p.csv, line 2, column 4: the value \"0,5\" is neither 0, 1 nor missing, so the table "
            "cannot be read as binary data.");
}

}  // namespace
}  // namespace marbleset::test
