// How chromosome X reaches velmora. velmora takes the highest chromosome number
// for X and never analyses it, so X is written as one above the highest
// autosome; data without X would cost the highest autosome, so they are
// refused unless the user chose a placeholder X line or accepts the loss.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>

#include "import_options.h"
#include "snp_table.h"
#include "velmora_files.h"

struct ChromosomeCounts {
  std::map<int, int64_t> autosomes;  // SNPs per autosome number
  int64_t x = 0;
};

ChromosomeCounts countChromosomes(const SnpTable& table);

// One report line: SNPs per chromosome, X with the number it is written as.
void reportChromosomes(const ChromosomeCounts& counts, int xNumber, std::ostream& report);

// Needs at least one autosome. Returns the placeholder line to add, if any;
// throws InputError when the data have no X and `mode` is MissingX::refuse.
std::optional<XPlaceholder> settleX(const ChromosomeCounts& counts, MissingX mode,
                                    const SnpTable& table, std::ostream& report);
