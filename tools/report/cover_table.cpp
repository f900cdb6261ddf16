// Collecting the pass's cover counts as runs.
#include "cover_table.h"

#include <algorithm>
#include <cstring>

#include "base/parallel_for.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "start_end_list.h"

size_t PoolCover::runsFrom(int subject, size_t row) const {
  const std::vector<uint32_t>& rows = changeRow[static_cast<size_t>(subject)];
  return static_cast<size_t>(std::upper_bound(rows.begin(), rows.end(), row) - rows.begin());
}

int PoolCover::count(int subject, size_t row) const {
  const size_t at = runsFrom(subject, row);
  return at == 0 ? 0 : changeCount[static_cast<size_t>(subject)][at - 1];
}

int PoolCover::lowest(int subject, size_t first, size_t last) const {
  const std::vector<uint32_t>& rows = changeRow[static_cast<size_t>(subject)];
  const std::vector<uint16_t>& counts = changeCount[static_cast<size_t>(subject)];
  size_t at = runsFrom(subject, first);
  int low = at == 0 ? 0 : counts[at - 1];
  for (; at < rows.size() && rows[at] <= last; ++at) low = std::min<int>(low, counts[at]);
  return low;
}

std::pair<size_t, size_t> PoolCover::reach(int subject, size_t first, size_t last, int threshold,
                                           size_t spanBegin, size_t spanEnd) const {
  const std::vector<uint32_t>& rows = changeRow[static_cast<size_t>(subject)];
  const std::vector<uint16_t>& counts = changeCount[static_cast<size_t>(subject)];
  // Run i covers rows rows[i] .. rows[i + 1] - 1.
  size_t low = first, high = last;
  for (size_t i = runsFrom(subject, first); i > 0 && counts[i - 1] >= threshold;) {
    --i;
    low = std::max<size_t>(rows[i], spanBegin);
    if (rows[i] <= spanBegin) break;
  }
  for (size_t j = runsFrom(subject, last); j > 0 && counts[j - 1] >= threshold; ++j) {
    const size_t runEnd = j < rows.size() ? rows[j] - 1 : spanEnd - 1;
    high = std::min(runEnd, spanEnd - 1);
    if (j >= rows.size() || runEnd >= spanEnd - 1) break;
  }
  return {low, high};
}

void CoverTable::start() {
  const int64_t end = autosomeSlots() > 0 ? slotEnd(autosomeSlots() - 1) : 0;
  rows.resize(static_cast<size_t>(end));
  std::vector<uint8_t> inRegion(static_cast<size_t>(end), 0);
  const int64_t regions =
      std::min<int64_t>(genome.noRegions, static_cast<int64_t>(genome.includeRegion.size()));
  for (int64_t r = 0; r < regions; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    for (int64_t k = std::max<int64_t>(region.start, 0); k <= std::min(region.end, end - 1); ++k)
      inRegion[static_cast<size_t>(k)] = 1;
  }
  for (int64_t k = 0; k < end; ++k) {
    const SNPRecord& snp = genome.sumSNP[static_cast<size_t>(k)];
    rows[static_cast<size_t>(k)] = {snp.chr, snp.position, asListed(snp.genetMap),
                                    inRegion[static_cast<size_t>(k)] != 0};
  }
}

void CoverTable::takeSlot(int pool, int n, int slot) {
  PoolCover& cover = pools[pool];
  if (cover.subjects != n) {
    cover.subjects = n;
    cover.level.assign(rows.size(), 0);
    cover.changeRow.assign(static_cast<size_t>(n), {});
    cover.changeCount.assign(static_cast<size_t>(n), {});
  }
  const int64_t s = slotBegin(slot), e = slotEnd(slot);
  for (int64_t k = s; k < e; ++k) {
    cover.level[static_cast<size_t>(k)] =
        static_cast<int32_t>(genome.sumSNP[static_cast<size_t>(k)].foldOverlap[pool]);
  }
  // Subjects in blocks on the threads, each block walking the slot's SNPs in
  // order so that it reads each SNP's counters where they lie together; a
  // subject's runs are appended by its block alone.
  constexpr int kBlock = 64;
  const int blocks = (n + kBlock - 1) / kBlock;
  forEachItemOnThreads(
      blocks, threadsFor(0),
      [&](int64_t block, int) {
        const int first = static_cast<int>(block) * kBlock;
        const int end = std::min(n, first + kBlock);
        const size_t width = static_cast<size_t>(end - first);
        // The block's counts at the SNP before: most SNPs change none of
        // them, which one comparison of the block tells.
        uint16_t last[kBlock];
        bool known = true;
        for (int j = first; j < end; ++j) {
          const std::vector<uint16_t>& count = cover.changeCount[static_cast<size_t>(j)];
          known = known && !count.empty();
          last[j - first] = count.empty() ? 0 : count.back();
        }
        for (int64_t k = s; k < e; ++k) {
          const uint16_t* counts = genome.sumSNP[static_cast<size_t>(k)].rchhCount + first;
          if (known && std::memcmp(counts, last, width * sizeof(uint16_t)) == 0) continue;
          for (size_t j = 0; j < width; ++j) {
            std::vector<uint16_t>& count = cover.changeCount[static_cast<size_t>(first) + j];
            if (!count.empty() && counts[j] == last[j]) continue;
            cover.changeRow[static_cast<size_t>(first) + j].push_back(static_cast<uint32_t>(k));
            count.push_back(counts[j]);
          }
          std::memcpy(last, counts, width * sizeof(uint16_t));
          known = true;
        }
      },
      [] {});
}
