// What readAnnotation derives from the stored SNP table once the file is read:
// the chromosome index, the genome totals and averages, and the statistics and
// storage estimates it reports on standard error.
#pragma once
#include <cstdint>

// chrPosition from the stored records, in one pass over the table. For a file
// listed in chromosome blocks, chromosome c covers [chrPosition[c-1],
// chrPosition[c]); an absent chromosome gets an empty range where the previous
// present one ends.
void buildChromosomeIndex();

// Totals, averages, the statistics table and the two storage estimates;
// `linesRead` is the number of annotation lines checked (Y lines excluded).
// Stops the run when no autosomal SNP was stored.
void summariseAnnotation(int64_t linesRead);
