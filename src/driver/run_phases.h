// The phases of a run after the cutoff prompt, in the order main calls them.
#pragma once

// Annotation, regions, genotypes of every pool in use, HH summary files.
void runLoadingSequence();

// For a cohort loaded without its output directory (loadRunInputs, or a
// load straight from other formats) once useOutputDirectory has taken one:
// the output checks the chromosomes decide, and the HH summary files.
void beginLoadedRun();

// Everything after the loading sequence, in velmora's order: run storage,
// the passes of both pools, the comparisons or the query dialogue, the end
// of the run.
void runAnalysisPhases();

// Temporary pair file handles, per-slot maxima and selection flags for the rest of the run.
void allocateRunStorage();

// One fold-overlap pass over `pool` (which must have subjects), with its
// reports, pair table and merges; in the patient pass of a two-pool run also
// the representative HH of every slot.
void runFoldOverlapPass(int pool);

// Both pools: representative file, pool comparison, representative passes.
void runRepresentativeAndComparisonPhases();

// Removes the temporary pair files and reports "Completed!"; main then ends
// the process with status 0.
void endRun();

// True when both pools have subjects.
bool bothPoolsInUse();
