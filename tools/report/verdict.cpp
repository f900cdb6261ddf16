// The one sentence of a report's finding.
#include "verdict.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kGenomeWide = 0.05;  // adjusted p at or below which a region is a finding

// chrN:start–end Mb (length cM), X by its name.
std::string where(const CandidateRegion& r, int xNumber) {
  const std::string chromosome =
      r.chromosome == xNumber ? std::string("X") : std::to_string(r.chromosome);
  char text[160];
  std::snprintf(text, sizeof text, "chr%s:%.2f\u2013%.2f Mb (%.1f cM)", chromosome.c_str(),
                static_cast<double>(r.firstBp) / 1e6, static_cast<double>(r.lastBp) / 1e6,
                r.lastCm - r.firstCm);
  return text;
}

std::string shortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

}  // namespace

bool reachesGenomeWide(const CandidateRegion& region) {
  return region.adjustedP && *region.adjustedP <= kGenomeWide;
}

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
  int reaching = 0;
  double smallest = 2;
  for (const CandidateRegion& r : regions) {
    if (!r.adjustedP) continue;
    smallest = std::min(smallest, *r.adjustedP);
    if (reachesGenomeWide(r)) ++reaching;
  }
  if (data.permutations && reaching == 0) {
    return "No region reaches genome-wide significance (smallest adjusted p = " +
           shortNumber(smallest) + ")" + leftOut + ".";
  }
  // The best region is rank 1: by adjusted p where there is one, else by
  // −log10 p (with controls) or patients sharing.
  const CandidateRegion& best = regions.front();
  std::string text = "Best candidate: " + where(best, data.preflight.xNumber) + ", shared by " +
                     std::to_string(best.patients.size()) + " of " +
                     std::to_string(data.patientNames.size()) + " patients";
  if (best.controls) {
    text += " and " + std::to_string(best.controls->size()) + " of " +
            std::to_string(data.controlNames.size()) + " controls";
  }
  if (best.adjustedP) {
    text += "; genome-wide adjusted p = " + shortNumber(*best.adjustedP);
  } else {
    text += "; genome-wide adjusted p not computed (run again with --permutations N";
    text +=
        data.withControls() ? ", 1000 is a good start)" : ", 200 null genomes are a good start)";
  }
  if (!data.genes) {
    text += "; no gene set (--genes)";
  } else if (!data.regionGenes.empty()) {
    const size_t genes = data.regionGenes.front().size();
    text += "; " + std::to_string(genes) + (genes == 1 ? " gene" : " genes");
  }
  if (reaching > 1) {
    text += "; " + std::to_string(reaching) + " regions reach adjusted p <= 0.05";
  }
  return text + leftOut + ".";
}
