// The import and the tracks converter against hostile or unusual inputs: a
// failed import leaves an earlier one whole, links and FIFOs are refused,
// numbers are read whole, the published map layouts give one map, Morgans and
// PLINK's numeric X are caught, and the genome build is recorded.
#include <gtest/gtest.h>
#include <htslib/bgzf.h>
#include <htslib/vcf.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "base/lines.h"
#include "driver/analysis_file.h"
#include "import/interchange.h"
#include "vcf_source.h"
#include "velmora_files.h"

namespace {

const std::string kVcfHeader =
    "##fileformat=VCFv4.2\n##contig=<ID=1,length=248956422>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\n";
const std::string kRecords =
    "1\t1000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
    "1\t3000\trs2\tC\tT\t.\t.\t.\tGT\t1/1\t0/1\t0/0\n"
    "X\t500\trsx\tA\tG\t.\t.\t.\tGT\t0\t1\t0/1\n";

void writeGzip(const std::string& path, const std::string& text) {
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
}

std::string firstError(const RunResult& r) {
  size_t at = r.err.find("ERROR: ");
  return at == std::string::npos ? "" : r.err.substr(at, r.err.find('\n', at) - at);
}

TEST(ImportHardening, FailedImportsLeaveTheEarlierOneAndRefuseLinksFifosAndPartialNumbers) {
  ScratchDir dir;
  dir.write("in.vcf", kVcfHeader + kRecords);
  dir.write("p.txt", "s1\ns3\n");
  std::vector<std::string> base{"--vcf",      dir.file("in.vcf"), "--cm-per-mb", "1",
                                "--patients", dir.file("p.txt"),  "--out",       dir.file("out")};
  RunResult first = runImport(base);
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string annotation = dir.read("out/annotation.txt");
  // Only the pooled samples get files; s2 is in no pool.
  EXPECT_EQ(dir.list("out/genotypes"), (std::vector<std::string>{"s1.txt", "s3.txt"}));
  // The build told by the contig length is in the report and the analysis file.
  EXPECT_NE(first.err.find("genome build: GRCh38"), std::string::npos) << first.err;
  EXPECT_NE(dir.read("out/analysis.txt").find("\n: genome build GRCh38"), std::string::npos);

  // A later import that fails (POS "12abc") changes nothing of the first.
  dir.write("bad.vcf", kVcfHeader + "1\t12abc\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n");
  std::vector<std::string> bad = base;
  bad[1] = dir.file("bad.vcf");
  RunResult r = runImport(bad);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("POS '12abc' is not a whole number"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("out/annotation.txt"), annotation);
  EXPECT_EQ(dir.list(""), (std::vector<std::string>{"bad.vcf", "in.vcf", "out", "p.txt"}))
      << "no temporary directory is left behind";

  // A record with an extra sample column.
  dir.write("extra.vcf", kVcfHeader + "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\t0/0\n");
  bad[1] = dir.file("extra.vcf");
  r = runImport(bad);
  EXPECT_NE(firstError(r).find("it has 13 columns, the header's #CHROM line 12"), std::string::npos)
      << r.err;

  // A rate that would print cM as inf.
  std::vector<std::string> huge = base;
  huge[3] = "1e308";
  r = runImport(huge);
  EXPECT_NE(firstError(r).find("--cm-per-mb needs a rate above 0 and at most 100"),
            std::string::npos);

  // A FIFO as input is refused at once, not waited on.
  ASSERT_EQ(mkfifo(dir.file("fifo.vcf").c_str(), 0600), 0);
  bad[1] = dir.file("fifo.vcf");
  r = runImport(bad);
  EXPECT_NE(firstError(r).find("not a regular file"), std::string::npos) << r.err;

  // A link planted in --out, and a file no import wrote, make it foreign.
  std::filesystem::create_symlink(dir.file("p.txt"), dir.file("out/genotypes/planted.txt"));
  r = runImport(base);
  EXPECT_NE(firstError(r).find("holds 'genotypes/planted.txt'"), std::string::npos) << r.err;
  std::filesystem::remove(dir.file("out/genotypes/planted.txt"));
  dir.write("out/notes.txt", "mine\n");
  r = runImport(base);
  EXPECT_NE(firstError(r).find("holds 'notes.txt'"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("out/notes.txt"), "mine\n");
  std::filesystem::remove(dir.file("out/notes.txt"));
  // An earlier import is replaced, and its results are kept.
  dir.write("out/results/HH_kept.txt", "x\n");
  r = runImport(base);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("out/results/HH_kept.txt"), "x\n");
  std::filesystem::create_symlink(dir.file("out"), dir.file("link"));
  base.back() = dir.file("link");
  r = runImport(base);
  EXPECT_NE(firstError(r).find("is a symbolic link"), std::string::npos) << r.err;
}

TEST(ImportHardening, PublishedMapLayoutsGiveOneMapAndMorgansArePointedOut) {
  ScratchDir dir;
  dir.write("in.vcf", kVcfHeader + kRecords);
  dir.write("p.txt", "s1\n");
  auto importWith = [&](std::vector<std::string> mapArgs, const std::string& out) {
    std::vector<std::string> args{"--vcf", dir.file("in.vcf"), "--patients", dir.file("p.txt"),
                                  "--out", dir.file(out)};
    args.insert(args.end(), mapArgs.begin(), mapArgs.end());
    return runImport(args);
  };
  dir.write("plain.txt", "1 1000 1.0\n1 3000 3.0\nX 100 0.5\nX 900 1.5\n");
  writeGzip(dir.file("eagle.txt.gz"), "pos chr cM\n1000 1 1.0\n3000 1 3.0\n100 X 0.5\n900 X 1.5\n");
  dir.write(
      "hapmap.txt",
      "Chromosome\tPosition(bp)\tRate(cM/Mb)\tMap(cM)\nchr1\t1000\t1\t1.0\nchr1\t3000\t1\t3.0\n"
      "chrX\t100\t1\t0.5\nchrX\t900\t1\t1.5\n");
  dir.write("map_chr1.txt",
            "position COMBINED_rate(cM/Mb) Genetic_Map(cM)\n1000 1 1.0\n3000 1 3.0\n");
  dir.write("map_chrX.txt",
            "position COMBINED_rate(cM/Mb) Genetic_Map(cM)\n100 1 0.5\n900 1 1.5\n");
  dir.write("plink.map", "1 m1 1.0 1000\n1 m2 3.0 3000\nX m3 0.5 100\nX m4 1.5 900\n");
  RunResult plain = importWith({"--map", dir.file("plain.txt")}, "plain");
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string expected = dir.read("plain/annotation.txt");
  struct Layout {
    std::vector<std::string> args;
    const char* reported;
  };
  const std::vector<Layout> layouts = {
      {{"--map", dir.file("eagle.txt.gz")}, "header 'pos chr cM', gzip"},
      {{"--map", dir.file("hapmap.txt")}, "header 'Chromosome Position(bp) Rate(cM/Mb) Map(cM)'"},
      {{"--map", dir.file("map_chr@.txt")},
       "header 'position COMBINED_rate(cM/Mb) Genetic_Map(cM)'"},
      {{"--map", dir.file("map_chr1.txt"), "--map", dir.file("map_chrX.txt")}, "2 map file(s)"},
      {{"--map", dir.file("plink.map")}, "PLINK .map: chromosome ID cM bp"},
  };
  for (size_t i = 0; i < layouts.size(); ++i) {
    std::string out = "layout" + std::to_string(i);
    RunResult r = importWith(layouts[i].args, out);
    ASSERT_EQ(r.status, 0) << layouts[i].reported << "\n" << r.err;
    EXPECT_EQ(dir.read(out + "/annotation.txt"), expected) << layouts[i].reported;
    EXPECT_NE(r.err.find(layouts[i].reported), std::string::npos) << r.err;
  }

  // A map in Morgans over tens of Mb is refused with the option that converts it.
  dir.write("far.vcf", kVcfHeader +
                           "1\t1000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n"
                           "1\t60000000\trs2\tC\tT\t.\t.\t.\tGT\t1/1\t0/1\t0/0\n"
                           "X\t500\trsx\tA\tG\t.\t.\t.\tGT\t0\t1\t0/1\n");
  dir.write("morgans.txt", "1 1000 0.01\n1 60000000 0.62\nX 100 0.005\n");
  std::vector<std::string> args{"--vcf", dir.file("far.vcf"),     "--patients", dir.file("p.txt"),
                                "--map", dir.file("morgans.txt"), "--out",      dir.file("m")};
  RunResult r = runImport(args);
  EXPECT_NE(firstError(r).find("looks like Morgans"), std::string::npos) << r.err;
  EXPECT_NE(firstError(r).find("--map-units morgans"), std::string::npos);
  EXPECT_FALSE(dir.exists("m"));
  args.insert(args.end(), {"--map-units", "morgans"});
  r = runImport(args);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<AnnotationRow> rows = readAnnotationRows(dir.read("m/annotation.txt"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_DOUBLE_EQ(rows[1].cM, 62.0);

  // Chromosomes numbered up to 26 without X: PLINK's codes, so --autosomes 22.
  std::string numbered = kVcfHeader;
  for (int c = 1; c <= 26; ++c) {
    numbered += std::to_string(c) + "\t100\trs" + std::to_string(c) +
                "\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n";
  }
  dir.write("numbered.vcf", numbered);
  r = runImport({"--vcf", dir.file("numbered.vcf"), "--patients", dir.file("p.txt"), "--cm-per-mb",
                 "1", "--out", dir.file("n")});
  EXPECT_NE(firstError(r).find("--autosomes 22"), std::string::npos) << r.err;
}

// The VCF rewritten as BCF through htslib imports to the same files.
TEST(ImportHardening, ABcfWrittenByHtslibRoundTripsLikeItsVcf) {
  ScratchDir dir;
  // BCF names contigs by header index: every contig must be declared.
  std::string header = kVcfHeader;
  header.insert(header.find("##FORMAT"), "##contig=<ID=X,length=156040895>\n");
  dir.write("in.vcf", header + kRecords);
  dir.write("p.txt", "s1\ns3\n");
  htsFile* in = hts_open(dir.file("in.vcf").c_str(), "r");
  ASSERT_NE(in, nullptr);
  bcf_hdr_t* parsed = bcf_hdr_read(in);
  htsFile* out = hts_open(dir.file("in.bcf").c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(bcf_hdr_write(out, parsed), 0);
  bcf1_t* record = bcf_init();
  int records = 0;
  while (bcf_read(in, parsed, record) == 0) {
    ASSERT_EQ(bcf_write(out, parsed, record), 0);
    ++records;
  }
  bcf_destroy(record);
  bcf_hdr_destroy(parsed);
  hts_close(in);
  ASSERT_EQ(hts_close(out), 0);
  EXPECT_EQ(records, 3);
  for (const char* input : {"in.vcf", "in.bcf"}) {
    RunResult r = runImport({"--vcf", dir.file(input), "--cm-per-mb", "1", "--patients",
                             dir.file("p.txt"), "--out", dir.file(std::string("out_") + input)});
    ASSERT_EQ(r.status, 0) << input << "\n" << r.err;
  }
  EXPECT_EQ(dir.read("out_in.bcf/annotation.txt"), dir.read("out_in.vcf/annotation.txt"));
  for (const char* sample : {"s1.txt", "s3.txt"}) {
    EXPECT_EQ(dir.read(std::string("out_in.bcf/genotypes/") + sample),
              dir.read(std::string("out_in.vcf/genotypes/") + sample));
  }
  EXPECT_NE(dir.read("out_in.bcf/analysis.txt").find("from BCF file"), std::string::npos);
  EXPECT_NE(dir.read("out_in.bcf/analysis.txt").find(": genome build GRCh38"), std::string::npos);
}

// Every file under `root` with its bytes, for telling that nothing changed.
std::map<std::string, std::string> snapshot(const ScratchDir& dir, const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.file(root))) {
    std::string name = entry.path().lexically_relative(dir.file(root)).string();
    files[name] = entry.is_regular_file() ? dir.read(root + "/" + name) : "(folder)";
  }
  return files;
}

// VCF text comes in bounded lines whatever its compression: a last line
// without its end past the bound is refused with its number, and the earlier
// import stays whole; a short last line without its end, and CR LF line ends,
// read as before.
TEST(ImportHardening, AVcfLineWithoutEndIsRefusedAtTheBound) {
  ScratchDir dir;
  std::string crlf;
  for (char c : kVcfHeader + kRecords + "1\t4000\trs4\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1") {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  dir.write("in.vcf", crlf);
  dir.write("p.txt", "s1\ns3\n");
  std::vector<std::string> args{"--vcf",      dir.file("in.vcf"), "--cm-per-mb", "1",
                                "--patients", dir.file("p.txt"),  "--out",       dir.file("out")};
  RunResult r = runImport(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::map<std::string, std::string> before = snapshot(dir, "out");
  const std::string annotation = before.at("annotation.txt");
  EXPECT_NE(annotation.find("rs4"), std::string::npos) << annotation;
  EXPECT_EQ(annotation.find('\r'), std::string::npos);
  EXPECT_EQ(readCalls(dir.file("out/genotypes/s3.txt")).at("rs4"), "BB");

  // Line 8: the four header lines, three records, then one of kVcfLineLimit + 1.
  std::string longLine = "1\t4000\trs4\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t";
  longLine.append(static_cast<size_t>(kVcfLineLimit) + 1 - longLine.size(), '1');
  const std::string longText = kVcfHeader + kRecords + longLine;
  dir.write("long.vcf", longText);
  BGZF* bgzip = bgzf_open(dir.file("long.vcf.gz").c_str(), "w");
  ASSERT_NE(bgzip, nullptr);
  ASSERT_EQ(bgzf_write(bgzip, longText.data(), longText.size()),
            static_cast<ssize_t>(longText.size()));
  ASSERT_EQ(bgzf_close(bgzip), 0);
  const std::vector<std::string> inputs = dir.list();
  for (const char* input : {"long.vcf", "long.vcf.gz"}) {
    args[1] = dir.file(input);
    r = runImport(args);
    EXPECT_EQ(r.status, 1) << input;
    EXPECT_EQ(firstError(r), "ERROR: VCF file " + dir.file(input) + " line 8 is longer than " +
                                 std::to_string(kVcfLineLimit) +
                                 " characters: not a VCF line (a file without line ends?)")
        << r.err;
    EXPECT_EQ(snapshot(dir, "out"), before) << input;
    EXPECT_EQ(dir.list(), inputs) << "no temporary directory is left beside --out";
  }
}

// A bgzip file cut at a block boundary, or inside a block, is refused; long
// sample names get distinct shortened file names; an identifier velmora could
// not read and a pool larger than velmora takes are refused before anything
// is written (such VCF lines are far longer than velmora's own lines).
TEST(ImportHardening, CutFilesAndVelmorasLimitsAreCaughtBeforeAnythingIsWritten) {
  ScratchDir dir;
  dir.write("p.txt", "s1\ns3\n");
  auto import = [&](const std::string& input, const std::string& out) {
    return runImport({"--vcf", dir.file(input), "--cm-per-mb", "1", "--patients", dir.file("p.txt"),
                      "--out", dir.file(out)});
  };
  // One bgzip block per piece: the header, then each record.
  BGZF* bgzip = bgzf_open(dir.file("in.vcf.gz").c_str(), "w");
  ASSERT_NE(bgzip, nullptr);
  std::vector<std::string> pieces{kVcfHeader};
  for (size_t from = 0; from < kRecords.size();) {
    size_t end = kRecords.find('\n', from) + 1;
    pieces.push_back(kRecords.substr(from, end - from));
    from = end;
  }
  std::vector<size_t> blockEnds;
  for (const std::string& piece : pieces) {
    ASSERT_EQ(bgzf_write(bgzip, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
    ASSERT_EQ(bgzf_flush(bgzip), 0);
    blockEnds.push_back(static_cast<size_t>(bgzf_tell(bgzip) >> 16));
  }
  ASSERT_EQ(bgzf_close(bgzip), 0);
  ASSERT_EQ(blockEnds.size(), 4u);
  const std::string whole = dir.read("in.vcf.gz");
  const std::string endBlock = whole.substr(blockEnds.back());
  RunResult r = import("in.vcf.gz", "whole");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesOf(dir.read("whole/annotation.txt")).size(), 3u);

  dir.write("boundary.vcf.gz", whole.substr(0, blockEnds[2]));
  r = import("boundary.vcf.gz", "boundary");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("lacks the end-of-file block of a bgzip file: it was cut short"),
            std::string::npos)
      << r.err;
  // Cut inside record 2's block, the end block put back: the damaged block tells.
  dir.write("mid.vcf.gz", whole.substr(0, (blockEnds[1] + blockEnds[2]) / 2) + endBlock);
  r = import("mid.vcf.gz", "mid");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("malformed VCF/BCF record 2 of " + dir.file("mid.vcf.gz") +
                               " (after 1:1000) (the file is damaged or cut short)"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(dir.exists("boundary"));
  EXPECT_FALSE(dir.exists("mid"));

  // Two 300-character names that differ only past the shortening.
  const std::string longName(300, 'n');
  std::string header = kVcfHeader;
  header.replace(header.find("\ts2\t"), 4, "\t" + longName + "\t");
  header.replace(header.find("\ts3\n"), 4, "\t" + longName + "b\n");
  dir.write("names.vcf", header + kRecords);
  dir.write("names.txt", longName + "\n" + longName + "b\n");
  r = runImport({"--vcf", dir.file("names.vcf"), "--cm-per-mb", "1", "--patients",
                 dir.file("names.txt"), "--out", dir.file("names")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string body(kLongestFileBody, 'n');
  EXPECT_EQ(dir.list("names/genotypes"),
            (std::vector<std::string>{body + ".txt", body + "_2.txt"}));
  EXPECT_EQ(analysisSection(dir.read("names/analysis.txt"), "::patient pool"),
            (std::vector<std::string>{dir.file("names/genotypes/" + body + ".txt"),
                                      dir.file("names/genotypes/" + body + "_2.txt")}));

  const std::string longId(12000, 'r');
  dir.write("id.vcf",
            kVcfHeader + kRecords + "1\t5000\t" + longId + "\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n");
  r = import("id.vcf", "id");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("the identifier of the SNP at 1:5000 has 12000 characters; velmora "
                               "reads lines of fewer than " +
                               std::to_string(kLineLimit)),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(dir.exists("id"));

  // One patient more than velmora's pair key can tell apart.
  const int samples = kMaxPatients + 1;
  std::string wide = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  std::string patients;
  for (int i = 0; i < samples; ++i) {
    const std::string number = std::to_string(i);
    wide.append("\tw").append(number);
    patients.append("w").append(number).append("\n");
  }
  wide += "\n";
  for (const char* site : {"1\t1000\trs1", "X\t500\trsx"}) {
    wide += std::string(site) + "\tA\tG\t.\t.\t.\tGT";
    for (int i = 0; i < samples; ++i) wide += i % 2 ? "\t0/1" : "\t1/1";
    wide += "\n";
  }
  dir.write("wide.vcf", wide);
  dir.write("p.txt", patients);
  r = import("wide.vcf", "wide");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("the patient pool holds " + std::to_string(samples) +
                               " samples; velmora takes at most " + std::to_string(kMaxPatients)),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(dir.exists("wide"));
}

TEST(TracksHardening, OutputsNeverReplaceInputsOrEachOtherAndEmptyListsAreRefused) {
  ScratchDir dir;
  const std::string list =
      "1\t1000\t0.5\trs1\tstart\tSubjects\t p1.txt q\x01.txt\n1\t5000\t2.5\trs9\tend\tSubjects\t "
      "p1.txt\n";
  dir.write("self.bed", list);
  auto tracks = [&](std::vector<std::string> args) {
    args.insert(args.begin(), toolPath("velmora-tracks"));
    return runProgram(args, "");
  };
  RunResult r = tracks({dir.file("self.bed")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("which is a list given to read"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("self.bed"), list);

  dir.write("a/HH_x.txt", list);
  dir.write("b/HH_x.txt", list);
  std::filesystem::create_directories(dir.file("o"));
  r = tracks({"--outdir", dir.file("o"), dir.file("a/HH_x.txt"), dir.file("b/HH_x.txt")});
  EXPECT_NE(firstError(r).find("would both be written to"), std::string::npos) << r.err;
  EXPECT_TRUE(dir.list("o").empty()) << "nothing is written when one output is refused";

  r = tracks({dir.file("a/HH_x.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  // The control character of a name is escaped; the BED keeps one line per segment.
  EXPECT_NE(dir.read("a/HH_x.bed").find("p1.txt,q%01.txt"), std::string::npos)
      << dir.read("a/HH_x.bed");

  dir.write("HH_empty.txt", "");
  r = tracks({dir.file("HH_empty.txt")});
  EXPECT_NE(firstError(r).find("holds no segment"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists("HH_empty.bed"));

  ASSERT_EQ(mkfifo(dir.file("HH_fifo.txt").c_str(), 0600), 0);
  r = tracks({dir.file("HH_fifo.txt")});
  EXPECT_NE(firstError(r).find("not a regular file"), std::string::npos) << r.err;

  // A line without an end is refused at the bound, not read into memory whole.
  dir.write("HH_long.txt", std::string(1 << 25, 'x'));
  r = tracks({dir.file("HH_long.txt")});
  EXPECT_NE(firstError(r).find("or more characters"), std::string::npos) << r.err;
}

}  // namespace
