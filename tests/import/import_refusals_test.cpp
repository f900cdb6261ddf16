// velmora-import refusing what would lose or confuse data: a re-import that
// would delete files the earlier import did not write, a map in Morgans over
// a few chromosomes of some Mb, a map of most SNPs' positions missing, and
// two samples of one name. Each refusal
// leaves every file as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "import/interchange.h"

namespace {

const std::string kVcf =
    "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\n"
    "1\t1000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
    "1\t3000\trs2\tC\tT\t.\t.\t.\tGT\t1/1\t0/1\t0/0\n"
    "X\t500\trsx\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\t0/0\n";

TEST(ImportReplacement, AReimportRefusesToDeleteFilesTheEarlierImportDidNotWrite) {
  ScratchDir dir;
  dir.write("in.vcf", kVcf);
  dir.write("p.txt", "s1\ns3\n");
  dir.write("all.txt", "s1\ns2\ns3\n");
  auto import = [&](const std::string& patients, const std::string& out) {
    return runImport({"--vcf", dir.file("in.vcf"), "--cm-per-mb", "1", "--patients",
                      dir.file(patients), "--out", dir.file(out)});
  };
  RunResult r = import("p.txt", "out");
  ASSERT_EQ(r.status, 0) << r.err;
  // s2.txt is a name a later import writes, but this one did not.
  dir.write("out/genotypes/notes.txt", "mine\n");
  dir.write("out/genotypes/s2.txt", "mine too\n");
  dir.write("out/results/HH_kept.txt", "x\n");
  const std::map<std::string, std::string> before = everyEntry(dir.path());
  for (const char* patients : {"p.txt", "all.txt"}) {
    r = import(patients, "out");
    EXPECT_EQ(r.status, 1) << patients;
    EXPECT_EQ(errorLine(r),
              "ERROR: --out " + dir.file("out") +
                  " holds 'genotypes/notes.txt', 'genotypes/s2.txt', which the earlier "
                  "velmora-import did not write (its analysis.txt lists the genotyping files it "
                  "wrote); a new import there would delete them: move them elsewhere, or name a "
                  "new or empty directory")
        << r.err;
    EXPECT_EQ(everyEntry(dir.path()), before) << "nothing written, no temporary directory";
  }

  // Without the user's files the import is replaced and its results kept,
  // also after the directory was moved (its analysis file names the old place).
  std::filesystem::remove(dir.file("out/genotypes/notes.txt"));
  std::filesystem::remove(dir.file("out/genotypes/s2.txt"));
  std::filesystem::rename(dir.file("out"), dir.file("moved"));
  r = import("all.txt", "moved");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.list("moved/genotypes"), (std::vector<std::string>{"s1.txt", "s2.txt", "s3.txt"}));
  EXPECT_EQ(dir.read("moved/results/HH_kept.txt"), "x\n");
  r = import("p.txt", "moved");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.list("moved/genotypes"), (std::vector<std::string>{"s1.txt", "s3.txt"}));
}

