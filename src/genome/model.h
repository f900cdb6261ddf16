// The process-wide tables of a run: analysis settings, the SNP table with its
// chromosome index and regions, and the storage of the running pass. Every
// phase reads and writes them; they are grouped in three plain structs with one
// instance each so that a test can build a small genome by hand and reset it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "genome/large_gap.h"

// Pool selectors; enum_significance is only a third column of foldOverlap.
enum : int { enum_patients = 0, enum_controls = 1, enum_significance = 2 };

// Genotype codes. GTYPE_OTHER names a call other than AA, BB and AB where a
// reader tells it apart (the straightforward reader of the tests); it is
// stored as GTYPE_NONE.
enum : uint8_t { GTYPE_NONE = 0, GTYPE_AA = 1, GTYPE_BB = 2, GTYPE_AB = 3, GTYPE_OTHER = 4 };

// Capacity of includeRegion.
constexpr int64_t kMaxRegions = 10000;

struct SNPRecord {
  int32_t chr = 0;                // chromosome number 1..lastChromosome; X is lastChromosome
  int64_t position = 0;           // bp, > 0
  double genetMap = 0;            // cM, > 0
  std::string rsID;               // owned copy of the annotation's rs identifier
  float freqA = 0;                // frequency of allele A, 0..1, single precision
  int64_t tableIndex = 0;         // own index in sumSNP, 0-based
  uint16_t* rchhCount = nullptr;  // n+1 cover counters of the pool in hand (slot scratch)
  uint8_t* gType[2] = {nullptr, nullptr};  // packed calls per pool, 2 bits per subject,
                                           // n/4+1 bytes, owned by GenomeData::gTypeStore
  uint8_t* unpackedGType = nullptr;        // n+1 codes of the pool in hand (slot scratch)
  int64_t foldOverlap[3] = {0, 0, 0};      // level per pool; [2] holds the pair key
  uint16_t startFlag = 0;                  // 1 where an RCHH or a segment starts
  uint16_t endFlag = 0;                    // 1 where an RCHH or a segment ends
  float shade = 0;                         // 0 darkest .. 1 lightest
  int32_t overlapCount[2] = {0, 0};        // level per pool as used by the p-value
  float minusLogP = 0;                     // -log10 p of patients against controls
};

// One analysis region: inclusive SNP table indexes; start > end means empty.
struct Region {
  int64_t start = 0;
  int64_t end = -1;
};

// What the analysis file and the cutoff prompt set.
struct RunSettings {
  std::string annotationFilePath;
  std::string exclusionFilePath;        // empty when not set
  std::string targetFilePath;           // empty when not set or when an excluded file is set
  std::string outputFilePath;           // used as a plain prefix of every output name
  int32_t noTgPool[2] = {0, 0};         // subjects per pool
  std::vector<std::string> stFile[2];   // genotyping file path per subject, per pool
  int64_t largeGap = kLargeGapDefault;  // bp
  double threshold = 0.0;               // RCHH cutoff, cM
  // velmora's whole set of files. A program that takes the counts as data
  // (velmora-report) may leave out all but the lists it reads (the level,
  // p-value and query lists): the HH and fold-overlap summaries, a number
  // per SNP and subject, and the texts and figures of every fold count.
  bool allFiles = true;
  char stringTgPool[2][12] = {"PatientPool", "ControlPool"};
};

// The SNP table and everything derived from the annotation and genotypes.
struct GenomeData {
  std::vector<SNPRecord> sumSNP;
  int64_t totalAnnotationDataCount = 0;
  std::vector<SNPRecord*> pASNP;  // records in rsID byte order
  int32_t lastChromosome = 0;     // highest chromosome number; that one is X
  std::vector<int64_t>
      chrPosition;  // lastChromosome+1 entries; slot k = [chrPosition[k], chrPosition[k+1])
  std::vector<int64_t> nEffectiveSNP[2];  // per pool, (n+1) x (lastChromosome-1), row-major
  std::vector<Region> includeRegion = std::vector<Region>(kMaxRegions);
  int64_t noRegions = 0;
  double totalGenetDistance = 0;     // cM
  double totalGenetDistanceWOX = 0;  // cM, autosomes only
  double averageMajorAlleleFrequencyWOX = 0;
  double averageMinorAlleleFrequencyWOX = 0;
  double memoryAllocated = 0;          // bytes, the printed estimate
  std::vector<uint8_t> gTypeStore[2];  // backing store of every record's gType[pool]
  int64_t gTypeBytes[2] = {0, 0};      // bytes per record of gTypeStore[pool]
};

struct ColourBarEntry {
  double shade;
  double label;
};

class UnnamedOutput;

// Storage of the passes, the query turns and the figures.
struct PassState {
  int32_t chrNo = 0;                            // slot in hand, 0-based
  std::vector<FILE*> tempFile;                  // per autosome slot, the open temporary pair file
  std::vector<uint32_t> maxOverlapChr;          // per autosome slot, highest level of the pass
  uint32_t maxOverlap = 0;                      // highest level of the run so far
  std::vector<uint8_t> targetSt[2];             // per pool, 1 for a subject chosen for comparison
  std::vector<uint8_t> foldOverlapFileFlagTXT;  // per fold count 0..n, 1 once its text exists
  uint8_t foldOverlapFileFlagPSHeader = 0;      // 1: black-and-white figures get the header
  ColourBarEntry cb[5] = {};                    // legend of the significance figure
  std::vector<uint16_t> rchhStore;              // backing block of rchhCount for the slot in hand
  std::vector<uint8_t> unpackedStore;  // backing block of unpackedGType for the slot in hand
  // The pass's whole-genome fold-overlap summary, which the slots write in
  // turn; nullptr: each slot writes a file of its own, merged at the end.
  UnnamedOutput* foldSummary = nullptr;
};

extern RunSettings settings;
extern GenomeData genome;
extern PassState pass;

// Restores all three to their start-of-process state (tests build genomes by hand).
void resetModel();

// Number of autosome slots, lastChromosome - 1 (0 when nothing is loaded).
int32_t autosomeSlots();
// First and one-past-last SNP table index of slot k (0-based).
inline int64_t slotBegin(int32_t k) {
  return genome.chrPosition[k];
}
inline int64_t slotEnd(int32_t k) {
  return genome.chrPosition[k + 1];
}

// Packed genotype access: subject s (0-based) of a packed array.
inline int getGType(const uint8_t* packed, uint64_t s) {
  return (packed[s / 4] >> (2 * (s % 4))) & 3;
}
// Clears slot s and stores code when it is 1, 2 or 3; other codes leave GTYPE_NONE.
inline void putGType(uint8_t* packed, uint64_t s, int code) {
  uint8_t shift = static_cast<uint8_t>(2 * (s % 4));
  packed[s / 4] = static_cast<uint8_t>(packed[s / 4] & ~(3u << shift));
  if (code >= 1 && code <= 3) packed[s / 4] = static_cast<uint8_t>(packed[s / 4] | (code << shift));
}

// Allocates zeroed packed arrays of both pools for every record of sumSNP
// (noTgPool[p]/4 + 1 bytes each) and points each record's gType at them.
void allocateGTypes();

// Gives every SNP of slot k a zeroed rchhCount and unpackedGType of `entries`
// entries each (one block per slot), unpacking subjects 0..unpackCount-1 of
// `pool` into unpackedGType. Failures print the run's allocation messages.
void attachSlotScratch(int32_t k, int pool, int entries, int unpackCount);
// Detaches and frees the scratch of slot k.
void releaseSlotScratch(int32_t k);
