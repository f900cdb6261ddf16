// Test fixture of the report writers: a small genome built by hand in the
// process-wide tables, and a temporary output directory.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "genome/model.h"
#include "report/report.h"

class ReportTest : public ::testing::Test {
 protected:
  std::string dir;  // ends in '/'

  void SetUp() override {
    resetModel();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmora_report_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern + "/";
    settings.outputFilePath = dir;
  }

  void TearDown() override {
    resetModel();
    std::filesystem::remove_all(dir);
  }

  // One position list (bp) per chromosome number 1..N; the last is X. SNP i gets
  // rsID "rs<i>", genetMap = position / 1e6 cM and tableIndex i.
  void buildGenome(const std::vector<std::vector<int64_t>>& positions) {
    genome.lastChromosome = static_cast<int32_t>(positions.size());
    genome.chrPosition.assign(1, 0);
    for (size_t c = 0; c < positions.size(); ++c) {
      for (int64_t bp : positions[c]) {
        SNPRecord snp;
        snp.chr = static_cast<int32_t>(c + 1);
        snp.position = bp;
        snp.genetMap = static_cast<double>(bp) / 1e6;
        snp.tableIndex = static_cast<int64_t>(genome.sumSNP.size());
        snp.rsID = "rs" + std::to_string(snp.tableIndex);
        genome.sumSNP.push_back(snp);
      }
      genome.chrPosition.push_back(static_cast<int64_t>(genome.sumSNP.size()));
    }
    genome.totalAnnotationDataCount = static_cast<int64_t>(genome.sumSNP.size());
  }

  void addRegion(int64_t start, int64_t end) {
    genome.includeRegion[genome.noRegions++] = Region{start, end};
  }

  // foldOverlap[column] of SNPs first, first+1, ...
  void setValues(int column, int64_t first, const std::vector<int64_t>& values) {
    for (size_t i = 0; i < values.size(); ++i)
      genome.sumSNP[first + i].foldOverlap[column] = values[i];
  }

  // "j-k" for every segment the writers' walk finds, restricted to slot chrIndex or all (-1).
  static std::string segments(int chrIndex = -1) {
    std::string out;
    forEachSegment(chrIndex, [&](int64_t j, int64_t k) {
      out += std::to_string(j) + "-" + std::to_string(k) + " ";
    });
    return out;
  }

  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
};
