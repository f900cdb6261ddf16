// What a run found, in one sentence for the terminal and the top of the
// page: whether any region reaches genome-wide significance, or why none
// can be said to.
#pragma once
#include <string>

#include "report_data.h"

// Needs the regions ranked and, with --permutations, their adjusted p.
std::string verdictSentence(const ReportData& data);
