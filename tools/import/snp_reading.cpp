// Filtering input records down to velmora's SNPs.
#include "snp_reading.h"

#include <cctype>
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

// Two alleles of one SNP: two different bases, or the two letters of an
// array's A/B coding, or the two numbers of PLINK's 1/2 coding (where 0
// stands for a missing allele and is caught before). velmora only needs to
// tell the two alleles apart, so any of these codings serves.
bool isSnpPair(const std::string& first, const std::string& second) {
  if (isBase(first) && isBase(second)) {
    return std::toupper(static_cast<unsigned char>(first[0])) !=
           std::toupper(static_cast<unsigned char>(second[0]));
  }
  auto code = [](const std::string& allele) -> char {
    return allele.size() == 1
               ? static_cast<char>(std::toupper(static_cast<unsigned char>(allele[0])))
               : '\0';
  };
  char a = code(first), b = code(second);
  return (a == 'A' && b == 'B') || (a == 'B' && b == 'A') || (a == '1' && b == '2') ||
         (a == '2' && b == '1');
}

// Why a record with these alleles is no biallelic SNP, if it is not.
std::optional<SkipReason> alleleProblem(const std::vector<std::string>& alleles) {
  if (alleles.size() < 2 || alleles[1] == "." || alleles[1] == "0")
    return SkipReason::noAlternative;
  if (alleles.size() > 2) return SkipReason::multiAllelic;
  if (!isSnpPair(alleles[0], alleles[1])) return SkipReason::notSnp;
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
  std::vector<uint8_t> calls((source.samples().size() + 3) / 4);
  table.reserve(source.recordCount());
  int64_t records = 0;
  // Records come chromosome by chromosome: the last name's class is kept.
  std::string lastName;
  Chromosome lastChromosome = classifyChromosome(lastName, autosomeCount);
  while (source.next(record)) {
    progress.update(++records);
    if (record.chromosome != lastName) {
      lastName = record.chromosome;
      lastChromosome = classifyChromosome(lastName, autosomeCount);
    }
    const Chromosome chromosome = lastChromosome;
    std::optional<SkipReason> problem = chromosomeProblem(chromosome);
    if (!problem && record.position < 1) problem = SkipReason::positionNotPositive;
    if (!problem) problem = alleleProblem(record.alleles);
    std::optional<double> cM;
    if (!problem) {
      cM = map.cMAt(chromosome, record.position, record.cM);
      if (!cM) problem = SkipReason::missingMap;
    }
    if (!problem) {
      source.packedCalls(calls.data());
      SnpRow row{chromosome, record.position, *cM, 0, record.id, static_cast<size_t>(records - 1)};
      if (!table.add(std::move(row), calls.data())) problem = SkipReason::noCalls;
    }
    if (problem) tally.add(*problem);
  }
  return records;
}
