// The report's sharing analysis: pooled pairs under the rule, their cover
// events swept into the cover table and the lists.
#include "sharing.h"

#include <algorithm>
#include <cstdio>

#include "base/output.h"
#include "core/velmora_core.h"
#include "hh/level_count.h"
#include "hh/packed_scan.h"
#include "permutations.h"
#include "report_error.h"
#include "stats/pooled_cohort.h"

namespace {

// Every subject's count within its own pool and each pool's level, from the
// events of the pairs within a pool.
void fillCover(const PooledCohort& cohort, CoverTable& cover) {
  const int sizes[2] = {cohort.patients, cohort.controls};
  for (int q = 0; q < 2; ++q) {
    PoolCover& pool = cover.pools[q];
    pool.subjects = sizes[q];
    pool.level.assign(cover.rows.size(), 0);
    pool.changeRow.assign(static_cast<size_t>(sizes[q]), {});
    pool.changeCount.assign(static_cast<size_t>(sizes[q]), {});
  }
  auto poolOf = [&](int32_t g) { return g < cohort.patients ? 0 : 1; };
  auto indexIn = [&](int32_t g) { return g < cohort.patients ? g : g - cohort.patients; };
  std::vector<int32_t> count(static_cast<size_t>(cohort.subjects), 0);
  std::vector<uint8_t> dirty(static_cast<size_t>(cohort.subjects), 0);
  std::vector<int32_t> changed;
  MovingFoldLevel level[2];
  for (const PooledSlot& slot : cohort.slots) {
    std::fill(count.begin(), count.end(), 0);
    level[0].reset(cohort.patients);
    level[1].reset(cohort.controls);
    for (int32_t g = 0; g < cohort.subjects; ++g) {
      PoolCover& pool = cover.pools[poolOf(g)];
      auto& counts = pool.changeCount[static_cast<size_t>(indexIn(g))];
      if (counts.empty() || counts.back() != 0) {
        pool.changeRow[static_cast<size_t>(indexIn(g))].push_back(
            static_cast<uint32_t>(slot.begin));
        counts.push_back(0);
      }
    }
    size_t e = 0;
    for (int64_t k = 0; k < slot.packed.count; ++k) {
      for (; e < slot.events.size() && eventSnp(slot.events[e]) == k; ++e) {
        const uint32_t pair = eventPair(slot.events[e]);
        const int q = poolOf(cohort.pairFirst[pair]);
        if (q != poolOf(cohort.pairSecond[pair])) continue;
        applyCoverEvent(cohort, slot.events[e], count.data(), level[q],
                        [&](int32_t g, int32_t, int32_t) {
                          if (!dirty[static_cast<size_t>(g)])
                            changed.push_back(g), dirty[static_cast<size_t>(g)] = 1;
                        });
      }
      const size_t row = static_cast<size_t>(slot.begin + k);
      for (const int32_t g : changed) {
        dirty[static_cast<size_t>(g)] = 0;
        PoolCover& pool = cover.pools[poolOf(g)];
        auto& counts = pool.changeCount[static_cast<size_t>(indexIn(g))];
        const uint16_t now = static_cast<uint16_t>(count[static_cast<size_t>(g)]);
        if (counts.back() == now) continue;
        pool.changeRow[static_cast<size_t>(indexIn(g))].push_back(static_cast<uint32_t>(row));
        counts.push_back(now);
      }
      changed.clear();
      for (int q = 0; q < 2; ++q) {
        if (sizes[q] > 0) cover.pools[q].level[row] = level[q].level();
      }
    }
  }
}

StartEndList listOf(const std::vector<ScanSegment>& segments, int scan, bool withControls,
                    const CoverTable& cover) {
  StartEndList list;
  list.kind = withControls ? ListKind::pValues : ListKind::levels;
  for (const ScanSegment& s : segments) {
    if (s.scan != scan) continue;
    Segment out{cover.rows[static_cast<size_t>(s.firstSnp)].chromosome,
                cover.rows[static_cast<size_t>(s.firstSnp)].bp,
                cover.rows[static_cast<size_t>(s.lastSnp)].bp,
                {},
                withControls ? asListed(s.minusLogP) : static_cast<double>(s.patients),
                s.patients,
                s.controls};
    list.segments.push_back(std::move(out));
  }
  return list;
}

}  // namespace

