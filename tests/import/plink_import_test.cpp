// PLINK filesets: numeric chromosome codes, the .bim map column, allele order,
// .bed call codes and the pools taken from the .fam phenotype.
#include <gtest/gtest.h>

#include "import/interchange.h"

namespace {

enum Code { AA, BB, AB, NONE };

// One SNP-major .bed block per SNP: 11 homozygous allele 2 (= A), 00
// homozygous allele 1, 10 heterozygous, 01 missing; first sample lowest.
std::string bed(const std::vector<std::vector<Code>>& snps) {
  std::string bytes("\x6c\x1b\x01", 3);
  for (const std::vector<Code>& calls : snps) {
    std::string block((calls.size() + 3) / 4, '\0');
    for (size_t s = 0; s < calls.size(); ++s) {
      unsigned bits = calls[s] == AA ? 3 : calls[s] == BB ? 0 : calls[s] == AB ? 2 : 1;
      block[s / 4] =
          static_cast<char>(static_cast<unsigned char>(block[s / 4]) | bits << (2 * (s % 4)));
    }
    bytes += block;
  }
  return bytes;
}

const char* const kFam =
    "F1 a 0 0 1 2\n"
    "F1 b 0 0 2 1\n"
    "F2 a 0 0 1 -9\n"
    "F3 c 0 0 2 2\n";

const char* const kBim =
    "1\trs1\t0.5\t1000\tG\tA\n"
    "1\trs2\t0\t2000\tG\tA\n"     // cM 0: PLINK's unknown
    "1\trs3\t0.4\t3000\tG\tA\n"   // cM below rs1's
    "1\trs4\t0.9\t4000\t0\tA\n"   // monomorphic
    "1\trs5\t1.0\t5000\t-\tA\n"   // indel
    "23\trsx\t1.0\t100\tC\tT\n"   // X
    "25\trsxy\t2.0\t200\tC\tT\n"  // XY, the pseudo-autosomal part of X
    "24\trsy\t1\t100\tC\tT\n"
    "26\trsmt\t1\t100\tC\tT\n"
    "0\trs0\t1\t100\tC\tT\n"
    "2\trs6\t0.7\t500\tC\tT\n";

void writeFileset(const ScratchDir& dir) {
  dir.write("set.fam", kFam);
  dir.write("set.bim", kBim);
  std::vector<std::vector<Code>> calls(11, std::vector<Code>{AA, AA, AA, AA});
  calls[0] = {AA, BB, AB, NONE};
  calls[5] = {BB, AB, NONE, AA};
  calls[10] = {BB, AB, AA, AA};
  dir.write("set.bed", bed(calls));
}

TEST(PlinkImport, CodesMapColumnAndPhenotypePoolsBecomeVelmoraInputs) {
  ScratchDir dir;
  writeFileset(dir);
  RunResult r = runImport({"--plink", dir.file("set"), "--out", dir.file("out")});
  ASSERT_EQ(r.status, 0) << r.err;

  EXPECT_EQ(linesOf(dir.read("out/annotation.txt")),
            (std::vector<std::string>{
                "1\t1000\t0.500000\trs1\t0.500000", "2\t500\t0.625000\trs6\t0.700000",
                "3\t100\t0.500000\trsx\t1.000000", "3\t200\t1.000000\trsxy\t2.000000"}));
  // IIDs repeat across families, so samples are named FID_IID.
  EXPECT_EQ(linesOf(dir.read("out/genotypes/F1_a.txt")),
            (std::vector<std::string>{"rs1\tAA", "rs6\tBB", "rsx\tBB", "rsxy\tAA"}));
  EXPECT_EQ(readCalls(dir.file("out/genotypes/F1_b.txt"))["rs1"], "BB");
  // F2_a has phenotype 0, so it is in no pool and gets no file.
  EXPECT_FALSE(dir.exists("out/genotypes/F2_a.txt"));
  EXPECT_EQ(readCalls(dir.file("out/genotypes/F3_c.txt"))["rs1"], "--");

  std::string analysis = dir.read("out/analysis.txt");
  EXPECT_EQ(analysisSection(analysis, "::patient pool"),
            (std::vector<std::string>{dir.file("out/genotypes/F1_a.txt"),
                                      dir.file("out/genotypes/F3_c.txt")}));
  EXPECT_EQ(analysisSection(analysis, "::control pool"),
            std::vector<std::string>{dir.file("out/genotypes/F1_b.txt")});
  EXPECT_NE(r.err.find("patient pool 2, control pool 1 (from the .fam phenotype"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("in neither pool, and not written: 1"), std::string::npos);
  for (const char* reason :
       {"outside every map", "with a map value below an earlier", "without an alternative allele",
        "indels and other non-SNP alleles", "on chromosome Y", "mitochondrial",
        "on unplaced or unknown contigs"}) {
    EXPECT_NE(r.err.find(std::string("1  ") + reason), std::string::npos) << reason << "\n"
                                                                          << r.err;
  }
}

TEST(PlinkImport, SampleListsOverrideThePhenotypeAndAcceptFamilyAndIndividualIds) {
  ScratchDir dir;
  writeFileset(dir);
  dir.write("patients.txt", "F2 a\nF1_b\n");
  RunResult r = runImport({"--plink", dir.file("set"), "--patients", dir.file("patients.txt"),
                           "--map", dir.file("set.bim.map"), "--out", dir.file("out")});
  EXPECT_EQ(r.status, 1);  // the map file does not exist
  EXPECT_NE(r.err.find("ERROR: cannot open map file"), std::string::npos) << r.err;

  dir.write("map.txt", "1 1 1.0\n1 100000 2.0\n2 1 1.0\n23 1 0.1\n23 1000 0.2\n");
  r = runImport({"--plink", dir.file("set"), "--patients", dir.file("patients.txt"), "--map",
                 dir.file("map.txt"), "--out", dir.file("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string analysis = dir.read("out/analysis.txt");
  EXPECT_EQ(analysisSection(analysis, "::patient pool"),
            (std::vector<std::string>{dir.file("out/genotypes/F2_a.txt"),
                                      dir.file("out/genotypes/F1_b.txt")}));
  EXPECT_TRUE(analysisSection(analysis, "::control pool").empty());
  // With a map file the .bim column is not used: rs2 (cM 0) and rs3 are kept.
  std::vector<AnnotationRow> rows = readAnnotationRows(dir.read("out/annotation.txt"));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[1].id, "rs2");
  EXPECT_NEAR(rows[1].cM, 1.0 + 1999.0 / 99999.0, 1e-6);
  EXPECT_EQ(rows[4].chromosome, "3");
  EXPECT_NEAR(rows[4].cM, 0.1 + 0.1 * 99.0 / 999.0, 1e-6);
}

// Array exports code alleles A/B, older PLINK files 1/2: both are SNPs, and
// give the annotation and calls that the same fileset coded in bases gives.
TEST(PlinkImport, AlleleCodesAbAndOneTwoAreSnps) {
  ScratchDir dir;
  const char* const kFam2 = "F1 a 0 0 1 2\nF1 b 0 0 2 2\nF2 c 0 0 1 1\n";
  std::vector<std::vector<Code>> calls{{AA, BB, AB}, {BB, AB, AA}, {AB, AA, NONE},
                                       {AA, AA, BB}, {BB, BB, AB}, {AA, AB, BB}};
  dir.write("coded.fam", kFam2);
  dir.write("coded.bim",
            "1\trs1\t0.5\t1000\tB\tA\n"
            "1\trs2\t0.6\t2000\t2\t1\n"
            "1\trs3\t0.7\t3000\tb\ta\n"
            "1\trs4\t0.8\t4000\tA\t2\n"  // mixed codings: no SNP
            "1\trs5\t0.9\t5000\tB\tB\n"  // one allele twice: no SNP
            "23\trs6\t0.2\t6000\tG\tA\n");
  dir.write("coded.bed", bed(calls));
  dir.write("bases.fam", kFam2);
  dir.write("bases.bim",
            "1\trs1\t0.5\t1000\tG\tA\n"
            "1\trs2\t0.6\t2000\tT\tC\n"
            "1\trs3\t0.7\t3000\tg\ta\n"
            "23\trs6\t0.2\t6000\tG\tA\n");
  dir.write("bases.bed", bed({calls[0], calls[1], calls[2], calls[5]}));
  RunResult coded = runImport({"--plink", dir.file("coded"), "--out", dir.file("coded_out")});
  ASSERT_EQ(coded.status, 0) << coded.err;
  RunResult bases = runImport({"--plink", dir.file("bases"), "--out", dir.file("bases_out")});
  ASSERT_EQ(bases.status, 0) << bases.err;
  EXPECT_NE(coded.err.find("2  indels and other non-SNP alleles"), std::string::npos) << coded.err;
  EXPECT_EQ(dir.read("coded_out/annotation.txt"), dir.read("bases_out/annotation.txt"));
  EXPECT_EQ(readAnnotationRows(dir.read("coded_out/annotation.txt")).size(), 4u);
  for (const char* sample : {"a", "b", "c"}) {
    std::string name = std::string("_out/genotypes/") + sample + ".txt";
    ASSERT_TRUE(dir.exists("coded" + name)) << sample;
    EXPECT_EQ(dir.read("coded" + name), dir.read("bases" + name)) << sample;
  }
  EXPECT_EQ(readCalls(dir.file("coded_out/genotypes/b.txt"))["rs2"], "AB");
}

}  // namespace
