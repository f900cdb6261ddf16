// velmora-report's own readers and writers, one scenario each: gene files in
// their three formats (plain and gzip) and what they may not hold, the cutoff
// rule, the page's JSON escaping, the manifest checksum, queries translated to
// velmora's numbers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

#include "common/harness.h"
#include "genes.h"
#include "options.h"
#include "page_json.h"
#include "queries.h"
#include "report_error.h"
#include "sha256.h"

namespace {

std::vector<std::string> namesOf(const std::vector<const Gene*>& genes) {
  std::vector<std::string> out;
  for (const Gene* g : genes) out.push_back(g->name);
  return out;
}

void writeGzip(const ScratchDir& dir, const std::string& name, const std::string& text) {
  gzFile gz = gzopen(dir.file(name).c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())),
            static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
}

// The message of the refusal of `name`, or "accepted".
std::string refusalOf(const ScratchDir& dir, const std::string& name,
                      const GeneFileLimits& limits = {}) {
  try {
    readGenes(dir.file(name), 23, limits);
    return "accepted";
  } catch (const ReportError& e) {
    return e.what();
  }
}

TEST(ReportReaders, GeneFilesInEveryFormatGiveTheSameGenes) {
  ScratchDir dir;
  dir.write("g.gtf",
            "#!genome-build GRCh38\n"
            "chr7\tsrc\tgene\t100\t200\t.\t+\t.\tgene_id \"G1\"; gene_name \"AAA\";\n"
            "chr7\tsrc\texon\t100\t150\t.\t+\t.\tgene_id \"G1\"; gene_name \"AAA\";\n"
            "7\tsrc\tgene\t300\t400\t.\t-\t.\tgene_id \"G2\"; gene_name \"BBB\";\n"
            "chrUn_x\tsrc\tgene\t1\t9\t.\t+\t.\tgene_name \"CCC\";\n");
  dir.write("g.gff3",
            "##gff-version 3\n"
            "chr7\tsrc\tgene\t100\t200\t.\t+\t.\tID=gene:1;Name=AAA\n"
            "chr7\tsrc\tgene\t300\t400\t.\t-\t.\tID=gene:2;Name=BBB\n");
  dir.write("g.bed", "track name=x\nchr7\t99\t200\tAAA\nchr7\t299\t400\tBBB\n");
  writeGzip(dir, "g.bed.gz", dir.read("g.bed"));
  writeGzip(dir, "g.gtf.gz", dir.read("g.gtf"));
  // CR LF line ends, no line end after the last line.
  dir.write("crlf.bed", "chr7\t99\t200\tAAA\r\nchr7\t299\t400\tBBB");
  for (const char* name : {"g.gtf", "g.gff3", "g.bed", "g.bed.gz", "g.gtf.gz", "crlf.bed"}) {
    GeneSet set = readGenes(dir.file(name), 23);
    ASSERT_EQ(set.genes.size(), 2u) << name;
    EXPECT_EQ(set.genes[0].first, 100) << name;  // 1-based, BED converted
    EXPECT_EQ(set.genes[1].last, 400) << name;
    // 1-based inclusive overlap: a region ending at 100 touches AAA, one starting at 201 does not.
    EXPECT_EQ(namesOf(genesOverlapping(set, 7, 1, 100)), std::vector<std::string>{"AAA"}) << name;
    EXPECT_EQ(namesOf(genesOverlapping(set, 7, 201, 299)), std::vector<std::string>{}) << name;
    EXPECT_EQ(namesOf(genesOverlapping(set, 7, 150, 350)), (std::vector<std::string>{"AAA", "BBB"}))
        << name;
  }
  EXPECT_EQ(readGenes(dir.file("g.gtf"), 23).skipped, 1);
  dir.write("bad.bed", "chr7\t200\t100\tAAA\n");
  try {
    readGenes(dir.file("bad.bed"), 23);
    FAIL() << "a BED line with end before start was read";
  } catch (const ReportError& e) {
    EXPECT_NE(std::string(e.what()).find("bad.bed line 1"), std::string::npos);
  }
}

