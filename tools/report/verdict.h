// What a run found, in one sentence for the terminal and the top of the
// page: the best candidate (where, how many patients and controls share it,
// its genome-wide adjusted p, its genes), or that no region reaches
// genome-wide significance.
#pragma once
#include <string>

#include "report_data.h"

// Whether a region is a finding: its adjusted p is at most 0.05.
bool reachesGenomeWide(const CandidateRegion& region);

// Needs the regions ranked and, with --permutations, their adjusted p.
std::string verdictSentence(const ReportData& data);
