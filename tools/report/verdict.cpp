// The one sentence of a report's finding.
#include "verdict.h"

#include <cstdio>

namespace {

constexpr double kGenomeWide = 0.05;  // adjusted p at or below which a region is a finding

std::string where(const CandidateRegion& r) {
  char text[160];
  std::snprintf(text, sizeof text, "chromosome %d, %.2f-%.2f Mb", r.chromosome,
                static_cast<double>(r.firstBp) / 1e6, static_cast<double>(r.lastBp) / 1e6);
  return text;
}

}  // namespace

std::string verdictSentence(const ReportData& data) {
  const std::vector<CandidateRegion>& regions = data.regions.regions;
  std::string leftOut;
  if (data.regions.leftOutUnshared > 0) {
    leftOut = " (" + std::to_string(data.regions.leftOutUnshared) +
              " stretch(es) past the floor that no patient shares throughout were left out)";
  }
  if (regions.empty()) {
    return "No candidate region: no stretch passes the floor and is shared by a patient" + leftOut +
           ".";
  }
  if (!data.permutations) {
    return data.withControls()
               ? "No genome-wide adjusted p was computed, so no region can be called a finding: "
                 "run again with --permutations N (1000 is a good start)" +
                     leftOut + "."
               : "Without controls and without --permutations the regions are ranked by patients "
                 "sharing and length, with no genome-wide adjusted p: run again with "
                 "--permutations N (200 null genomes are a good start)" +
                     leftOut + ".";
  }
  const CandidateRegion* best = nullptr;
  int reaching = 0;
  for (const CandidateRegion& r : regions) {
    if (!r.adjustedP) continue;
    if (best == nullptr || *r.adjustedP < *best->adjustedP) best = &r;
    if (*r.adjustedP <= kGenomeWide) ++reaching;
  }
  char p[32];
  std::snprintf(p, sizeof p, "%.3g", best != nullptr ? *best->adjustedP : 1.0);
  if (reaching == 0) {
    return "No region reaches genome-wide significance (smallest adjusted p = " + std::string(p) +
           ")" + leftOut + ".";
  }
  return std::to_string(reaching) + (reaching == 1 ? " region reaches" : " regions reach") +
         " genome-wide significance (adjusted p <= 0.05); the best is at " + where(*best) +
         " (adjusted p = " + p + ")" + leftOut + ".";
}