// chr21 and chr22 over about 10 Mb each, as a .bim map column: Morgans rise
// by about 0.013 per Mb, the same map in cM by 1.3.
TEST(ImportMapUnits, MorgansAreCaughtOnChromosomesOfAFewMb) {
  ScratchDir dir;
  dir.write("set.fam", "F s1 0 0 1 2\nF s2 0 0 1 1\nF s3 0 0 2 2\nF s4 0 0 2 1\n");
  // Each variant: s1 BB, s2 missing, s3 AB, s4 AA (first sample lowest bits).
  dir.write("set.bed", std::string("\x6c\x1b\x01", 3) + std::string(6, '\xe4'));
  auto bim = [](double scale) {
    const std::vector<std::tuple<int, int, double>> snps = {
        {21, 15000000, 0.20}, {21, 19000000, 0.26}, {21, 25000000, 0.33},
        {22, 18000000, 0.30}, {22, 22000000, 0.36}, {22, 28000000, 0.43}};
    std::string text;
    for (const auto& [chromosome, bp, morgans] : snps) {
      text += std::to_string(chromosome) + "\trs" + std::to_string(bp) + "\t" +
              std::to_string(morgans * scale) + "\t" + std::to_string(bp) + "\tG\tA\n";
    }
    return text;
  };
  dir.write("set.bim", bim(1));
  std::vector<std::string> args{"--plink",     dir.file("set"), "--missing-x",
                                "placeholder", "--out",         dir.file("out")};
  const std::map<std::string, std::string> before = everyEntry(dir.path());
  RunResult r = runImport(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(errorLine(r),
            "ERROR: the genetic map looks like Morgans, not cM (chromosome 21 rises by 0.13 over "
            "10.0 Mb, 0.013 per Mb; human maps rise by about 0.5 to 3 cM per Mb): run again with "
            "--map-units morgans to multiply it by 100, or with --map-units cm if it really is "
            "in cM")
      << r.err;
  EXPECT_EQ(everyEntry(dir.path()), before);

  args.insert(args.end(), {"--map-units", "morgans"});
  r = runImport(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string inMorgans = dir.read("out/annotation.txt");
  std::vector<AnnotationRow> rows = readAnnotationRows(inMorgans);
  ASSERT_EQ(rows.size(), 7u) << inMorgans;  // six SNPs and the X placeholder
  EXPECT_DOUBLE_EQ(rows[2].cM, 33.0);
  EXPECT_DOUBLE_EQ(rows[5].cM, 43.0);

  // The same map in cM is taken as it is, giving the same annotation.
  dir.write("set.bim", bim(100));
  args.resize(args.size() - 2);
  r = runImport(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("out/annotation.txt"), inMorgans);
}

// A map of another build leaves SNPs beyond its ends: counted always, a
// warning above 1 %, a refusal above half unless --allow-outside-map.
TEST(ImportMapRange, SnpsOutsideTheMapAreCountedWarnedAndAboveHalfRefused) {
  ScratchDir dir;
  std::string vcf =
      "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\n";
  for (int k = 1; k <= 10; ++k) {
    vcf += "1\t" + std::to_string(k * 100000) + "\trs" + std::to_string(k) +
           "\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\n";
  }
  dir.write("in.vcf", vcf);
  dir.write("p.txt", "s1\ns2\n");
  auto importWith = [&](int64_t firstBp, int64_t lastBp, bool allow) {
    dir.write("map.txt", "chromosome position cM\n1 " + std::to_string(firstBp) + " 0.1\n1 " +
                             std::to_string(lastBp) + " 2.0\n");
    std::vector<std::string> args{"--vcf",       dir.file("in.vcf"), "--map", dir.file("map.txt"),
                                  "--missing-x", "placeholder",      "--out", dir.file("out")};
    args.insert(args.end(), {"--patients", dir.file("p.txt")});
    if (allow) args.push_back("--allow-outside-map");
    return runImport(args);
  };
  RunResult r = importWith(100000, 1000000, false);  // every SNP inside
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("outside the genetic map"), std::string::npos) << r.err;
  r = importWith(100000, 800000, false);  // two of ten beyond the map's end
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("  WARNING: 2 of 10 SNPs (20.0 %) lie outside the genetic map's range"),
            std::string::npos)
      << r.err;
  std::map<std::string, std::string> before = everyEntry(dir.path());
  r = importWith(700000, 900000, false);  // seven of ten outside: another build?
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(errorLine(r).find("7 of 10 SNPs (70.0 %) lie outside the genetic map's range"),
            std::string::npos)
      << r.err;
  EXPECT_NE(errorLine(r).find("--allow-outside-map"), std::string::npos);
  std::map<std::string, std::string> after = everyEntry(dir.path());
  before.erase("map.txt");  // the only file the test itself changed
  after.erase("map.txt");
  EXPECT_EQ(after, before);
  r = importWith(700000, 900000, true);
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(ImportSamples, TwoSamplesOfOneNameAreRefusedNamingBoth) {
  ScratchDir dir;
  std::string repeated = kVcf;
  repeated.replace(repeated.find("\ts3\n"), 4, "\ts1\n");
  dir.write("repeated.vcf", repeated);
  dir.write("p.txt", "s2\n");
  // Individual IDs repeat, so samples are named FID_IID, and two of those meet.
  dir.write("set.fam", "A B_C 0 0 1 2\nA_B C 0 0 1 2\nX C 0 0 1 1\n");
  dir.write("set.bim", "1\trs1\t0.5\t1000\tG\tA\n1\trs2\t1.5\t3000\tG\tA\n23\trsx\t1\t100\tG\tA\n");
  dir.write("set.bed", std::string("\x6c\x1b\x01\x24\x24\x24", 6));
  dir.write("abc.txt", "A_B_C\n");
  const std::map<std::string, std::string> before = everyEntry(dir.path());
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--vcf", dir.file("repeated.vcf"), "--cm-per-mb", "1", "--patients", dir.file("p.txt")},
       "ERROR: the #CHROM line of " + dir.file("repeated.vcf") +
           " names sample 's1' twice, in columns 10 and 12, so their genotyping files could not "
           "be told apart: give each sample a name of its own"},
      {{"--plink", dir.file("set")},
       "ERROR: sample 1 (family 'A', individual 'B_C') and sample 2 (family 'A_B', individual "
       "'C') of the input are both named 'A_B_C', so their genotyping files could not be told "
       "apart: give each sample a name of its own, or leave one out of the pools"},
      {{"--plink", dir.file("set"), "--patients", dir.file("abc.txt")},
       "ERROR: sample list " + dir.file("abc.txt") +
           " line 1: samples 1 and 2 of the input are both named 'A_B_C', so the list cannot "
           "tell which it means"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--out", dir.file("out")});
    RunResult r = runImport(args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(errorLine(r), c.message) << r.err;
    EXPECT_EQ(everyEntry(dir.path()), before) << c.message;
  }
}

}  // namespace