SharingRule defaultSharingRule(const std::vector<core::ChromosomeSpan>& autosomes,
                               std::string* reason) {
  double snps = 0, cM = 0;
  for (const core::ChromosomeSpan& s : autosomes) {
    snps += static_cast<double>(s.snps);
    cM += s.lastCm - s.firstCm;
  }
  const double density = cM > 0 ? snps / cM : 0;
  const bool tolerant = density >= kTolerantFromSnpsPerCm;
  char text[160];
  std::snprintf(text, sizeof text, " (chosen: %.0f SNPs per cM %s %.0f)", density,
                tolerant ? "reach" : "are under", kTolerantFromSnpsPerCm);
  *reason = text;
  return tolerant ? kDefaultSharingRule : SharingRule{};
}

std::string sharingRuleText(const SharingRule& rule) {
  if (rule.strict()) {
    return "strict: every opposite homozygote (one subject AA, the other BB) ends a shared "
           "stretch";
  }
  return "tolerant: an opposite homozygote is passed over as a likely genotyping error when "
         "neither neighbouring SNP is one and at most " +
         std::to_string(rule.allowed) + " lie within " + std::to_string(rule.window) +
         " SNPs either side (--tolerance " + std::to_string(rule.allowed) + "/" +
         std::to_string(rule.window) + "; --strict ends a stretch at every one)";
}

SharingAnalysis analyseSharing(double cutoffCm, const SharingRule& rule, int threads,
                               bool withControls, bool relabellings, CoverTable& cover) {
  SharingAnalysis analysis;
  try {
    analysis.cohort = core::pooledCohortOfLoaded(
        cutoffCm, threads, PoolingChoice{rule, !withControls, withControls && relabellings});
    cover.start();
    fillCover(*analysis.cohort, cover);
    std::vector<ScanSegment> segments;
    labellingMaxima(*analysis.cohort,
                    relabelling(0, 0, analysis.cohort->patients, analysis.cohort->controls),
                    &segments);
    analysis.source = listOf(segments, 0, withControls, cover);
    if (withControls) analysis.representative = listOf(segments, 1, true, cover);
  } catch (const FatalError& error) {
    throw ReportError("the sharing analysis stopped: " + error.message);
  }
  return analysis;
}

int64_t toleratedInRegion(const PooledCohort& cohort, const CandidateRegion& region) {
  const int64_t first = static_cast<int64_t>(region.firstRow);
  const int64_t last = static_cast<int64_t>(region.lastRow);
  const auto slot = std::find_if(
      cohort.slots.begin(), cohort.slots.end(),
      [&](const PooledSlot& s) { return first >= s.begin && last < s.begin + s.packed.count; });
  if (slot == cohort.slots.end()) return 0;
  const int64_t from = first - slot->begin, to = last - slot->begin;
  std::vector<uint8_t> sharing(static_cast<size_t>(cohort.subjects), 0);
  for (const int32_t g : region.patients) sharing[static_cast<size_t>(g)] = 1;

  // The pooled pairs' runs are the slot's events: a pair's run holds the
  // region when it opens at or before `from` and does not end before `to`.
  int64_t tolerated = 0;
  auto count = [&](uint32_t pair, int64_t runFirst, int64_t runLast) {
    if (runFirst > from || runLast < to) return;
    // A stretch's own ends may be the opposite homozygotes that end it:
    // they were not passed over.
    const int64_t lo = runFirst == from ? from + 1 : from;
    const int64_t hi = runLast == to ? to - 1 : to;
    if (lo <= hi) {
      tolerated += countDiscordant(slot->packed, slot->packed.calls(cohort.pairFirst[pair]),
                                   slot->packed.calls(cohort.pairSecond[pair]), lo, hi);
    }
  };
  std::vector<int64_t> openedAt(cohort.pairFirst.size(), -1);
  for (const uint64_t event : slot->events) {
    const int64_t snp = eventSnp(event);
    if (snp > to + 1) break;
    const uint32_t pair = eventPair(event);
    if (!sharing[static_cast<size_t>(cohort.pairFirst[pair])] ||
        !sharing[static_cast<size_t>(cohort.pairSecond[pair])])
      continue;
    if ((event & kEventEnd) == 0) {
      openedAt[pair] = snp;
    } else {
      count(pair, openedAt[pair], snp - 1);
      openedAt[pair] = -1;
    }
  }
  // Runs still open end past `to`, or at it where the slot ends there.
  const int64_t beyond = to == slot->packed.count - 1 ? to : to + 1;
  for (size_t pair = 0; pair < openedAt.size(); ++pair) {
    if (openedAt[pair] >= 0) count(static_cast<uint32_t>(pair), openedAt[pair], beyond);
  }
  return tolerated;
}
