// The SNP panel of a synthetic cohort: chromosomes 1-22 and X (numbered 23)
// with human-like lengths, centromere gaps and SNP deserts, a genetic map of
// about 1.2 cM/Mb with rate variation, allele frequencies and unique rs IDs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace benchgen {

constexpr int kChromosomeX = 23;

struct Snp {
  int chromosome;         // 1..22, 23 for X
  std::int64_t position;  // bp, strictly increasing within a chromosome
  double mapCm;           // > 0, non-decreasing within a chromosome
  double freqA;           // frequency of allele A, 0.05..0.95
  char alleleA;           // nucleotide letters used in the PLINK files
  char alleleB;
  std::string rsId;
};

struct Panel {
  std::vector<Snp> snps;              // genome order: chromosome, then position
  std::vector<std::size_t> chrBegin;  // chrBegin[c - 1] .. chrBegin[c]: SNPs of chromosome c
  std::int64_t desertCount = 0;       // SNP-free stretches of 0.35-1.2 Mb placed inside arms

  std::size_t begin(int chromosome) const { return chrBegin[chromosome - 1]; }
  std::size_t end(int chromosome) const { return chrBegin[chromosome]; }
};

// Builds a panel of about `snpCount` SNPs (exactly that many) from the seed.
Panel buildPanel(std::size_t snpCount, std::uint64_t seed);

}  // namespace benchgen
