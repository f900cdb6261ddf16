// Readers that fill the genome tables of model.h: the annotation file, the
// analysis regions and the genotyping files of a pool.
#pragma once
#include <cstdint>
#include <string>

#include "genome/model.h"

// Loads the annotation file into genome.sumSNP, builds pASNP, chrPosition, the
// zeroed gType arrays and nEffectiveSNP matrices, the totals and averages, and
// reports its statistics on standard error. Bad lines are reported and dropped;
// fatal conditions end the process with status 1.
void readAnnotation(const std::string& path);

// Writes the analysis regions into genome.includeRegion and returns how many
// there are. `size` is the number of autosomal SNPs (chrPosition[lastChromosome-1]);
// only table indexes 0..size-1 are considered. Ends the process on a missing or
// incompatible area file.
int64_t setRegion(const std::string& excludedPath, const std::string& targetPath, int64_t size);

// Reads the genotyping files of pool (enum_patients or enum_controls), n >= 1
// subjects, into the packed gType arrays and the pool's nEffectiveSNP rows.
void readGenotypingData(int pool, int n);

// Byte order of rs identifiers (unsigned bytes, shorter prefix first): -1, 0 or 1.
int compareRsID(const std::string& a, const std::string& b);
