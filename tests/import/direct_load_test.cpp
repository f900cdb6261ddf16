// A cohort loaded straight from PLINK or VCF must leave velmora's tables,
// loading messages and load facts exactly as importing it to text and loading
// that text does.
#include "direct_load.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "base/plink_bed.h"
#include "driver/analysis_file.h"
#include "driver/run_inputs.h"
#include "genome/reader_threads.h"
#include "import/interchange.h"
#include "import_run.h"

namespace {

// What a load leaves in the tables, in comparable form.
struct Tables {
  std::vector<std::string> records;  // chr, bp, cM, freqA, rs ID, table index
  std::vector<int64_t> rsOrder;      // pASNP by table index
  std::vector<int64_t> chrPosition, regions, effective[2];
  std::vector<uint8_t> gTypes[2];
  std::string totals, pools;
};

std::string text(const char* format, auto... values) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

Tables tablesNow() {
  Tables t;
  for (const SNPRecord& r : genome.sumSNP) {
    t.records.push_back(text("%d %ld %a %a %s %ld", r.chr, r.position, r.genetMap,
                             static_cast<double>(r.freqA), r.rsID.c_str(), r.tableIndex));
  }
  for (const SNPRecord* r : genome.pASNP) t.rsOrder.push_back(r->tableIndex);
  t.chrPosition = genome.chrPosition;
  for (int64_t k = 0; k < genome.noRegions; ++k) {
    t.regions.push_back(genome.includeRegion[k].start);
    t.regions.push_back(genome.includeRegion[k].end);
  }
  for (int p = 0; p < 2; ++p) {
    t.effective[p] = genome.nEffectiveSNP[p];
    t.gTypes[p] = genome.gTypeStore[p];
    t.pools += text("%d %ld|", settings.noTgPool[p], genome.gTypeBytes[p]);
    for (const std::string& path : settings.stFile[p]) t.pools += path + "|";
  }
  t.totals = text("%d %ld %a %a %a %a %a %ld [%s] [%s]", genome.lastChromosome,
                  genome.totalAnnotationDataCount, genome.totalGenetDistance,
                  genome.totalGenetDistanceWOX, genome.averageMajorAlleleFrequencyWOX,
                  genome.averageMinorAlleleFrequencyWOX, genome.memoryAllocated, settings.largeGap,
                  settings.exclusionFilePath.c_str(), settings.targetFilePath.c_str());
  return t;
}

template <class F>
std::string stderrOf(F&& call) {
  ::testing::internal::CaptureStderr();
  call();
  return ::testing::internal::GetCapturedStderr();
}

// Imports `args` (plus --out) to text and loads it as velmora does, then
// loads the same input directly on one and on three reader threads.
void expectDirectLoadAsText(const ScratchDir& dir, std::vector<std::string> args) {
  args.insert(args.end(), {"--out", dir.file("out")});
  const ImportOptions options = parseImportOptions(args);
  std::ostringstream importReport;
  runImport(options, importReport);
  const std::string analysis = dir.file("out/analysis.txt");
  const std::string firstFile = analysisSection(dir.read("out/analysis.txt"), "::patient pool")[0];
  const std::string labelDir = firstFile.substr(0, firstFile.rfind('/') + 1);

  resetModel();
  const std::string analysisMessages = stderrOf([&] { readAnalysisInputs(analysis); });
  LoadObserver observer;
  loadObserver = &observer;
  const std::string all = stderrOf([&] { loadRunInputs(analysis); });
  loadObserver = nullptr;
  ASSERT_EQ(all.compare(0, analysisMessages.size(), analysisMessages), 0);
  const std::string messages = all.substr(analysisMessages.size());
  const Tables expected = tablesNow();
  std::vector<SubjectLoadFacts> subjects = observer.subjects[enum_patients];
  subjects.insert(subjects.end(), observer.subjects[enum_controls].begin(),
                  observer.subjects[enum_controls].end());

  for (const unsigned threads : {1u, 3u}) {
    resetModel();
    setGenotypeReaderThreads(threads);
    std::ostringstream report;
    DirectLoadFacts facts;
    EXPECT_EQ(stderrOf([&] { facts = loadCohortDirect(options, labelDir, report); }), messages);
    const Tables direct = tablesNow();
    EXPECT_EQ(direct.records, expected.records);
    EXPECT_EQ(direct.rsOrder, expected.rsOrder);
    EXPECT_EQ(direct.chrPosition, expected.chrPosition);
    EXPECT_EQ(direct.regions, expected.regions);
    EXPECT_EQ(direct.totals, expected.totals);
    EXPECT_EQ(direct.pools, expected.pools);
    for (int p = 0; p < 2; ++p) {
      EXPECT_EQ(direct.effective[p], expected.effective[p]);
      EXPECT_EQ(direct.gTypes[p], expected.gTypes[p]);
    }
    EXPECT_EQ(facts.subjects, subjects);
    EXPECT_EQ(facts.annotation, observer.annotation);
    EXPECT_EQ(facts.xNumber, genome.lastChromosome);
    ASSERT_EQ(facts.fileNames.size(), settings.stFile[0].size() + settings.stFile[1].size());
    EXPECT_EQ(labelDir + facts.fileNames.back(),
              settings.stFile[facts.controls > 0 ? 1 : 0].back());
    // The import's report up to its pools, which it then reports as written.
    const std::string head =
        importReport.str().substr(0, importReport.str().find("  patient pool"));
    EXPECT_EQ(report.str().compare(0, head.size(), head), 0) << report.str();
  }
  setGenotypeReaderThreads(0);
  resetModel();
}

// One SNP's .bed block of random calls.
std::string randomBedBlock(std::mt19937& rng, size_t samples) {
  std::string block(plinkbed::blockBytes(samples), '\0');
  for (size_t s = 0; s < samples; ++s)
    plinkbed::putCode(reinterpret_cast<uint8_t*>(block.data()), s, static_cast<uint8_t>(rng() % 4));
  return block;
}

TEST(DirectLoad, PlinkFilesetLoadsAsItsImport) {
  ScratchDir dir;
  std::mt19937 rng(7);
  const size_t samples = 11;
  std::string fam;
  for (size_t s = 0; s < samples; ++s) fam += text("F%zu s%zu 0 0 1 %d\n", s, s, 1 + (s % 3 != 0));
  std::string bim;
  std::string bed(plinkbed::kMagic, plinkbed::kMagic + 3);
  const char* const alleles[][2] = {{"A", "G"}, {"C", "T"}, {"B", "A"}, {"A", "B"}};
  for (const int chromosome : {1, 2, 5, 23}) {
    double cM = 0.5;
    for (int i = 0; i < 60; ++i) {
      cM += 0.01 * static_cast<double>(rng() % 20);
      const char* const* pair = alleles[rng() % 4];
      const std::string id = rng() % 15 == 0 ? "." : text("rs%d%02d", chromosome, i);
      bim += text("%d\t%s\t%.3f\t%d\t%s\t%s\n", chromosome, id.c_str(), cM, 1000 * (i + 1), pair[0],
                  pair[1]);
      bed += randomBedBlock(rng, samples);
    }
  }
  dir.write("set.fam", fam);
  dir.write("set.bim", bim);
  dir.write("set.bed", bed);
  expectDirectLoadAsText(dir, {"--plink", dir.file("set")});
}

// Pools in .fam order: the patients start a .bed byte and end inside one,
// the controls start inside one, one sample in the middle is in neither
// pool; enough SNPs that the calls are read in several blocks of rows.
TEST(DirectLoad, PlinkPoolsInFamOrderLoadAsTheirImport) {
  ScratchDir dir;
  std::mt19937 rng(21);
  const size_t samples = 41;
  std::string fam;
  for (size_t s = 0; s < samples; ++s) {
    const int phenotype = s == 30 ? -9 : s < 17 ? 2 : 1;
    fam += text("F%zu s%zu 0 0 1 %d\n", s, s, phenotype);
  }
  std::string bim;
  std::string bed(plinkbed::kMagic, plinkbed::kMagic + 3);
  for (const int chromosome : {3, 4, 23}) {
    const int snps = chromosome == 4 ? 4200 : 900;
    for (int i = 0; i < snps; ++i) {
      bim += text("%d\trs%d%05d\t%.4f\t%d\tC\tT\n", chromosome, chromosome, i, 0.001 * (i + 1),
                  100 * (i + 1));
      bed += randomBedBlock(rng, samples);
    }
  }
  dir.write("set.fam", fam);
  dir.write("set.bim", bim);
  dir.write("set.bed", bed);
  expectDirectLoadAsText(dir, {"--plink", dir.file("set")});
}

TEST(DirectLoad, VcfWithAUniformMapLoadsAsItsImport) {
  ScratchDir dir;
  std::mt19937 rng(9);
  std::string vcf =
      "##fileformat=VCFv4.2\n"
      "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tp1\tp2\tp3\tc1\tc2\n";
  const char* const gt[] = {"0/0", "0/1", "1/1", "./.", "1|0"};
  for (const char* chromosome : {"chr1", "chr3", "chrX"}) {
    for (int i = 1; i <= 40; ++i) {
      vcf +=
          text("%s\t%d\trs%d\tA\tG\t.\tPASS\t.\tGT", chromosome, 5000 * i, 100 * i + chromosome[3]);
      for (int s = 0; s < 5; ++s) vcf += std::string("\t") + gt[rng() % 5];
      vcf += "\n";
    }
  }
  dir.write("in.vcf", vcf);
  dir.write("patients.txt", "p1\np2\np3\n");
  dir.write("controls.txt", "c2\nc1\n");
  expectDirectLoadAsText(dir, {"--vcf", dir.file("in.vcf"), "--cm-per-mb", "1", "--patients",
                               dir.file("patients.txt"), "--controls", dir.file("controls.txt")});
}

}  // namespace
