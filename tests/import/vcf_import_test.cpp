// One VCF holding every kind of record the import must sort out, checked
// against the annotation, genotyping files and report it gives.
#include <gtest/gtest.h>

#include <regex>

#include "import/interchange.h"

namespace {

const char* const kHeader =
    "##fileformat=VCFv4.2\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\n";

// Records out of genome order on purpose: X first, chromosome 10 before 2.
const char* const kRecords =
    "chrX\t100\trsx1\tA\tG\t.\tPASS\t.\tGT\t0\t1\t0/1\n"
    "chr1\t1000\trs1\tA\tG\t.\tPASS\t.\tGT\t0/0\t0/1\t1/1\n"
    "chr1\t2000\t.\tC\tT\t.\t.\t.\tGT\t0|0\t1|0\t./.\n"
    "chr1\t3000\trs3\tA\tG,T\t.\t.\t.\tGT\t0/0\t0/2\t1/1\n"
    "chr1\t4000\trs4\tAT\tA\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
    "chr1\t5000\trs5\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/1\n"
    "chr1\t5000\trs5b\tA\tC\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n"
    "chr1\t6000\t12345\tG\tA\t.\t.\t.\tGT\t1/1\t1/1\t0/1\n"
    "chr1\t7000\trs7\tA\tG\t.\t.\t.\tGT\t./.\t./.\t./.\n"
    "chr1\t8000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n"
    "10\t700\trs12\tT\tC\t.\t.\t.\tGT\t1/1\t1/1\t1/1\n"
    "chr2\t5000\trs10\tG\tT\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n"
    "chr2\t500\trs8\tA\tG\t.\t.\t.\tGT\t0/1\t0/1\t0/1\n"
    "chr2\t2000\trs9\tC\tG\t.\t.\t.\tGT\t1/1\t0/0\t1/1\n"
    "chr3\t100\trs11\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n"
    "chrY\t100\trsy\tA\tG\t.\t.\t.\tGT\t0\t1\t0\n"
    "chrM\t100\trsm\tA\tG\t.\t.\t.\tGT\t0\t1\t0\n"
    "chrUn_gl000220\t100\trsu\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n"
    "1_random\t100\trsr\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\n";

// Chromosome 1 and X have two points each, chromosome 2 two, 10 one, 3 none.
const char* const kMap =
    "# test map\n"
    "chromosome position cM\n"
    "1\t1000\t0.0\n"
    "chr1 8000 7.0\n"
    "X 50 0.5\n"
    "X 150 1.5\n"
    "2 1000 1.0\n"
    "2 3000 3.0\n"
    "chr10 100 1.0\n";

int64_t skipped(const std::string& report, const std::string& label) {
  std::smatch match;
  std::regex line("skipped +([0-9]+)  " + label);
  return std::regex_search(report, match, line) ? std::stoll(match[1]) : 0;
}

TEST(VcfImport, KeepsBiallelicSnpsInGenomeOrderAndCountsEverythingElse) {
  ScratchDir dir;
  dir.write("in.vcf", std::string(kHeader) + kRecords);
  dir.write("map.txt", kMap);
  dir.write("patients.txt", "s1\n\n# a comment\ns3\n");
  dir.write("controls.txt", "s2\n");
  RunResult r = runImport({"--vcf", dir.file("in.vcf"), "--map", dir.file("map.txt"), "--patients",
                           dir.file("patients.txt"), "--controls", dir.file("controls.txt"),
                           "--out", dir.file("out")});
  ASSERT_EQ(r.status, 0) << r.err;

  EXPECT_EQ(linesOf(dir.read("out/annotation.txt")),
            (std::vector<std::string>{
                "1\t1000\t0.500000\trs1\t0.000001",  // map 0 raised above 0
                "1\t2000\t0.750000\tchr1:2000\t1.000000",
                "1\t6000\t0.166667\tchr1:6000\t5.000000",  // an all-digit ID is replaced
                "2\t500\t0.500000\trs8\t1.000000",         // clamped below the first point
                "2\t2000\t0.333333\trs9\t2.000000",        // interpolated
                "2\t5000\t1.000000\trs10\t3.000000",       // clamped above the last point
                "10\t700\t0.000000\trs12\t1.000000",
                "11\t100\t0.500000\trsx1\t1.000000",  // X one above the highest autosome
            }));
  EXPECT_EQ(linesOf(dir.read("out/genotypes/s1.txt")),
            (std::vector<std::string>{"rs1\tAA", "chr1:2000\tAA", "chr1:6000\tBB", "rs8\tAB",
                                      "rs9\tBB", "rs10\tAA", "rs12\tBB", "rsx1\tAA"}));
  EXPECT_EQ(readCalls(dir.file("out/genotypes/s2.txt"))["rsx1"], "BB");  // haploid ALT
  EXPECT_EQ(readCalls(dir.file("out/genotypes/s3.txt"))["chr1:2000"], "--");

  EXPECT_EQ(skipped(r.err, "multi-allelic sites"), 1);
  EXPECT_EQ(skipped(r.err, "indels and other non-SNP alleles"), 1);
  EXPECT_EQ(skipped(r.err, "sharing a position"), 2);
  EXPECT_EQ(skipped(r.err, "without any called genotype"), 1);
  EXPECT_EQ(skipped(r.err, "outside every map"), 1);
  EXPECT_EQ(skipped(r.err, "repeating an identifier"), 1);
  EXPECT_EQ(skipped(r.err, "on chromosome Y"), 1);
  EXPECT_EQ(skipped(r.err, "mitochondrial"), 1);
  EXPECT_EQ(skipped(r.err, "on unplaced or unknown contigs"), 2);
  EXPECT_NE(r.err.find("records read 19, SNPs kept 8"), std::string::npos) << r.err;
  // The last line names the next command: the report, not velmora's prompt.
  EXPECT_NE(r.err.find("\nNext: velmora-report "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
  EXPECT_NE(r.err.find("identifiers generated as chr<chromosome>:<bp> where the input had none: 2"),
            std::string::npos);

  std::string analysis = dir.read("out/analysis.txt");
  EXPECT_EQ(analysisSection(analysis, "::patient pool"),
            (std::vector<std::string>{dir.file("out/genotypes/s1.txt"),
                                      dir.file("out/genotypes/s3.txt")}));
  EXPECT_EQ(analysisSection(analysis, "::control pool"),
            std::vector<std::string>{dir.file("out/genotypes/s2.txt")});
}

TEST(VcfImport, WithoutAMapOnlyAnExplicitUniformRateIsAccepted) {
  ScratchDir dir;
  dir.write("in.vcf", std::string(kHeader) +
                          "1\t1500000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
                          "X\t2000000\trs2\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n");
  dir.write("patients.txt", "s1\ns2\ns3\n");
  RunResult refused = runImport({"--vcf", dir.file("in.vcf"), "--patients",
                                 dir.file("patients.txt"), "--out", dir.file("out")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ERROR: a VCF carries no genetic map"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(dir.exists("out/annotation.txt"));

  RunResult uniform =
      runImport({"--vcf", dir.file("in.vcf"), "--patients", dir.file("patients.txt"), "--cm-per-mb",
                 "1.5", "--out", dir.file("out")});
  ASSERT_EQ(uniform.status, 0) << uniform.err;
  EXPECT_NE(uniform.err.find("APPROXIMATION: a uniform 1.5 cM/Mb"), std::string::npos)
      << uniform.err;
  EXPECT_NE(dir.read("out/analysis.txt").find(": genetic map: APPROXIMATION"), std::string::npos);
  std::vector<AnnotationRow> rows = readAnnotationRows(dir.read("out/annotation.txt"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_DOUBLE_EQ(rows[0].cM, 2.25);
  EXPECT_EQ(rows[1].chromosome, "2");
  EXPECT_DOUBLE_EQ(rows[1].cM, 3.0);
  EXPECT_TRUE(analysisSection(dir.read("out/analysis.txt"), "::control pool").empty());
}

TEST(VcfImport, DataWithoutXAreRefusedUnlessThePlaceholderOrTheLossIsChosen) {
  ScratchDir dir;
  dir.write("in.vcf", std::string(kHeader) +
                          "1\t1000000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
                          "2\t1000000\trs2\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n");
  dir.write("patients.txt", "s1\ns2\n");
  std::vector<std::string> base{
      "--vcf", dir.file("in.vcf"), "--patients", dir.file("patients.txt"), "--cm-per-mb", "1",
      "--out", dir.file("out")};

  RunResult refused = runImport(base);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ERROR: the data hold no chromosome X SNP"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("chromosome 2 would not be analysed"), std::string::npos);
  EXPECT_FALSE(dir.exists("out/annotation.txt"));

  std::vector<std::string> placeholder = base;
  placeholder.insert(placeholder.end(), {"--missing-x", "placeholder"});
  RunResult added = runImport(placeholder);
  ASSERT_EQ(added.status, 0) << added.err;
  std::vector<std::string> lines = linesOf(dir.read("out/annotation.txt"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "3\t1\t0.500000\tvelmora-import-X-placeholder\t0.000001");
  EXPECT_EQ(readCalls(dir.file("out/genotypes/s1.txt")).count("velmora-import-X-placeholder"), 0u);

  std::vector<std::string> accept = base;
  accept.insert(accept.end(), {"--missing-x", "accept"});
  RunResult accepted = runImport(accept);
  ASSERT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_NE(
      accepted.err.find("WARNING: no chromosome X; as asked, velmora will take chromosome 2 for X"),
      std::string::npos);
  EXPECT_EQ(linesOf(dir.read("out/annotation.txt")).size(), 2u);
}

}  // namespace
