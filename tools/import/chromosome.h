// Chromosome names as genotype files write them ("chr7", "7", "X", "chrM",
// "GL000192.1", PLINK's numeric codes) reduced to what velmora can hold: a
// numbered autosome or X. Everything else is left out of an import.
#pragma once
#include <climits>
#include <optional>
#include <string>
#include <string_view>

enum class ChromosomeKind { autosome, x, y, mitochondrial, unplaced };

struct Chromosome {
  ChromosomeKind kind = ChromosomeKind::unplaced;
  int number = 0;  // autosome number, from 1; 0 for every other kind

  // Genome order: autosomes by number, X after all of them.
  int sortKey() const { return kind == ChromosomeKind::x ? INT_MAX : number; }
  bool operator==(const Chromosome&) const = default;
};

// Classifies a name, with or without a "chr" prefix (any case). Numbers are
// autosomes; with `autosomeCount` set, numbers above it follow PLINK's codes
// (count + 1 X, + 2 Y, + 3 XY, + 4 MT). XY, the pseudo-autosomal part of X, is
// taken as X. Zero, unknown names and contigs such as "1_random" are unplaced.
Chromosome classifyChromosome(std::string_view name, std::optional<int> autosomeCount);

// "7" or "X", for messages and generated identifiers.
std::string chromosomeLabel(const Chromosome& chromosome);
