// Invariants of the genome tables that every later phase relies on, checked
// after a reader has accepted its input.
#pragma once

// The chromosome index: lastChromosome + 1 ascending entries ending at the
// table size, every record inside the slot of its own chromosome; pASNP a
// permutation of the table in rs ID order.
void checkAnnotationTables();

// The regions: within [0, size), ascending, each inside one chromosome.
void checkRegions(long count, long size);
