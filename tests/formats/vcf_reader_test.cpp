// VCF and BCF files read into data sets: plink's and bcftools' files as plink counts their
// alleles, genotypes of every shape, the fast scanner against htslib's records, and messages.
#include "formats/vcf_reader.h"

#include "format_test_support.h"

namespace marbleset::test {
namespace {

// records: through htslib's full record parser, the plain version of the fast scanner.
DataSet Read(const std::string& path, DataKind kind, VcfReport& report, bool records = false) {
  VcfOptions options;
  options.kind = kind;
  return records ? ReadVcfThroughRecords(path, options, report) : ReadVcf(path, options, report);
}

std::string ReadFailureText(const std::string& path) {
  VcfReport report;
  return FailureText([&] { Read(path, DataKind::kBinary, report); });
}

TEST(VcfReader, PlinkAndBcftoolsFiles_ReadAsPlinkCountsTheirAlleles) {
  SKIP_WITHOUT("plink1.9");
  SKIP_WITHOUT("bcftools");
  ScratchFolder folder;
  Shell(folder, "plink1.9 --dummy 40 300 0.05 acgt --seed 7 --recode vcf --out dummy >/dev/null");
  // plink's own count of each sample's alternative alleles (A1 = ALT kept), NA when missing.
  Shell(folder, "plink1.9 --vcf dummy.vcf --keep-allele-order --recode A --out counts >/dev/null");
  const std::vector<std::string> rows = Split(FileBytes(folder / "counts.raw"), '\n');
  VcfReport report;
  const DataSet counts = Read(folder / "dummy.vcf", DataKind::kQuantitative, report);
  const DataSet carriers = Read(folder / "dummy.vcf", DataKind::kBinary, report);
  EXPECT_EQ(report.variants, 300u);
  EXPECT_EQ(report.skippedNotBiallelic, 0u);
  ASSERT_EQ(counts.OtuCount(), 40u);
  ASSERT_EQ(counts.CharCount(), 300u);
  std::size_t missing = 0, heterozygous = 0;
  for (std::size_t i = 0; i < 40; ++i) {
    const std::vector<std::string> fields = Split(rows[i + 1], ' ');
    ASSERT_EQ(fields.size(), 306u);
    EXPECT_EQ(counts.otuNames[i], fields[0] + "_" + fields[1]);
    for (std::size_t k = 0; k < 300; ++k) {
      const std::string& plink = fields[6 + k];
      if (plink == "NA") {
        ++missing;
        EXPECT_TRUE(counts.IsMissing(i, k) && carriers.IsMissing(i, k)) << i << " " << k;
        continue;
      }
      heterozygous += plink == "1";
      EXPECT_EQ(counts.Value(i, k), std::stof(plink)) << i << " " << k;
      EXPECT_EQ(carriers.Value(i, k), plink == "0" ? 0.0f : 1.0f) << i << " " << k;
    }
  }
  EXPECT_GT(missing, 0u);
  EXPECT_GT(heterozygous, 0u);

  // The same genotypes compressed and as BCF by bcftools, and through htslib's records.
  Shell(folder,
        "bcftools view -Oz -o dummy.vcf.gz dummy.vcf && bcftools view -Ob -o dummy.bcf "
        "dummy.vcf");
  for (const std::string name : {"dummy.vcf.gz", "dummy.bcf"}) {
    EXPECT_EQ(AsTable(Read(folder / name, DataKind::kQuantitative, report)), AsTable(counts))
        << name;
    EXPECT_EQ(AsTable(Read(folder / name, DataKind::kBinary, report)), AsTable(carriers)) << name;
  }
  EXPECT_EQ(AsTable(Read(folder / "dummy.vcf.gz", DataKind::kQuantitative, report, true)),
            AsTable(counts));
}

TEST(VcfReader, GenotypesOfEveryShape_CountedAndSkippedVariantsReported) {
  SKIP_WITHOUT("bcftools");
  ScratchFolder folder;
  // Phased, haploid presence/absence of a deletion, partly missing, GT not first, a
  // multi-allelic site, a monomorphic site, a record without GT and allele indexes of two digits.
  const std::string vcf =
      "##fileformat=VCFv4.2\n"
      "##contig=<ID=chr1,length=100000>\n"
      "##ALT=<ID=DEL,Description=\"Deletion\">\n"
      "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS1\tS2\tS3\tS4\n"
      "chr1\t100\tv1\tA\tG\t.\tPASS\t.\tGT\t0|0\t0|1\t1|1\t./.\n"
      "chr1\t200\tsv1\tN\t<DEL>\t.\tPASS\t.\tGT\t1\t0\t.\t1\n"
      "chr1\t300\tv2\tC\tT\t.\tPASS\t.\tDP:GT\t9:./1\t8:0/.\t7:1/0\t6:0/0\n"
      "chr1\t400\tm1\tA\tG,T\t.\tPASS\t.\tGT\t0/1\t1/2\t0/0\t2/2\n"
      "chr1\t500\tmono\tA\t.\t.\tPASS\t.\tGT\t0/0\t0/0\t0/0\t0/0\n"
      "chr1\t600\tdp\tA\tG\t.\tPASS\t.\tDP\t1\t2\t3\t4\n"
      "chr1\t700\tv3\tG\tA\t.\tPASS\t.\tGT:DP\t00/01:3\t1/1/1:2\t.:1\t0/0/1\n";
  PutFile(folder / "shapes.vcf", vcf);
  VcfReport report;
  const DataSet carriers = Read(folder / "shapes.vcf", DataKind::kBinary, report);
  EXPECT_EQ(AsTable(carriers),
            "S1,0,1,1,1\n"
            "S2,1,0,NA,1\n"
            "S3,1,NA,1,NA\n"
            "S4,NA,1,0,1\n");
  const DataSet counts = Read(folder / "shapes.vcf", DataKind::kQuantitative, report);
  EXPECT_EQ(AsTable(counts),
            "S1,0,1,NA,1\n"
            "S2,1,0,NA,3\n"
            "S3,2,NA,1,NA\n"
            "S4,NA,1,0,1\n");
  EXPECT_EQ(report.variants, 4u);
  EXPECT_EQ(report.skippedWithoutGenotype, 1u);
  // bcftools counts the sites that are not biallelic the same way.
  const std::string all = Shell(folder, "bcftools view -H shapes.vcf | wc -l");
  const std::string biallelic = Shell(folder, "bcftools view -H -m2 -M2 shapes.vcf | wc -l");
  EXPECT_EQ(report.skippedNotBiallelic,
            static_cast<std::size_t>(std::stoi(all) - std::stoi(biallelic)));
  // htslib's record parser gives the same data.
  EXPECT_EQ(AsTable(Read(folder / "shapes.vcf", DataKind::kBinary, report, true)),
            AsTable(carriers));
  EXPECT_EQ(AsTable(Read(folder / "shapes.vcf", DataKind::kQuantitative, report, true)),
            AsTable(counts));
}

TEST(VcfReader, BadFiles_FailNamingLineAndSample) {
  ScratchFolder folder;
  const std::string head =
      "##fileformat=VCFv4.2\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS1\tS2\n";
  const std::pair<std::string, std::string> files[] = {
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\n1\t2\tb\tA\tG\t.\t.\t.\tGT\t0/1\t0/x\n",
       ", line 4: the genotype \"0/x\" of sample \"S2\" (variant at 1:2) cannot be read."},
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tGT\t0/2\t1/1\n",
       ", line 3: the genotype \"0/2\" of sample \"S1\" (variant at 1:1) names an allele the "
       "variant does not have."},
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tGT\t0/1\n",
       ", line 3: the line holds 1 of the 2 samples' columns."},
      {"##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n1\t1\ta\tA\tG\t.\t.\t."
       "\n",
       ": the file holds no samples (a sites-only VCF has no genotypes to read)."},
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\n" +
           std::string("1\t2\tb\tA\tG\t.\t.\t\0;\tGT\t0/1\t1/1\n", 28),
       ", line 4: the line holds a NUL byte; a data file is text and never holds one."},
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tGT;DP\t0/1\t1/1\n",
       ", line 3: the FORMAT column \"GT;DP\" holds more than names of keys."},
      {head + "1\t1\ta\tA\tG\t.\t.\t.\tDP::GT\t0/1\t1/1\n",
       ", line 3: the FORMAT column \"DP::GT\" holds more than names of keys."},
      {head + "#\t1\ta\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\n",
       ", line 3: a line after the header begins with \"#\"."},
      {head + "1\t1\ta\tA\t\t.\t.\t.\tGT\t0/1\t1/1\n",
       ", line 3: the ALT column is empty; \".\" stands for no alternative allele."},
      {head + "1\t1\ta\tA\tG,C\t.\t.\t.\tGT\t0/1\t1/1\n",
       ": the file holds no biallelic variant with genotypes (1 with other than two alleles, 0 "
       "without genotypes)."},
      {"name,a\nA,1\n",
       ": the file is neither VCF nor BCF (it holds no \"##fileformat=VCF\" header)."}};
  for (const auto& [text, message] : files) {
    PutFile(folder / "bad.vcf", text);
    EXPECT_EQ(ReadFailureText(folder / "bad.vcf"), folder / "bad.vcf" + message);
  }
  // A FORMAT key before GT that is empty: htslib would end the process reading its genotypes.
  PutFile(folder / "keys.vcf", head + "1\t9\t.\tA\tG\t.\t.\t.\t:GT\t1|1\t0/1\n");
  VcfReport report;
  EXPECT_THROW(Read(folder / "keys.vcf", DataKind::kBinary, report, true), ReadFailure);
  EXPECT_NE(ReadFailureText(folder / "none.vcf").find("none.vcf: "), std::string::npos);
}

}  // namespace
}  // namespace marbleset::test
