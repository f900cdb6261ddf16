// Counting chromosomes and settling how X is written.
#include "x_chromosome.h"

#include <string>

#include "input_error.h"

namespace {

constexpr const char* kPlaceholderId = "velmora-import-X-placeholder";

}  // namespace

ChromosomeCounts countChromosomes(const SnpTable& table) {
  ChromosomeCounts counts;
  for (size_t i = 0; i < table.size(); ++i) {
    const Chromosome& chromosome = table.row(i).chromosome;
    if (chromosome.kind == ChromosomeKind::x) {
      ++counts.x;
    } else {
      ++counts.autosomes[chromosome.number];
    }
  }
  return counts;
}

std::optional<XPlaceholder> settleX(const ChromosomeCounts& counts, MissingX mode,
                                    const SnpTable& table, std::ostream& report) {
  int highest = counts.autosomes.rbegin()->first;
  if (counts.x > 0) return std::nullopt;
  std::string last = "chromosome " + std::to_string(highest);
  switch (mode) {
    case MissingX::refuse:
      throw InputError(
          "the data hold no chromosome X SNP. velmora takes the highest chromosome "
          "number for X and leaves it out of the analysis, so " +
          last +
          " would not be analysed. Run again with --missing-x placeholder to add one "
          "placeholder X line (chromosome " +
          std::to_string(highest + 1) +
          ") so that every autosome is analysed, or with --missing-x accept to let "
          "velmora take " +
          last + " for X");
    case MissingX::accept:
      if (counts.autosomes.size() == 1) {
        throw InputError("the data hold only " + last +
                         " and no X; velmora would take it for X "
                         "and have no autosome left: use --missing-x placeholder");
      }
      report << "WARNING: no chromosome X; as asked, velmora will take " << last
             << " for X and leave it out of the analysis\n";
      return std::nullopt;
    case MissingX::placeholder:
      break;
  }
  std::string id = kPlaceholderId;
  auto taken = [&table](const std::string& candidate) {
    for (size_t i = 0; i < table.size(); ++i) {
      if (table.row(i).id == candidate) return true;
    }
    return false;
  };
  while (taken(id)) id += "-1";  // never met in practice; keeps the ID unique
  report << "  no chromosome X: placeholder line " << id << " added as chromosome " << highest + 1
         << ", so that velmora analyses chromosome " << highest << '\n';
  return XPlaceholder{highest + 1, id};
}

void reportChromosomes(const ChromosomeCounts& counts, int xNumber, std::ostream& report) {
  report << "  SNPs per chromosome:";
  for (const auto& [number, snps] : counts.autosomes) report << ' ' << number << ':' << snps;
  if (counts.x > 0) report << " X(as " << xNumber << "):" << counts.x;
  report << '\n';
}
