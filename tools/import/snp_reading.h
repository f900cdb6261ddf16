// The pass over the input: which records become SNPs for velmora (biallelic
// SNPs of autosomes and X, with a map value and at least one call) and why
// the others are left out.
#pragma once
#include <cstdint>
#include <optional>

#include "genetic_map.h"
#include "skip_tally.h"
#include "snp_table.h"
#include "variant_source.h"

// Reads every record of `source` into `table`, counting the skipped ones in
// `tally`; returns the number of records read. `autosomeCount` as for
// classifyChromosome.
int64_t readSnps(VariantSource& source, const MapSource& map, std::optional<int> autosomeCount,
                 SnpTable& table, SkipTally& tally);
