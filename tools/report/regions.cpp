// Forming, measuring and ranking the candidate regions (rules in regions.h).
#include "regions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "report_error.h"

namespace {

struct SnpRow {
  int chromosome;
  int64_t bp;
  double cM;
  bool inRegion;
  int level;
};

struct IndexedSegment {
  size_t firstRow, lastRow;
  double value;
};

// Rows of the first and last SNP of a segment, found by chromosome and position.
std::pair<size_t, size_t> rowsOf(const std::vector<SnpRow>& rows,
                                 const std::map<int, std::pair<size_t, size_t>>& spans,
                                 const Segment& segment, const std::string& list) {
  auto span = spans.find(segment.chromosome);
  if (span != spans.end()) {
    auto begin = rows.begin() + static_cast<long>(span->second.first);
    auto end = rows.begin() + static_cast<long>(span->second.second);
    auto first = std::lower_bound(begin, end, segment.first,
                                  [](const SnpRow& r, int64_t bp) { return r.bp < bp; });
    auto last = std::upper_bound(begin, end, segment.last,
                                 [](int64_t bp, const SnpRow& r) { return bp < r.bp; });
    if (first != end && first->bp == segment.first && last != begin &&
        (last - 1)->bp == segment.last) {
      return {static_cast<size_t>(first - rows.begin()),
              static_cast<size_t>(last - 1 - rows.begin())};
    }
  }
  throw ReportError(list + ": the segment at chromosome " + std::to_string(segment.chromosome) +
                    ", " + std::to_string(segment.first) + " bp is not a SNP of the run");
}

struct Minima {
  std::vector<int> patients, controls;  // lowest count per subject over the region
  int patientLevel = 1 << 30, controlLevel = 1 << 30;
};

std::vector<int> sharing(const std::vector<int>& minima, int level) {
  int threshold = std::max(1, level - 1);
  std::vector<int> who;
  for (size_t s = 0; s < minima.size(); ++s) {
    if (minima[s] >= threshold) who.push_back(static_cast<int>(s));
  }
  return who;
}

void extendRuns(std::vector<CountRun>& runs, int64_t bp, int count) {
  if (!runs.empty() && runs.back().count == count) {
    runs.back().lastBp = bp;
  } else {
    runs.push_back({bp, bp, count});
  }
}

// The islands of one list and the regions within them (rules in regions.h).
std::vector<CandidateRegion> islands(const std::vector<IndexedSegment>& segments, double highest,
                                     int comparison, const std::vector<SnpRow>& rows,
                                     const RegionInputs& in) {
  const double floorValue = in.withControls ? std::log10(2.0) : 2.0;
  const double cut = std::max(highest / 2, floorValue);
  auto standsOut = [&](const IndexedSegment& s) {
    return in.withControls ? s.value > floorValue && s.value >= cut : s.value >= cut;
  };
  auto adjacent = [&](const IndexedSegment& a, const IndexedSegment& b) {
    const SnpRow& end = rows[a.lastRow];
    const SnpRow& next = rows[b.firstRow];
    return b.firstRow == a.lastRow + 1 && end.chromosome == next.chromosome && end.inRegion &&
           next.inRegion && next.bp - end.bp < in.largeGap;
  };

  std::vector<CandidateRegion> regions;
  for (size_t i = 0; i < segments.size();) {
    if (!standsOut(segments[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j + 1 < segments.size() && standsOut(segments[j + 1]) &&
           adjacent(segments[j], segments[j + 1]))
      ++j;
    double peak = 0;
    for (size_t k = i; k <= j; ++k) peak = std::max(peak, segments[k].value);
    const double keep = in.withControls ? peak - 1 : peak;
    size_t first = j, last = i;
    for (size_t k = i; k <= j; ++k) {
      if (segments[k].value >= keep) first = std::min(first, k), last = std::max(last, k);
    }
    CandidateRegion region;
    region.firstRow = segments[first].firstRow;
    region.lastRow = segments[last].lastRow;
    region.best = peak;
    region.comparison = comparison;
    const SnpRow& a = rows[region.firstRow];
    const SnpRow& b = rows[region.lastRow];
    region.chromosome = a.chromosome;
    region.firstBp = a.bp;
    region.lastBp = b.bp;
    region.firstCm = a.cM;
    region.lastCm = b.cM;
    region.snps = static_cast<int64_t>(region.lastRow - region.firstRow + 1);
    regions.push_back(region);
    i = j + 1;
  }

  return regions;
}

// The rule a stretch must pass to become a region, in words, with the
// genome's own numbers.
std::string floorSentence(double highest, bool withControls) {
  char text[400];
  if (withControls) {
    std::snprintf(text, sizeof text,
                  "A region's -log10 p must exceed %.3f (log10 2: its patients share more often "
                  "than its controls) and reach half the genome's highest, %.3f / 2 = %.3f; at "
                  "least one patient must share it throughout.",
                  std::log10(2.0), highest, highest / 2);
  } else {
    std::snprintf(text, sizeof text,
                  "A region's fold-overlap level (patients sharing) must be at least 2 and reach "
                  "half the genome's highest, %.0f / 2 = %.1f; at least one patient must share "
                  "it throughout.",
                  highest, highest / 2);
  }
  return text;
}

// The segments of a list as rows of the summary file; raises `highest` to
// the list's highest value.
std::vector<IndexedSegment> indexedSegments(const StartEndList& list, const std::string& path,
                                            const std::vector<SnpRow>& rows,
                                            const std::map<int, std::pair<size_t, size_t>>& spans,
                                            double& highest) {
  std::vector<IndexedSegment> segments;
  for (const Segment& s : list.segments) {
    auto [first, last] = rowsOf(rows, spans, s, path);
    segments.push_back({first, last, s.value});
    highest = std::max(highest, s.value);
  }
  return segments;
}

}  // namespace

StartEndList readVelmoraList(const std::string& path) {
  try {
    return readStartEndList(path);
  } catch (const std::runtime_error& error) {
    throw ReportError(std::string("velmora's list cannot be read: ") + error.what());
  }
}

RegionResult findRegions(const RegionInputs& in) {
  RegionResult result;
  const StartEndList& list = in.source;

  // The SNPs of the analysed chromosomes, with the patients' levels.
  const CoverTable& cover = *in.cover;
  const PoolCover& patientCover = cover.pools[0];
  if (patientCover.subjects != in.patients || patientCover.level.size() != cover.rows.size())
    throw ReportError("the run did not count the patients' cover");
  std::vector<SnpRow> rows;
  rows.reserve(cover.rows.size());
  for (size_t i = 0; i < cover.rows.size(); ++i) {
    const CoverRow& r = cover.rows[i];
    rows.push_back({r.chromosome, r.bp, r.cM, r.inRegion, patientCover.level[i]});
  }
  std::map<int, std::pair<size_t, size_t>> spans;  // chromosome -> [begin, end) rows
  for (size_t i = 0; i < rows.size(); ++i) {
    auto [it, added] = spans.try_emplace(rows[i].chromosome, i, i + 1);
    if (!added) it->second.second = i + 1;
  }

  const std::vector<IndexedSegment> segments =
      indexedSegments(list, in.sourceName, rows, spans, result.highest);
  for (const Segment& s : list.segments)
    result.genome.push_back({s.chromosome, s.first, s.last, s.value});

  std::vector<CandidateRegion> regions = islands(segments, result.highest, 0, rows, in);
  result.floor = floorSentence(result.highest, in.withControls);
  if (in.withControls && in.representative) {
    const std::vector<IndexedSegment> otherSegments = indexedSegments(
        *in.representative, in.sourceName, rows, spans, result.representativeHighest);
    const double otherHighest = result.representativeHighest;
    // The genome-wide view shows the higher of the two comparisons, as the
    // regions do: both lists' segments, in genome order.
    for (const Segment& s : in.representative->segments)
      result.genome.push_back({s.chromosome, s.first, s.last, s.value});
    std::stable_sort(result.genome.begin(), result.genome.end(),
                     [](const GenomeSegment& a, const GenomeSegment& b) {
                       return a.chromosome != b.chromosome ? a.chromosome < b.chromosome
                                                           : a.firstBp < b.firstBp;
                     });
    // A region's value is the higher of the two comparisons over its SNPs.
    for (CandidateRegion& r : regions) {
      for (const IndexedSegment& o : otherSegments) {
        if (o.firstRow <= r.lastRow && r.firstRow <= o.lastRow && o.value > r.best) {
          r.best = o.value;
          r.comparison = 1;
        }
      }
    }
    // Islands of the representative comparison alone become regions too.
    for (CandidateRegion& c : islands(otherSegments, otherHighest, 1, rows, in)) {
      bool overlaps = false;
      for (const CandidateRegion& kept : regions)
        overlaps = overlaps || (c.firstRow <= kept.lastRow && kept.firstRow <= c.lastRow);
      if (!overlaps) regions.push_back(std::move(c));
    }
    // Back to genome order, which the ranking keeps among ties.
    std::sort(
        regions.begin(), regions.end(),
        [](const CandidateRegion& a, const CandidateRegion& b) { return a.firstRow < b.firstRow; });
  }

  // Views for the regions that will rank best; the order by value (then
  // length) is known before the sharing counts are.
  std::vector<size_t> byValue(regions.size());
  for (size_t i = 0; i < byValue.size(); ++i) byValue[i] = i;
  std::stable_sort(byValue.begin(), byValue.end(), [&](size_t x, size_t y) {
    if (regions[x].best != regions[y].best) return regions[x].best > regions[y].best;
    return regions[x].lastCm - regions[x].firstCm > regions[y].lastCm - regions[y].firstCm;
  });
  struct Window {
    size_t region, fromRow, toRow;
  };
  std::vector<Window> windows;
  for (size_t k = 0; k < byValue.size() && k < in.viewedRegions; ++k) {
    const CandidateRegion& r = regions[byValue[k]];
    size_t margin = std::max<size_t>(20, (r.lastRow - r.firstRow + 1) / 2);
    const auto& span = spans.at(r.chromosome);
    size_t from = r.firstRow >= span.first + margin ? r.firstRow - margin : span.first;
    size_t to = std::min(span.second - 1, r.lastRow + margin);
    windows.push_back({byValue[k], from, to});
  }

  // Per-subject minima over each region and the runs of counts over each window.
  std::vector<Minima> minima(regions.size());
  std::vector<RegionView> views(windows.size());
  auto collect = [&](bool controls, int subjects) {
    const PoolCover& pool = cover.pools[controls ? 1 : 0];
    if (pool.subjects != subjects || pool.level.size() != rows.size())
      throw ReportError(std::string("the run did not count the ") +
                        (controls ? "controls'" : "patients'") + " cover");
    for (size_t r = 0; r < regions.size(); ++r) {
      Minima& m = minima[r];
      std::vector<int>& low = controls ? m.controls : m.patients;
      low.resize(static_cast<size_t>(subjects));
      for (int s = 0; s < subjects; ++s)
        low[static_cast<size_t>(s)] = pool.lowest(s, regions[r].firstRow, regions[r].lastRow);
      int& level = controls ? m.controlLevel : m.patientLevel;
      for (size_t row = regions[r].firstRow; row <= regions[r].lastRow; ++row)
        level = std::min(level, static_cast<int>(pool.level[row]));
    }
    for (size_t w = 0; w < windows.size(); ++w) {
      auto& tracks = controls ? views[w].controls : views[w].patients;
      tracks.assign(static_cast<size_t>(subjects), {});
      for (int s = 0; s < subjects; ++s) {
        for (size_t row = windows[w].fromRow; row <= windows[w].toRow; ++row)
          extendRuns(tracks[static_cast<size_t>(s)], rows[row].bp, pool.count(s, row));
      }
    }
  };
  collect(false, in.patients);
  if (in.withControls) collect(true, in.controls);

  for (size_t r = 0; r < regions.size(); ++r) {
    CandidateRegion& region = regions[r];
    region.patients = sharing(minima[r].patients, minima[r].patientLevel);
    if (in.withControls) region.controls = sharing(minima[r].controls, minima[r].controlLevel);
    // Core and extent: how far the sharing patients' own shared stretches
    // run around the region, all of them (core) and any of them (extent).
    const int threshold = std::max(1, minima[r].patientLevel - 1);
    const auto& span = spans.at(region.chromosome);
    size_t coreFirst = region.firstRow, coreLast = region.lastRow;
    size_t extentFirst = region.firstRow, extentLast = region.lastRow;
    for (size_t k = 0; k < region.patients.size(); ++k) {
      const auto [low, high] = patientCover.reach(
          region.patients[k], region.firstRow, region.lastRow, threshold, span.first, span.second);
      coreFirst = k == 0 ? low : std::max(coreFirst, low);
      coreLast = k == 0 ? high : std::min(coreLast, high);
      extentFirst = std::min(extentFirst, low);
      extentLast = std::max(extentLast, high);
    }
    region.coreFirstBp = rows[coreFirst].bp;
    region.coreLastBp = rows[coreLast].bp;
    region.extentFirstBp = rows[extentFirst].bp;
    region.extentLastBp = rows[extentLast].bp;
  }
  for (size_t w = 0; w < windows.size(); ++w) {
    const Minima& m = minima[windows[w].region];
    views[w].fromBp = rows[windows[w].fromRow].bp;
    views[w].toBp = rows[windows[w].toRow].bp;
    views[w].patientThreshold = std::max(1, m.patientLevel - 1);
    views[w].controlThreshold = in.withControls ? std::max(1, m.controlLevel - 1) : 1;
  }

  // A region that no patient shares throughout is no candidate: it is left
  // out (and counted), with its view.
  std::vector<size_t> keptAs(regions.size(), regions.size());
  std::vector<CandidateRegion> kept;
  for (size_t r = 0; r < regions.size(); ++r) {
    if (regions[r].patients.empty()) {
      ++result.leftOutUnshared;
      continue;
    }
    keptAs[r] = kept.size();
    kept.push_back(std::move(regions[r]));
  }
  std::vector<Window> keptWindows;
  std::vector<RegionView> keptViews;
  for (size_t w = 0; w < windows.size(); ++w) {
    if (keptAs[windows[w].region] == regions.size()) continue;
    keptWindows.push_back({keptAs[windows[w].region], windows[w].fromRow, windows[w].toRow});
    keptViews.push_back(std::move(views[w]));
  }
  regions = std::move(kept);
  windows = std::move(keptWindows);
  views = std::move(keptViews);

  std::vector<size_t> order(regions.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    const CandidateRegion& a = regions[x];
    const CandidateRegion& b = regions[y];
    if (in.withControls && a.best != b.best) return a.best > b.best;
    if (a.patients.size() != b.patients.size()) return a.patients.size() > b.patients.size();
    return a.lastCm - a.firstCm > b.lastCm - b.firstCm;
  });
  std::vector<int> rankOf(regions.size());
  for (size_t k = 0; k < order.size(); ++k) {
    rankOf[order[k]] = static_cast<int>(k + 1);
    result.regions.push_back(regions[order[k]]);
    result.regions.back().rank = static_cast<int>(k + 1);
  }
  for (size_t w = 0; w < windows.size(); ++w) views[w].rank = rankOf[windows[w].region];
  std::sort(views.begin(), views.end(),
            [](const RegionView& a, const RegionView& b) { return a.rank < b.rank; });
  result.views = std::move(views);
  return result;
}

void rankByAdjustedP(RegionResult& result) {
  std::vector<CandidateRegion>& regions = result.regions;
  std::stable_sort(regions.begin(), regions.end(),
                   [](const CandidateRegion& a, const CandidateRegion& b) {
                     return a.adjustedP.value_or(2.0) < b.adjustedP.value_or(2.0);
                   });
  std::map<int, int> newRank;
  for (size_t k = 0; k < regions.size(); ++k) {
    newRank[regions[k].rank] = static_cast<int>(k + 1);
    regions[k].rank = static_cast<int>(k + 1);
  }
  for (RegionView& v : result.views) v.rank = newRank.at(v.rank);
  std::sort(result.views.begin(), result.views.end(),
            [](const RegionView& a, const RegionView& b) { return a.rank < b.rank; });
}
