// Writers of the cohort as PLINK 1 files: .ped/.map text and the binary
// .bed/.bim/.fam fileset (SNP-major), phenotype 2 for patients, 1 for controls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cohort.h"
#include "out_file.h"
#include "panel.h"

namespace benchgen {

// Calls of every subject at two bits each, kept until the SNP-major .bed can
// be written.
class PackedCalls {
 public:
  PackedCalls(std::size_t subjects, std::size_t snps)
      : stride_((snps + 3) / 4), bits_(subjects * stride_, 0) {}
  void store(std::size_t subject, const std::vector<std::uint8_t>& calls);
  std::uint8_t at(std::size_t subject, std::size_t snp) const {
    return (bits_[subject * stride_ + snp / 4] >> (2 * (snp % 4))) & 3u;
  }

 private:
  std::size_t stride_;
  std::vector<std::uint8_t> bits_;
};

// Map and variant files (.map and .bim) and the sample file (.fam).
void writeMapFiles(const Panel& panel, const std::string& stem);
void writeFam(const Cohort& cohort, const std::string& path);

// .ped text, one subject line at a time in cohort order.
class PedWriter {
 public:
  explicit PedWriter(const std::string& path) : out_(path) {}
  void add(const Panel& panel, const Subject& subject, const std::vector<std::uint8_t>& calls);
  void close() { out_.close(); }

 private:
  OutFile out_;
};

void writeBed(const PackedCalls& calls, std::size_t subjects, std::size_t snps,
              const std::string& path);

}  // namespace benchgen
