// Labels of the skip reasons.
#include "skip_tally.h"

#include <iomanip>

namespace {

const char* label(SkipReason reason) {
  switch (reason) {
    case SkipReason::chromosomeY:
      return "on chromosome Y";
    case SkipReason::mitochondrial:
      return "mitochondrial";
    case SkipReason::unplaced:
      return "on unplaced or unknown contigs";
    case SkipReason::positionNotPositive:
      return "at position 0 or below";
    case SkipReason::noAlternative:
      return "without an alternative allele";
    case SkipReason::multiAllelic:
      return "multi-allelic sites";
    case SkipReason::notSnp:
      return "indels and other non-SNP alleles";
    case SkipReason::noCalls:
      return "without any called genotype";
    case SkipReason::missingMap:
      return "outside every map (no cM for the chromosome)";
    case SkipReason::duplicatePosition:
      return "sharing a position with another SNP (all dropped)";
    case SkipReason::duplicateId:
      return "repeating an identifier already used";
    case SkipReason::mapDecreasing:
      return "with a map value below an earlier SNP's";
    case SkipReason::count_:
      break;
  }
  return "";
}

}  // namespace

int64_t SkipTally::total() const {
  int64_t sum = 0;
  for (int64_t n : counts_) sum += n;
  return sum;
}

void SkipTally::report(std::ostream& out) const {
  for (size_t i = 0; i < counts_.size(); ++i) {
    if (counts_[i] == 0) continue;
    out << "  skipped " << std::setw(9) << counts_[i] << "  " << label(static_cast<SkipReason>(i))
        << '\n';
  }
}
