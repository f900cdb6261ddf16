// The demo cohort taken out to VCF and to PLINK with velmora-export and read
// back with velmora-import must give velmora the same inputs (frequencies
// recomputed from the samples) and therefore the same results.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "import/interchange.h"

namespace {

const std::vector<std::string> kPatients{"p01", "p02", "p03", "p04", "p05", "p06"};
const std::vector<std::string> kControls{"c01", "c02", "c03", "c04", "c05", "c06"};

std::string normalCall(const std::string& call) {
  std::string two = call.substr(0, 2);
  return two == "AA" || two == "BB" || two == "AB" ? two : "--";
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DemoRoundTrip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir;
    RunResult exported =
        runProgram({toolPath("velmora-export"), "examples/demo/analysis_with_controls.txt",
                    dir_->file("exported"), "--plain-vcf"},
                   "", VELMORA_SOURCE_DIR);
    ASSERT_EQ(exported.status, 0) << exported.err;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // Checks one import against the demo's own files.
  static void expectSameAsDemo(const std::string& out) {
    std::vector<AnnotationRow> demo =
        readAnnotationRows(slurp(sourcePath("examples/demo/annotation.txt")));
    std::vector<AnnotationRow> imported = readAnnotationRows(dir_->read(out + "/annotation.txt"));
    ASSERT_EQ(imported.size(), demo.size());

    std::map<std::string, std::map<std::string, std::string>> demoCalls;
    for (const auto& pool : {kPatients, kControls}) {
      for (const std::string& name : pool) {
        demoCalls[name] = readCalls(sourcePath("examples/demo/genotypes/" + name + ".txt"));
        std::map<std::string, std::string> calls =
            readCalls(dir_->file(out + "/genotypes/" + name + ".txt"));
        ASSERT_EQ(calls.size(), demo.size()) << name;
        for (const AnnotationRow& row : demo) {
          EXPECT_EQ(calls[row.id], normalCall(demoCalls[name][row.id])) << name << " " << row.id;
        }
      }
    }
    for (size_t i = 0; i < demo.size(); ++i) {
      EXPECT_EQ(imported[i].chromosome, demo[i].chromosome) << i;
      EXPECT_EQ(imported[i].position, demo[i].position) << i;
      EXPECT_EQ(imported[i].id, demo[i].id) << i;
      EXPECT_NEAR(imported[i].cM, demo[i].cM, 1e-9) << i;
      int alleleA = 0;
      int alleles = 0;
      for (const auto& [name, calls] : demoCalls) {
        std::string call = normalCall(calls.at(demo[i].id));
        if (call == "--") continue;
        alleles += 2;
        alleleA += call == "AA" ? 2 : call == "AB" ? 1 : 0;
      }
      EXPECT_NEAR(imported[i].freqA, static_cast<double>(alleleA) / alleles, 5e-7) << demo[i].id;
    }

    std::string analysis = dir_->read(out + "/analysis.txt");
    std::vector<std::string> patients = analysisSection(analysis, "::patient pool");
    std::vector<std::string> controls = analysisSection(analysis, "::control pool");
    ASSERT_EQ(patients.size(), kPatients.size());
    ASSERT_EQ(controls.size(), kControls.size());
    for (size_t i = 0; i < kPatients.size(); ++i) {
      EXPECT_EQ(patients[i], dir_->file(out + "/genotypes/" + kPatients[i] + ".txt"));
      EXPECT_EQ(controls[i], dir_->file(out + "/genotypes/" + kControls[i] + ".txt"));
    }
    EXPECT_EQ(analysisSection(analysis, "::annotation file"),
              std::vector<std::string>{dir_->file(out + "/annotation.txt")});
    EXPECT_EQ(analysisSection(analysis, "::output directory"),
              std::vector<std::string>{dir_->file(out + "/results/")});
    EXPECT_NE(analysis.find("\n::excluded area file\n::patient pool\n"), std::string::npos);
  }

  static ScratchDir* dir_;
};

ScratchDir* DemoRoundTrip::dir_ = nullptr;

TEST_F(DemoRoundTrip, VcfWithMapFileAndSampleListsGivesTheDemoInputs) {
  RunResult r = runImport({"--vcf", dir_->file("exported/cohort.vcf"), "--map",
                           dir_->file("exported/genetic_map.txt"), "--patients",
                           dir_->file("exported/patients.txt"), "--controls",
                           dir_->file("exported/controls.txt"), "--out", dir_->file("vcf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("records read 4000, SNPs kept 4000"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("X(as 23):204"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("skipped"), std::string::npos) << r.err;
  expectSameAsDemo("vcf");
}

TEST_F(DemoRoundTrip, PlinkWithBimMapAndFamPhenotypeGivesTheSameFilesAsTheShippedVcf) {
  RunResult r = runImport({"--plink", dir_->file("exported/cohort"), "--out", dir_->file("plink")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("the cM column of the .bim file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("patient pool 6, control pool 6"), std::string::npos) << r.err;
  expectSameAsDemo("plink");

  // examples/demo_vcf/ (bgzip-compressed) must stay the demo cohort.
  RunResult viaVcf =
      runImport({"--vcf", sourcePath("examples/demo_vcf/demo.vcf.gz"), "--map",
                 sourcePath("examples/demo_vcf/genetic_map.txt"), "--patients",
                 sourcePath("examples/demo_vcf/patients.txt"), "--controls",
                 sourcePath("examples/demo_vcf/controls.txt"), "--out", dir_->file("again")});
  ASSERT_EQ(viaVcf.status, 0) << viaVcf.err;
  EXPECT_EQ(dir_->read("plink/annotation.txt"), dir_->read("again/annotation.txt"));
  for (const char* name : {"p01", "c06"}) {
    EXPECT_EQ(dir_->read("plink/genotypes/" + std::string(name) + ".txt"),
              dir_->read("again/genotypes/" + std::string(name) + ".txt"));
  }
}

TEST_F(DemoRoundTrip, VelmoraFindsTheSameSharingOnTheImportedCohort) {
  RunResult imported = runImport({"--vcf", dir_->file("exported/cohort.vcf"), "--map",
                                  dir_->file("exported/genetic_map.txt"), "--patients",
                                  dir_->file("exported/patients.txt"), "--controls",
                                  dir_->file("exported/controls.txt"), "--out", dir_->file("run")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  RunResult run = runProgram({VELMORA_BIN, dir_->file("run/analysis.txt")}, "5\n");
  ASSERT_EQ(run.status, 0) << run.err;

  // The demo itself, with its output moved into the scratch directory.
  std::string original = slurp(sourcePath("examples/demo/analysis_with_controls.txt"));
  const std::string from = "examples/demo/out/";
  original.replace(original.find(from), from.size(), dir_->file("demo_out/"));
  dir_->write("demo_out/.keep", "");
  dir_->write("demo_analysis.txt", original);
  RunResult demo =
      runProgram({VELMORA_BIN, dir_->file("demo_analysis.txt")}, "5\n", VELMORA_SOURCE_DIR);
  ASSERT_EQ(demo.status, 0) << demo.err;

  // Fold overlaps and their p-values depend on calls and map only; the
  // representative HH also uses the frequencies, which the import recomputes.
  for (const char* list :
       {"HH_P_Value_PatientPool_vs_ControlPool.txt", "HH_006_FoldOverlaps_PatientPool.txt",
        "HH_NoStSharingRCHHs_PatientPool.txt", "HH_NoStSharingRCHHs_ControlPool.txt"}) {
    std::string expected = dir_->read(std::string("demo_out/") + list);
    EXPECT_FALSE(expected.empty()) << list;
    EXPECT_EQ(dir_->read(std::string("run/results/") + list), expected) << list;
  }
}

}  // namespace
