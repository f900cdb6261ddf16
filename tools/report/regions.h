// Candidate regions: stretches where the patients share more than elsewhere.
//
// The source is one of velmora's start/end lists, whose segments tile the
// analysis regions: with controls the p-value list (value: -log10 p), without
// them the list of fold-overlap levels (value: patients sharing). Let M be the
// highest value of the genome. An island is a run of consecutive segments
// (neighbouring SNPs, same analysis region, no large gap) whose values are all
// at least M / 2 (and above the floor: -log10 p > log10 2, i.e. patients share
// more than controls; a level of at least 2, i.e. a pair shares). Within an
// island with peak P, the region reaches from its first to its last segment
// whose value is at least P - 1 for -log10 p (within tenfold of the island's
// best p), or equal to P for levels (the island's highest level).
//
// A stretch that passes these rules but that no patient shares throughout is
// left out: a region is somewhere patients share.
//
// Core and extent: each sharing patient's shared stretch is the run of SNPs
// around the region where its cover count stays at least max(1, W - 1) (W
// as below), within the chromosome. The core is where all of them overlap,
// the extent as far as any reaches; genes are named over the extent.
//
// Who shares: a subject shares at a SNP when its RCHH cover count there is at
// least max(1, W - 1), W the pool's lowest fold-overlap level over the
// region's SNPs; it shares throughout the region when it does at every SNP.
//
// With controls, velmora has two p-value lists: the comparison of the pools'
// own levels (the source list) and the one using the representative HH. A
// region's value is the higher of the two over its SNPs, and the region says
// which comparison it comes from; islands of the representative list (against
// its own highest value) that overlap no region of the source list are
// regions too.
//
// Ranking: with controls by -log10 p, then patients sharing, then length in
// cM; without controls by patients sharing, then length in cM; ties in genome
// order.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cover_table.h"
#include "genome/large_gap.h"
#include "start_end_list.h"

struct CandidateRegion {
  int64_t tolerated = 0;  // opposite homozygotes passed over inside it between its sharers
  int rank = 0;           // 1 = best
  int chromosome = 0;
  int64_t firstBp = 0, lastBp = 0;  // 1-based positions of the first and last SNP
  double firstCm = 0, lastCm = 0;
  int64_t snps = 0;
  double best = 0;     // the best segment's value (-log10 p or level)
  int comparison = 0;  // where `best` comes from: 0 the pools' levels, 1 using the representative
  std::vector<int> patients;                 // 0-based patient indexes sharing throughout
  std::optional<std::vector<int>> controls;  // the same for controls; none without controls
  std::optional<double>
      adjustedP;  // genome-wide adjusted p; left empty until a permutation step fills it
  size_t firstRow = 0, lastRow = 0;  // rows of the cover table (0-based ordinals)
  // 1-based bp. The core: where every sharing patient's shared stretch that
  // holds the region reaches (it holds the region); the extent: as far as any
  // of them reaches.
  int64_t coreFirstBp = 0, coreLastBp = 0;
  int64_t extentFirstBp = 0, extentLastBp = 0;
};

// A subject's cover counts across a region view, as runs of equal count.
struct CountRun {
  int64_t firstBp = 0, lastBp = 0;
  int count = 0;
};

struct RegionView {
  int rank = 0;
  int64_t fromBp = 0, toBp = 0;  // the region with a margin of SNPs either side
  int patientThreshold = 1;      // the count from which a patient shares (see above)
  int controlThreshold = 1;
  std::vector<std::vector<CountRun>> patients, controls;
};

// The genome-wide view: each segment of the source list with its value.
struct GenomeSegment {
  int chromosome = 0;
  int64_t firstBp = 0, lastBp = 0;
  double value = 0;
};

struct RegionResult {
  std::vector<CandidateRegion> regions;  // in rank order
  std::vector<RegionView> views;         // for the best regions, in rank order
  std::vector<GenomeSegment> genome;     // the source list's segments (with controls also
                                         // the representative list's), in genome order
  double highest = 0;                    // M
  double representativeHighest = 0;      // the representative list's highest value, when read
  int64_t leftOutUnshared = 0;  // stretches past the floor that no patient shares throughout
  std::string floor;            // the rule a region passes, in a sentence, with the genome's M
};

struct RegionInputs {
  bool withControls = false;
  StartEndList source;                         // p-value list or level list
  std::string sourceName;                      // where it came from, for messages
  std::optional<StartEndList> representative;  // with controls: the p-value list using the
                                               // representative HH
  const CoverTable* cover = nullptr;           // the run's cover counts and levels, both pools
  int patients = 0, controls = 0;
  int64_t largeGap = kLargeGapDefault;  // bp
  size_t viewedRegions = 40;            // how many regions get a view
};

RegionResult findRegions(const RegionInputs& inputs);

// Ranks the regions by adjusted p (all filled), ties in their present rank
// order, and renumbers them and their views.
void rankByAdjustedP(RegionResult& result);

// One of velmora's lists read from `path`; ReportError on a fault.
StartEndList readVelmoraList(const std::string& path);
