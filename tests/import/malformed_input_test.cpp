// Faulty inputs and command lines: each ends with one clear "ERROR: " line,
// exit status 1 and no annotation file written.
#include <gtest/gtest.h>

#include "import/interchange.h"

namespace {

const char* const kHeader =
    "##fileformat=VCFv4.2\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\n";
const char* const kGoodRecord = "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\n";

struct Case {
  std::string name;
  std::map<std::string, std::string> files;  // written into the scratch directory first
  std::vector<std::string> args;             // "@x" stands for the scratch path of x
  std::string message;                       // expected on the "ERROR: " line
};

void expectRefused(const Case& c) {
  ScratchDir dir;
  for (const auto& [name, content] : c.files) dir.write(name, content);
  std::vector<std::string> args;
  for (const std::string& arg : c.args)
    args.push_back(arg[0] == '@' ? dir.file(arg.substr(1)) : arg);
  args.insert(args.end(), {"--out", dir.file("out")});
  RunResult r = runImport(args);
  EXPECT_EQ(r.status, 1) << c.name;
  size_t error = r.err.find("ERROR: ");
  ASSERT_NE(error, std::string::npos) << c.name << "\n" << r.err;
  EXPECT_NE(r.err.substr(error, r.err.find('\n', error) - error).find(c.message), std::string::npos)
      << c.name << "\n"
      << r.err;
  EXPECT_FALSE(dir.exists("out/annotation.txt")) << c.name;
}

std::vector<std::string> vcfArgs() {
  return {"--vcf", "@in.vcf", "--cm-per-mb", "1", "--patients", "@p.txt"};
}

TEST(ImportMalformedInput, VcfFaultsNameTheRecordOrTheFile) {
  std::vector<Case> cases = {
      {"missing file", {{"p.txt", "s1\n"}}, vcfArgs(), "cannot open VCF/BCF file"},
      {"plain text",
       {{"in.vcf", "chromosome\tposition\n1\t100\n"}, {"p.txt", "s1\n"}},
       vcfArgs(),
       "is not a VCF or BCF file"},
      {"no sample column",
       {{"in.vcf",
         "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n1\t100\t.\tA\tG\t."
         "\t.\t.\n"},
        {"p.txt", "s1\n"}},
       vcfArgs(),
       "holds no sample columns"},
      {"record short of a sample",
       {{"in.vcf", std::string(kHeader) + kGoodRecord + "1\t200\trs2\tA\tG\t.\t.\t.\tGT\t0/0\n"},
        {"p.txt", "s1\n"}},
       vcfArgs(),
       "malformed VCF/BCF record 2 of"},
      {"unknown sample in list",
       {{"in.vcf", std::string(kHeader) + kGoodRecord}, {"p.txt", "s1\ns9\n"}},
       vcfArgs(),
       "line 2: no sample 's9' in the input"},
      {"sample in both pools",
       {{"in.vcf", std::string(kHeader) + kGoodRecord}, {"p.txt", "s1\n"}, {"c.txt", "s2\ns1\n"}},
       {"--vcf", "@in.vcf", "--cm-per-mb", "1", "--patients", "@p.txt", "--controls", "@c.txt"},
       "sample 's1' is listed as patient and as control"},
      {"no pools for a VCF",
       {{"in.vcf", std::string(kHeader) + kGoodRecord}},
       {"--vcf", "@in.vcf", "--cm-per-mb", "1"},
       "the input carries no case/control phenotype"},
      {"only indels",
       {{"in.vcf", std::string(kHeader) + "1\t100\trs1\tAT\tG\t.\t.\t.\tGT\t0/0\t0/1\n"},
        {"p.txt", "s1\n"}},
       vcfArgs(),
       "no autosomal SNP is left to write"},
  };
  for (const Case& c : cases) expectRefused(c);
}

TEST(ImportMalformedInput, PlinkFaultsNameTheFileAndLine) {
  const std::string fam = "F a 0 0 1 2\nF b 0 0 1 1\n";
  const std::string bim = "1\trs1\t0.5\t1000\tG\tA\n1\trs2\t0.6\t2000\tG\tA\n";
  const std::string bed = std::string("\x6c\x1b\x01", 3) + std::string(2, '\xff');
  std::vector<std::string> args{"--plink", "@set"};
  std::vector<Case> cases = {
      {"missing fam", {{"set.bim", bim}, {"set.bed", bed}}, args, "cannot open "},
      {"fam short of a column",
       {{"set.fam", "F a 0 0 1\n"}, {"set.bim", bim}, {"set.bed", bed}},
       args,
       "set.fam line 1: expected 6 columns"},
      {"bim short of a column",
       {{"set.fam", fam}, {"set.bim", "1\trs1\t0.5\t1000\tG\n"}, {"set.bed", bed}},
       args,
       "set.bim line 1: expected 6 columns"},
      {"bim position not a number",
       {{"set.fam", fam}, {"set.bim", "1\trs1\t0.5\t10x0\tG\tA\n"}, {"set.bed", bed}},
       args,
       "set.bim line 1: bp position '10x0' is not a whole number"},
      {"not a bed",
       {{"set.fam", fam}, {"set.bim", bim}, {"set.bed", "chr\tpos\n"}},
       args,
       "is not a PLINK 1 .bed file"},
      {"individual-major bed",
       {{"set.fam", fam},
        {"set.bim", bim},
        {"set.bed", std::string("\x6c\x1b\x00", 3) + std::string(2, '\xff')}},
       args,
       "is in individual-major order"},
      {"bed of the wrong size",
       {{"set.fam", fam}, {"set.bim", bim}, {"set.bed", bed + "\xff"}},
       args,
       "set.bed has 6 bytes, but 2 variants of the .bim and 2 samples of the .fam need 5"},
      {"bim map all zero",
       {{"set.fam", fam},
        {"set.bim", "1\trs1\t0\t1000\tG\tA\n1\trs2\t0\t2000\tG\tA\n"},
        {"set.bed", bed}},
       args,
       "the .bim cM column is all 0"},
      {"no affected sample",
       {{"set.fam", "F a 0 0 1 1\nF b 0 0 1 -9\n"}, {"set.bim", bim}, {"set.bed", bed}},
       args,
       "no patient"},
      {"no affected sample: the column and the option named",
       {{"set.fam", "F a 0 0 1 1\nF b 0 0 1 1\n"}, {"set.bim", bim}, {"set.bed", bed}},
       args,
       "no sample of the .fam has phenotype 2 (affected) in its sixth column, and velmora needs "
       "at least one patient; name the patients with --patients FILE"},
      {"repeated family and individual",
       {{"set.fam", "F a 0 0 1 2\nF a 0 0 1 1\n"}, {"set.bim", bim}, {"set.bed", bed}},
       args,
       "set.fam line 2: family 'F' and individual 'a' are listed twice"},
      {"bim cM below 0",
       {{"set.fam", fam},
        {"set.bim", "1\trs1\t0.5\t1000\tG\tA\n1\trs2\t-1\t2000\tG\tA\n"},
        {"set.bed", bed}},
       args,
       "set.bim line 2: cM '-1' is not a number from 0 (unknown) to"},
  };
  for (const Case& c : cases) expectRefused(c);
}

TEST(ImportMalformedInput, MapFilesAndCommandLinesAreCheckedBeforeAnyWork) {
  std::map<std::string, std::string> vcf{{"in.vcf", std::string(kHeader) + kGoodRecord},
                                         {"p.txt", "s1\n"}};
  auto withMap = [&](const std::string& map) {
    std::map<std::string, std::string> files = vcf;
    files["map.txt"] = map;
    return files;
  };
  std::vector<std::string> mapArgs{"--vcf", "@in.vcf", "--map", "@map.txt", "--patients", "@p.txt"};
  std::vector<Case> cases = {
      {"map of five columns", withMap("1 100 0.5 0.1 7\n"), mapArgs,
       "map.txt line 1: found 5 columns and no header naming them"},
      {"map positions out of order", withMap("1 200 0.5\n1 100 0.6\n"), mapArgs,
       "map.txt line 2: positions must ascend along chromosome 1"},
      {"map going down", withMap("1 100 0.5\n1 200 0.4\n"), mapArgs,
       "map.txt line 2: cM must not decrease"},
      {"map value not a number", withMap("1 100 abc\n"), mapArgs,
       "map.txt line 1: map value 'abc' is not a number"},
      {"two inputs",
       vcf,
       {"--vcf", "@in.vcf", "--plink", "@set", "--cm-per-mb", "1"},
       "give exactly one input"},
      {"map and rate",
       withMap("1 100 0.5\n"),
       {"--vcf", "@in.vcf", "--map", "@map.txt", "--cm-per-mb", "1", "--patients", "@p.txt"},
       "give either --map or --cm-per-mb, not both"},
      {"rate of zero",
       vcf,
       {"--vcf", "@in.vcf", "--cm-per-mb", "0"},
       "--cm-per-mb needs a rate above 0"},
      {"controls without patients",
       vcf,
       {"--vcf", "@in.vcf", "--cm-per-mb", "1", "--controls", "@p.txt"},
       "--controls needs --patients as well"},
      {"unknown option",
       vcf,
       {"--vcf", "@in.vcf", "--frobnicate"},
       "unknown argument '--frobnicate'"},
      {"bad missing-x mode",
       vcf,
       {"--vcf", "@in.vcf", "--missing-x", "drop"},
       "--missing-x takes 'placeholder' or 'accept'"},
  };
  for (const Case& c : cases) expectRefused(c);
}

}  // namespace
