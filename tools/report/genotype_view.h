// Every sample's calls across a region's SNPs, for the page's genotype view:
// the picture clinicians read a shared haplotype from (the sharing patients'
// identical homozygous calls, the others' mixed ones).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "regions.h"

struct GenotypeGrid {
  std::vector<int64_t> bp;  // 1-based positions of the SNPs shown, in order
  int64_t every = 1;        // every how many of the region's SNPs is shown
  // One character per SNP shown: '0' no call, '1' AA, '2' BB, '3' AB; per
  // patient and per control in list order.
  std::vector<std::string> patients, controls;
};

// The calls of the loaded cohort (core/velmora_core.h, still loaded) over
// `region`'s SNPs, at most `most` of them (every k-th where there are more).
GenotypeGrid genotypesOver(const CandidateRegion& region, int patients, int controls,
                           size_t most = 500);
