// Filtering input records down to velmora's SNPs.
#include "snp_reading.h"

#include <string>
#include <string_view>
#include <vector>

#include "chromosome.h"
#include "progress.h"

namespace {

bool isBase(const std::string& allele) {
  return allele.size() == 1 &&
         std::string_view("ACGTacgt").find(allele[0]) != std::string_view::npos;
}

// Why a record with these alleles is no biallelic SNP, if it is not.
std::optional<SkipReason> alleleProblem(const std::vector<std::string>& alleles) {
  if (alleles.size() < 2 || alleles[1] == "." || alleles[1] == "0")
    return SkipReason::noAlternative;
  if (alleles.size() > 2) return SkipReason::multiAllelic;
  if (!isBase(alleles[0]) || !isBase(alleles[1]) || alleles[0] == alleles[1])
    return SkipReason::notSnp;
  return std::nullopt;
}

std::optional<SkipReason> chromosomeProblem(const Chromosome& chromosome) {
  switch (chromosome.kind) {
    case ChromosomeKind::y:
      return SkipReason::chromosomeY;
    case ChromosomeKind::mitochondrial:
      return SkipReason::mitochondrial;
    case ChromosomeKind::unplaced:
      return SkipReason::unplaced;
    case ChromosomeKind::autosome:
    case ChromosomeKind::x:
      break;
  }
  return std::nullopt;
}

}  // namespace

int64_t readSnps(VariantSource& source, const MapSource& map, std::optional<int> autosomeCount,
                 SnpTable& table, SkipTally& tally) {
  Progress progress("records read", 1000000);
  VariantRecord record;
  std::vector<Call> calls;
  int64_t records = 0;
  while (source.next(record)) {
    progress.update(++records);
    Chromosome chromosome = classifyChromosome(record.chromosome, autosomeCount);
    std::optional<SkipReason> problem = chromosomeProblem(chromosome);
    if (!problem && record.position < 1) problem = SkipReason::positionNotPositive;
    if (!problem) problem = alleleProblem(record.alleles);
    std::optional<double> cM;
    if (!problem) {
      cM = map.cMAt(chromosome, record.position, record.cM);
      if (!cM) problem = SkipReason::missingMap;
    }
    if (!problem) {
      source.calls(calls);
      SnpRow row{chromosome, record.position, *cM, 0, record.id, static_cast<size_t>(records - 1)};
      if (!table.add(std::move(row), calls)) problem = SkipReason::noCalls;
    }
    if (problem) tally.add(*problem);
  }
  return records;
}
