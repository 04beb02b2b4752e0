// NEXUS and CSV writers: exact bytes, the files read back by R (ape, phangorn, read.csv), and
// PHYLIP data going through NEXUS or CSV and back to the same bytes.
#include <cstdio>
#include <random>

#include "distances/test_data.h"
#include "format_test_support.h"
#include "formats/csv_writer.h"
#include "formats/data_writer.h"
#include "formats/delimited_reader.h"
#include "formats/nexus_reader.h"
#include "formats/nexus_writer.h"

namespace marbleset::test {
namespace {

DataSet SmallBinary() {
  DataSet data;
  testing::FillBinary(data, {"Alpha       ", "Festuca rub ", "O'Hara"},
                      {"10?11", "001?0", "11110"});
  return data;
}

DataSet SmallQuantitative() {
  DataSet data;
  testing::FillQuantitative(data, {"A", "B"},
                            {{1.5f, kQuantitativeMissingValue, -0.25f}, {1e10f, 3.0f, 0.1f}});
  return data;
}

const DistanceMatrix kSmallDistances{
    3, {"Alpha", "Beta", "Gamma Ray"}, {0, 0.5, 1.0 / 3, 0.5, 0, -1e-9, 1.0 / 3, -1e-9, 0}};

TEST(FormatWriters, NexusAndCsv_ExactBytes) {
  EXPECT_EQ(Written([](TextSink& out) { WriteNexusData(SmallBinary(), out); }),
            "#NEXUS\r\n\r\n"
            "BEGIN TAXA;\r\n"
            "  DIMENSIONS NTAX=3;\r\n"
            "  TAXLABELS\r\n"
            "    Alpha\r\n"
            "    'Festuca rub'\r\n"
            "    'O''Hara'\r\n"
            "  ;\r\n"
            "END;\r\n\r\n"
            "BEGIN CHARACTERS;\r\n"
            "  DIMENSIONS NCHAR=5;\r\n"
            "  FORMAT DATATYPE=STANDARD SYMBOLS=\"01\" MISSING=?;\r\n"
            "  MATRIX\r\n"
            "    Alpha          10?11\r\n"
            "    'Festuca rub'  001?0\r\n"
            "    'O''Hara'      11110\r\n"
            "  ;\r\n"
            "END;\r\n");
  const std::string continuous =
      Written([](TextSink& out) { WriteNexusData(SmallQuantitative(), out); });
  EXPECT_NE(continuous.find("  FORMAT DATATYPE=CONTINUOUS MISSING=?;\r\n  MATRIX\r\n"
                            "    A  1.5 ? -0.25\r\n"
                            "    B  1e+10 3 0.1\r\n  ;\r\nEND;\r\n"),
            std::string::npos)
      << continuous;
  // The taxa block is the one the data's file begins with (its labels quoted alike).
  const std::string distances =
      Written([](TextSink& out) { WriteNexusDistances(kSmallDistances, out); });
  EXPECT_NE(distances.find("    'Gamma Ray'\r\n  ;\r\nEND;\r\n\r\n"
                           "BEGIN DISTANCES;\r\n"
                           "  DIMENSIONS NTAX=3;\r\n"
                           "  FORMAT TRIANGLE=BOTH DIAGONAL LABELS=LEFT;\r\n"
                           "  MATRIX\r\n"
                           "    Alpha        0.000000 0.500000 0.333333\r\n"
                           "    Beta         0.500000 0.000000 0.000000\r\n"
                           "    'Gamma Ray'  0.333333 0.000000 0.000000\r\n"
                           "  ;\r\n"
                           "END;\r\n"),
            std::string::npos)
      << distances;
  EXPECT_EQ(Written([](TextSink& out) { WriteCsvData(SmallBinary(), out); }),
            "OTU,1,2,3,4,5\r\n"
            "Alpha,1,0,NA,1,1\r\n"
            "Festuca rub,0,0,1,NA,0\r\n"
            "O'Hara,1,1,1,1,0\r\n");
  EXPECT_EQ(Written([](TextSink& out) { WriteCsvData(SmallQuantitative(), out); }),
            "OTU,1,2,3\r\nA,1.5,NA,-0.25\r\nB,1e+10,3,0.1\r\n");
  EXPECT_EQ(Written([](TextSink& out) { WriteCsvDistances(kSmallDistances, out); }),
            ",Alpha,Beta,Gamma Ray\r\n"
            "Alpha,0.000000,0.500000,0.333333\r\n"
            "Beta,0.500000,0.000000,0.000000\r\n"
            "Gamma Ray,0.333333,0.000000,0.000000\r\n");
  EXPECT_EQ(CsvField(" lead"), "\" lead\"");
  EXPECT_EQ(NexusName(""), "_");
  EXPECT_EQ(NexusName("S._alpinus"), "S._alpinus");
  EXPECT_EQ(NexusName("a-b"), "'a-b'");
}

TEST(FormatWriters, WrittenFiles_ReadBackByR) {
  SKIP_WITHOUT("Rscript");
  ScratchFolder folder;
  // 8 OTUs by 100 characters, one cell in twenty missing, drawn from a fixed seed.
  DataSet data;
  data.Resize(DataKind::kBinary, 8, 100, kBinaryMissingValue);
  std::mt19937 draw(11);
  for (std::size_t i = 0; i < 8; ++i) {
    data.otuNames[i] = "Taxon_" + std::to_string(i + 1);
    for (std::size_t k = 0; k < 100; ++k)
      data.SetValue(i, k, draw() % 20 == 0 ? kBinaryMissingValue : draw() % 2);
  }
  PutFile(folder / "data.nex", Written([&](TextSink& out) { WriteNexusData(data, out); }));
  PutFile(folder / "data.csv", Written([&](TextSink& out) { WriteCsvData(data, out); }));
  DistanceMatrix matrix{5, {"OTU_1", "OTU_2", "OTU_3", "OTU_4", "OTU_5"}, std::vector<double>(25)};
  for (std::size_t i = 0; i < 5; ++i)
    for (std::size_t j = 0; j < i; ++j)
      matrix.values[i * 5 + j] = matrix.values[j * 5 + i] = (draw() % 1000000) / 999983.0;
  PutFile(folder / "dist.nex", Written([&](TextSink& out) { WriteNexusDistances(matrix, out); }));
  PutFile(folder / "dist.csv", Written([&](TextSink& out) { WriteCsvDistances(matrix, out); }));

  EXPECT_EQ(RunR(folder, "x <- ape::read.nexus.data('data.nex')\n" + kRPrintsApeList),
            AsTable(data));
  const std::string byReadCsv =
      RunR(folder,
           "m <- as.matrix(read.csv('data.csv', row.names = 1, check.names = FALSE))\n"
           "stopifnot(identical(colnames(m), as.character(1:100)))\n" +
               kRPrintsMatrix);
  EXPECT_EQ(byReadCsv, AsTable(data));

  std::string expected;
  for (std::size_t i = 0; i < 5; ++i) {
    expected += matrix.names[i];
    for (std::size_t j = 0; j < 5; ++j) {
      char value[32];
      std::snprintf(value, sizeof value, ",%.6f", matrix.At(i, j));
      expected += value;
    }
    expected += '\n';
  }
  const std::string printMatrix =
      "for (i in seq_len(nrow(m))) cat(paste(c(rownames(m)[i], sprintf('%.6f', m[i, ])), "
      "collapse = ','), '\\n', sep = '')\n";
  EXPECT_EQ(RunR(folder,
                 "suppressMessages(library(phangorn))\n"
                 "m <- as.matrix(phangorn::read.nexus.dist('dist.nex'))\n" +
                     printMatrix),
            expected);
  EXPECT_EQ(RunR(folder,
                 "m <- as.matrix(read.csv('dist.csv', row.names = 1, check.names = "
                 "FALSE))\nstopifnot(identical(colnames(m), rownames(m)))\n" +
                     printMatrix),
            expected);
}

// Awkward values and names, through NEXUS and CSV: 7 significant digits, tiny and huge values,
// quotes and blanks come back as they were and give the same PHYLIP bytes.
TEST(FormatWriters, PhylipThroughNexusAndCsv_BackToTheSameBytes) {
  DataSet awkward;
  testing::FillQuantitative(awkward, {"it's, odd  ", "  lead", "\"q\" x"},
                            {{0.1234567f, 1.5e-8f, 3.4e38f, -0.0f},
                             {kQuantitativeMissingValue, 123456789.0f, -7.25f, 1.0f},
                             {0.0f, 2.0f, 1e-45f, 99999.99f}});
  const std::string phylip = Written([&](TextSink& out) { WritePhylipData(awkward, out); });
  const std::string nexus = Written([&](TextSink& out) { WriteNexusData(awkward, out); });
  const std::string csv = Written([&](TextSink& out) { WriteCsvData(awkward, out); });
  DelimitedOptions options;
  options.kind = KindChoice::kQuantitative;
  for (const DataSet& back : {ReadNexusText(nexus, "a.nex", KindChoice::kQuantitative),
                              ReadDelimitedText(csv, "a.csv", options)}) {
    EXPECT_EQ(Written([&](TextSink& out) { WritePhylipData(back, out); }), phylip);
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(back.Value(i, k), awkward.Value(i, k)) << i << " " << k;
  }
}

}  // namespace
}  // namespace marbleset::test
