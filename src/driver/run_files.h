// Output files the run driver writes itself: the HH summary file of a pool,
// the merges of per-chromosome results into whole-genome files, and the
// representative file.
#pragma once
#include <cstdio>

#include "base/unnamed_output.h"
#include "report/piece_spool.h"

// "%sHH_HomozygosityHaplotype_Summary_%s.txt": every SNP with every subject's
// homozygous call, pool = enum_patients or enum_controls.
void writeHHSummaryFile(int pool);

// Gives "%sHH_FoldOverlap_Summary_%s.txt" the slots' rows of the pass: the
// unnamed file they went to (`whole`, when not nullptr) takes the name, or
// else the per-chromosome files are joined into it and deleted.
void mergeFoldOverlapSummary(int pool, UnnamedOutput* whole);

// Joins the per-chromosome fold-overlap texts (then figures) of every fold
// count n..2 that the pass spooled into whole-genome files, dropping them from
// the spool; figures get the EPS header once.
void mergeWholeGenomeFoldTexts(PieceSpool& spool, int pool, int n);
void mergeWholeGenomeFoldFigures(PieceSpool& spool, int pool, int n);

// "%sHH_Representative_PatientPool.txt": the representative HH, SNP by SNP,
// over the analysed slots.
void writeRepresentativeFile();
