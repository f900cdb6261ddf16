// Genome-wide significance by label permutation (max-T): the patient and
// control subjects of a loaded run are pooled, their pairs compared once, and
// for every relabelling into a patient pool and a control pool of the
// original sizes the two comparisons of the run are redone from those pairs:
// the fold-overlap levels of both pools with the plain comparison, and the
// representative HH rebuilt from the relabelled patients with the comparison
// using it. What a relabelling yields is the largest -log10 p of each scan
// over that scan's own segments.
//
// Subjects are numbered over the pooled cohort: patients 0 .. nP-1 in list
// order, then controls nP .. nP+nC-1. A labelling gives one byte per pooled
// subject, 1 for a patient and 0 for a control; relabelling 0 is the run's
// own labels.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "hh/kernel.h"

// Seed used when the caller gives none.
constexpr uint64_t kDefaultPermutationSeed = 20261208;

// The pooled cohort of the loaded run, every pair compared at `cutoff` (cM):
// built from the genome tables (SNP table, regions, packed genotypes of both
// pools), which must stay loaded and unchanged while it is used.
struct PooledCohort;

struct PooledCohortDeleter {
  void operator()(PooledCohort* cohort) const;
};
using PooledCohortPtr = std::unique_ptr<PooledCohort, PooledCohortDeleter>;

// Whether pools of these sizes fit the permutation tables (at most 65 535
// subjects, 2^24 pairs of levels); buildPooledCohort refuses larger ones.
bool permutationsFit(int patients, int controls);

// What a pooled cohort compares and holds.
struct PoolingChoice {
  SharingRule rule;         // which opposite homozygotes end a stretch (all: velmora's)
  bool onePool = false;     // a patient pool alone: its own labelling gives its levels
                            // (-log10 p is then 0), and null genomes its significance
  bool acrossPools = true;  // also the pairs of a patient and a control, which only
                            // relabellings need; without them only the run's own
                            // labelling may be scanned
};

// Builds the pooled cohort on `threads` threads (0: one per hardware thread),
// its pairs (and every scan against a representative HH) compared under
// `choice.rule`. Needs both pools to have subjects unless `choice.onePool`;
// throws FatalError with an "ERROR: " message otherwise, and when the pools
// are too large for the level tables.
PooledCohortPtr buildPooledCohort(double cutoff, int threads, const PoolingChoice& choice = {});

// Sizes of a built cohort, and the bytes it holds (for the memory figure).
int pooledPatients(const PooledCohort& cohort);
int pooledControls(const PooledCohort& cohort);
int64_t pooledCohortBytes(const PooledCohort& cohort);
// Cover changes of all pooled pairs over the genome (each run's start and end).
int64_t pooledEvents(const PooledCohort& cohort);

// Largest -log10 p of each scan of one labelling (0 when a scan has no segment).
struct ScanMaxima {
  float plain = 0;           // patients' against controls' fold-overlap levels
  float representative = 0;  // both pools against the representative HH
  float both() const { return plain > representative ? plain : representative; }
};

// One segment of a scan, as velmora's start/end lists give it: a maximal run
// of SNPs of one analysis region with the same pair of levels (not both 0)
// and no large gap inside.
struct ScanSegment {
  int scan = 0;                       // 0 plain, 1 representative
  int64_t firstSnp = 0, lastSnp = 0;  // SNP table indexes, 0-based, inclusive
  int patients = 0, controls = 0;     // the levels of the two pools
  float minusLogP = 0;
};

// The maxima of labelling `isPatient` (pooled size, exactly nP ones). With
// `segments` given, every segment of both scans is appended to it too, the
// plain scan's first, each in table order.
ScanMaxima labellingMaxima(const PooledCohort& cohort, const std::vector<uint8_t>& isPatient,
                           std::vector<ScanSegment>* segments);

// Relabelling k of `seed`: k = 0 the run's own labels; k >= 1 a uniformly
// drawn choice of nP patients among the pooled subjects, the same for the
// same (seed, k) on every machine and thread count.
std::vector<uint8_t> relabelling(uint64_t seed, int64_t k, int patients, int controls);

// Maxima of relabellings 0 .. count on `threads` threads (0: one per hardware
// thread); entry k belongs to relabelling k whatever the thread count.
// progress(done) is called on the calling thread now and then, done counted
// out of count + 1. A failure on any thread is raised on the calling thread.
std::vector<ScanMaxima> permutationMaxima(const PooledCohort& cohort, uint64_t seed, int64_t count,
                                          int threads,
                                          const std::function<void(int64_t)>& progress);
