// The HH comparison engine: pairwise RCHH detection, fold-overlap counting and
// the representative HH. Works on one autosome slot at a time, on the slot
// scratch (rchhCount, unpackedGType) that the caller has attached.
#pragma once
#include <cstdint>

// 1 when the unpackedGType codes of subjects st1 and st2 at SNP table index
// `snp` are AA and BB (either way round), else 0.
int isHetero(int64_t snp, int st1, int st2);

// Type A false-positive estimate of a pair with nA and nB calls on slot chr at
// `cutoff` cM; stores the expected spacing of opposite homozygotes (cM) in *m.
double falsePositive(int64_t nA, int64_t nB, double* m, int chr, double cutoff);

// Compares subjects st1 and st2 (or, with representative = 1, st1 and the
// representative slot st2 = n) of `pool` on slot chr: flags the RCHHs that
// reach the cutoff, raises rchhCount, and appends the pair row to the slot's
// temporary pair file when st1 < st2.
void conservedHaplotypeFor2(int st1, int st2, int pool, int representative, int chr);

// 1 when SNP table index `index` lies in one of includeRegion[0..regions-1].
int isInRegion(int64_t index, int64_t regions);

// All-pairs search of `pool` (n subjects) on slot chr and the fold-overlap
// level of every region SNP. mode 1: every subject, and the per-chromosome
// fold-overlap summary file is written; mode 0: only subjects with targetSt 1.
void countRCHHSharedByMultiplePatients(int pool, int n, int chr, int mode);

// Representative HH of slot chr from the patient pool's levels and counters,
// stored at subject index noTgPool[0] of the patients' gType arrays.
void obtainRepresentativeHH(int chr);

// Every subject of `pool` (n subjects) against the representative HH on slot
// chr; the level of a region SNP is the number of subjects sharing with it.
void countRCHHSharedWithRepresentativePatients(int pool, int n, int chr);
