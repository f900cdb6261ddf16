// Collecting, ordering and cleaning the imported SNPs.
#include "snp_table.h"

#include <algorithm>
#include <unordered_set>

namespace {

bool needsGeneratedId(const std::string& id) {
  if (id.empty() || id == ".") return true;
  return std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool samePlace(const SnpRow& a, const SnpRow& b) {
  return a.chromosome == b.chromosome && a.position == b.position;
}

}  // namespace

SnpTable::SnpTable(size_t sampleCount)
    : sampleCount_(sampleCount), rowBytes_((sampleCount + 3) / 4) {}

bool SnpTable::add(SnpRow row, const std::vector<Call>& calls) {
  int64_t alleleA = 0;
  int64_t called = 0;
  for (Call call : calls) {
    if (call == Call::none) continue;
    ++called;
    alleleA += call == Call::aa ? 2 : call == Call::ab ? 1 : 0;
  }
  if (called == 0) return false;
  row.freqA = static_cast<double>(alleleA) / static_cast<double>(2 * called);
  size_t base = packed_.size();
  packed_.resize(base + rowBytes_, 0);
  for (size_t s = 0; s < sampleCount_; ++s) {
    packed_[base + s / 4] |= static_cast<uint8_t>(static_cast<unsigned>(calls[s]) << (2 * (s % 4)));
  }
  rows_.push_back(std::move(row));
  return true;
}

void SnpTable::finalize(SkipTally& tally) {
  std::vector<size_t> sorted(rows_.size());
  for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
  std::sort(sorted.begin(), sorted.end(), [this](size_t a, size_t b) {
    const SnpRow& x = rows_[a];
    const SnpRow& y = rows_[b];
    if (x.chromosome.sortKey() != y.chromosome.sortKey()) {
      return x.chromosome.sortKey() < y.chromosome.sortKey();
    }
    if (x.position != y.position) return x.position < y.position;
    return x.inputIndex < y.inputIndex;
  });

  order_.clear();
  std::unordered_set<std::string> ids;
  double highestCM = 0;  // on the chromosome of the last kept SNP
  for (size_t k = 0; k < sorted.size(); ++k) {
    SnpRow& row = rows_[sorted[k]];
    bool repeated = (k > 0 && samePlace(rows_[sorted[k - 1]], row)) ||
                    (k + 1 < sorted.size() && samePlace(rows_[sorted[k + 1]], row));
    if (repeated) {
      tally.add(SkipReason::duplicatePosition);
      continue;
    }
    bool newChromosome = order_.empty() || !(rows_[order_.back()].chromosome == row.chromosome);
    if (newChromosome) highestCM = 0;
    if (row.cM < highestCM) {
      tally.add(SkipReason::mapDecreasing);
      continue;
    }
    if (needsGeneratedId(row.id)) {
      row.id = "chr" + chromosomeLabel(row.chromosome) + ":" + std::to_string(row.position);
      ++generatedIds_;
    }
    if (!ids.insert(row.id).second) {
      tally.add(SkipReason::duplicateId);
      continue;
    }
    highestCM = row.cM;
    if (row.cM < kSmallestCM) {
      row.cM = kSmallestCM;
      ++raisedMaps_;
    }
    order_.push_back(sorted[k]);
  }
}
