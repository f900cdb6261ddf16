// How many threads read the genotyping files of a pool at once (and the
// temporary pair files of the slots when the pair table adds them up). Nothing
// in the run's interface sets it; tests choose it to check that every count
// gives the same tables and messages.
#pragma once

// 0 (the default): one per hardware thread, at most 8; 1 reads subjects in turn.
void setGenotypeReaderThreads(unsigned threads);

// The count in force, at least 1.
unsigned genotypeReaderThreads();