// Lines cut from 64 KiB blocks: many genes, their lines split across block
// edges, read alike from plain and gzip files; names up to the bound kept whole.
TEST(ReportReaders, LargeGeneFilesReadWholeAcrossBlocks) {
  ScratchDir dir;
  std::string gtf;
  const int count = 6000;
  auto nameOf = [](int i) {
    std::string name = i == 4321 ? std::string(255, 'L') : std::string("G");
    if (i != 4321) name.append(std::to_string(i)).append("-AS1.2");
    return name;
  };
  for (int i = 0; i < count; ++i) {
    gtf.append("chr").append(std::to_string(1 + i % 22)).append("\tsrc\tgene\t");
    gtf.append(std::to_string(1000 + i)).append("\t").append(std::to_string(2000 + i));
    gtf.append("\t.\t+\t.\tgene_id \"E").append(std::to_string(i)).append("\"; gene_name \"");
    gtf.append(nameOf(i)).append("\"; tag \"").append(std::string(i % 97, 'x')).append("\";\n");
  }
  ASSERT_GT(gtf.size(), size_t{4} << 16);
  dir.write("many.gtf", gtf);
  writeGzip(dir, "many.gtf.gz", gtf);
  for (const char* name : {"many.gtf", "many.gtf.gz"}) {
    GeneSet set = readGenes(dir.file(name), 23);
    EXPECT_EQ(set.format, "GTF") << name;
    ASSERT_EQ(set.genes.size(), size_t{count}) << name;
    for (const Gene& gene : set.genes) {
      const int i = static_cast<int>(gene.first) - 1000;
      ASSERT_EQ(gene.chromosome, 1 + i % 22) << name;
      ASSERT_EQ(gene.last, 2000 + i) << name;
      ASSERT_EQ(gene.name, nameOf(i)) << name;
    }
  }
}

// Every refusal names the file and the line: lines and names over their
// bounds, NUL bytes, and names that regions.tsv's genes column would read
// otherwise ("-" no genes, "NA" no gene file, ',' between genes, tabs).
TEST(ReportReaders, GeneFilesRefuseWhatTheTableCouldNotHold) {
  ScratchDir dir;
  const std::string gtfGene = "chr7\tsrc\tgene\t100\t200\t.\t+\t.\t";
  const size_t lineBound = size_t{1} << 20;
  struct Case {
    std::string file;
    std::string text;
    int line;                 // 0: accepted
    std::string messagePart;  // after "<path> line N: "
  };
  const std::vector<Case> cases = {
      {"long.gtf", "#c\n#" + std::string(lineBound, 'x') + "\n" + gtfGene + "gene_name \"A\";\n", 2,
       "is longer than 1048576 bytes"},
      {"bound.gtf", "#" + std::string(lineBound - 1, 'x') + "\n" + gtfGene + "gene_name \"A\";\n",
       0, ""},
      {"long_name.bed", "chr7\t1\t2\tA\nchr7\t1\t2\t" + std::string(256, 'N') + "\n", 2,
       "a gene name of 256 bytes; gene names are at most 255 bytes"},
      {"nul.gtf",
       "#h\n" + gtfGene + "gene_name \"AAA\";\n" + gtfGene + "gene_name \"B" +
           std::string(1, '\0') + "B\";\n",
       3, "holds a NUL byte"},
      {"nul_comment.bed", "#" + std::string(1, '\0') + "\nchr7\t1\t2\tA\n", 1, "holds a NUL byte"},
      {"dash.bed", "chr7\t1\t2\tA\nchr7\t5\t9\t-\n", 2, "the gene name \"-\" is reserved"},
      {"na.gtf", gtfGene + "gene_name \"NA\";\n", 1, "the gene name \"NA\" is reserved"},
      {"comma.gff3", "##gff-version 3\n" + gtfGene + "ID=g1;Name=A,B\n", 2,
       "the gene name \"A,B\" holds ','"},
      {"blank.gff3", "##gff-version 3\n" + gtfGene + "ID=g1;Name=A B\n", 2,
       "the gene name \"A B\" holds a blank or a control character"},
      {"control.bed", "chr7\t1\t2\tA\x01Z\n", 1, "the gene name \"A\\x01Z\" holds a blank"},
      {"empty.bed", "chr7\t1\t2\t\n", 1, "an empty gene name"},
      // Names on chromosomes velmora skips are held to the same rules.
      {"skipped.bed", "chrY\t1\t2\tNA\n", 1, "the gene name \"NA\" is reserved"},
  };
  for (const Case& c : cases) {
    dir.write(c.file, c.text);
    writeGzip(dir, c.file + ".gz", c.text);
    for (const std::string& name : {c.file, c.file + ".gz"}) {
      const std::string message = refusalOf(dir, name);
      if (c.line == 0) {
        EXPECT_EQ(message, "accepted") << name;
        continue;
      }
      const std::string where = dir.file(name) + " line " + std::to_string(c.line) + ": ";
      EXPECT_EQ(message.rfind(where, 0), 0u) << name << ": " << message;
      EXPECT_NE(message.find(c.messagePart), std::string::npos) << name << ": " << message;
    }
  }

  // A line far over the bound inside a small gzip file is refused as well.
  writeGzip(dir, "huge.bed.gz", "chr7\t1\t2\t" + std::string(size_t{20} << 20, 'H') + "\n");
  EXPECT_EQ(refusalOf(dir, "huge.bed.gz").rfind(dir.file("huge.bed.gz") + " line 1: is longer", 0),
            0u);
  // A gzip stream cut short, in its data or its trailer, is a read error,
  // never a shorter file.
  const std::string whole = dir.read("bound.gtf.gz");
  for (size_t cut : {whole.size() / 2, whole.size() - 3}) {
    dir.write("cut.gtf.gz", whole.substr(0, cut));
    EXPECT_NE(refusalOf(dir, "cut.gtf.gz").find(": cannot read the gene file"), std::string::npos)
        << cut;
  }

  // The bounds the caller gives: line length and number of genes kept.
  dir.write("three.bed", "chr1\t1\t2\tA\nchrY\t1\t2\tY\nchr1\t3\t4\tB\nchr1\t5\t6\tC\n");
  GeneFileLimits limits;
  limits.genes = 2;
  EXPECT_EQ(refusalOf(dir, "three.bed", limits),
            dir.file("three.bed") + " line 4: more than 2 genes; an annotation has far fewer");
  limits.genes = 3;
  limits.lineBytes = 10;
  EXPECT_EQ(refusalOf(dir, "three.bed", limits), "accepted");
  limits.lineBytes = 9;
  EXPECT_EQ(refusalOf(dir, "three.bed", limits)
                .rfind(dir.file("three.bed") + " line 1: is longer than 9 bytes", 0),
            0u);
}

