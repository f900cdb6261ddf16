// velmora-report's own readers and writers, one scenario each: gene files in
// their three formats (plain and gzip), the cutoff rule, the page's JSON
// escaping, the manifest checksum, queries translated to velmora's numbers.
#include <gtest/gtest.h>
#include <zlib.h>

#include "common/harness.h"
#include "genes.h"
#include "json_text.h"
#include "options.h"
#include "queries.h"
#include "report_error.h"
#include "sha256.h"

namespace {

std::vector<std::string> namesOf(const std::vector<const Gene*>& genes) {
  std::vector<std::string> out;
  for (const Gene* g : genes) out.push_back(g->name);
  return out;
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
  gzFile gz = gzopen(dir.file("g.bed.gz").c_str(), "wb");
  std::string bed = dir.read("g.bed");
  gzwrite(gz, bed.data(), static_cast<unsigned>(bed.size()));
  gzclose(gz);
  for (const char* name : {"g.gtf", "g.gff3", "g.bed", "g.bed.gz"}) {
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

TEST(ReportReaders, CutoffJsonChecksumAndQueries) {
  EXPECT_DOUBLE_EQ(parseCutoff("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(parseCutoff("1e1"), 10);
  for (const char* bad : {"", " 5", "5 ", "abc", "nan", "inf", "1,5", "0", "-1", "0x10", "1e999"}) {
    EXPECT_THROW(parseCutoff(bad), ReportError) << bad;
  }

  JsonText j;
  j.open('{')
      .key("a")
      .str("</script>\"\n")
      .key("b")
      .open('[')
      .item()
      .num(1LL)
      .item()
      .num(0.5, 2)
      .close(']')
      .close('}');
  EXPECT_EQ(j.text(), "{\"a\":\"\\u003c/script\\u003e\\\"\\n\",\"b\":[1,0.50]}");

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