TEST(ReportReaders, CutoffJsonChecksumAndQueries) {
  EXPECT_DOUBLE_EQ(parseCutoff("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(parseCutoff("1e1"), 10);
  for (const char* bad : {"", " 5", "5 ", "abc", "nan", "inf", "1,5", "0", "-1", "0x10", "1e999"}) {
    EXPECT_THROW(parseCutoff(bad), ReportError) << bad;
  }

  // The page's JSON: any value is valid JSON, and nothing in a string can
  // end the script element or break the UTF-8 that JSON.parse reads.
  PageJson j;
  j["a"] = "</script><!--\"\n&";
  j["b"] = {1, roundedNumber(0.5, 2), roundedNumber(2.82649, 3), roundedNumber(5e61, 3)};
  j["c"] = {roundedNumber(std::nan(""), 3), roundedNumber(-HUGE_VAL, 1), "bad\xff utf-8"};
  const std::string text = scriptSafeJson(j);
  EXPECT_EQ(text.find('<'), std::string::npos);
  EXPECT_EQ(text.find('>'), std::string::npos);
  EXPECT_EQ(text.rfind("{\"a\":\"\\u003c/script\\u003e\\u003c!--\\\"\\n\\u0026\",\"b\":[1,0.5,", 0),
            0u)
      << text;
  nlohmann::json back = nlohmann::json::parse(text);
  EXPECT_EQ(back["a"], "</script><!--\"\n&");
  EXPECT_EQ(back["b"][2].get<double>(), 2.826);
  EXPECT_EQ(back["b"][3].get<double>(), 5e61);
  EXPECT_TRUE(back["c"][0].is_null());
  EXPECT_TRUE(back["c"][1].is_null());
  EXPECT_EQ(back["c"][2], "bad\xef\xbf\xbd utf-8");

  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

  std::vector<std::string> patients{"p01", "p02", "p03"}, controls{"c01"};
  Query q = parseQuery("p03, p01", patients, controls);
  EXPECT_EQ(q.patients, (std::vector<int>{1, 3}));
  EXPECT_EQ(queryListName(q), "HH_RCHHsSharedBy002_st001_st003.txt");
  EXPECT_EQ(queryInput({q, parseQuery("p01,p02,p03", patients, controls)}), "1 3\n1 2 3\n\n");
  EXPECT_THROW(parseQuery("p01,p01", patients, controls), ReportError);
  EXPECT_THROW(parseQuery("p01", patients, controls), ReportError);
  EXPECT_THROW(parseQuery("p01,c01", patients, controls), ReportError);
}

}  // namespace
