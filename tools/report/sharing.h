// The report's own sharing analysis on the loaded cohort, under a rule that
// passes isolated opposite homozygotes over as genotyping errors: every pair
// of the pooled cohort compared once, every subject's cover and each pool's
// level per SNP (the cover table velmora's strict run would otherwise give),
// and the lists velmora would write from them: the level list, and with
// controls both p-value lists. The pooled cohort is kept for the
// relabellings (with controls) or the null genomes (patients alone).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/velmora_core.h"
#include "cover_table.h"
#include "hh/kernel.h"
#include "regions.h"
#include "start_end_list.h"
#include "stats/permutation.h"

// Default tolerance of the report, chosen on generated cohorts with 0 to 1 %
// genotyping error (bench/RESULTS.md): one opposite homozygote within
// kDefaultToleranceWindow SNPs either side.
constexpr int kDefaultToleranceWindow = 20;
constexpr SharingRule kDefaultSharingRule{1, kDefaultToleranceWindow};

// Where SNPs are sparser than this (per cM, over the analysed autosomes) the
// default is velmora's strict rule: a stretch then holds few SNPs, an error
// rarely falls in it, and a window of W SNPs spans centimetres of map where
// unrelated subjects' real differences would be passed over.
constexpr double kTolerantFromSnpsPerCm = 50;

// The rule for a run that names none, by the SNPs' density over the analysed
// autosomes (above); `reason` gets why, as " (chosen: ...)".
SharingRule defaultSharingRule(const std::vector<core::ChromosomeSpan>& autosomes,
                               std::string* reason);

// The rule in words, for the page, the terminal and regions.tsv's users.
std::string sharingRuleText(const SharingRule& rule);

struct SharingAnalysis {
  PooledCohortPtr cohort;
  StartEndList source;          // levels without controls, p-values (pools' levels) with
  StartEndList representative;  // with controls: p-values using the representative HH
};

// Builds the pooled cohort of the loaded tables under `rule` (patients alone
// when there are no controls; the pairs across pools only for
// `relabellings`) on `threads` threads, fills `cover` (started here) and
// forms the lists. Throws ReportError.
SharingAnalysis analyseSharing(double cutoffCm, const SharingRule& rule, int threads,
                               bool withControls, bool relabellings, CoverTable& cover);

// Opposite homozygotes inside `region` between two of its sharing patients
// whose shared stretch holds the whole region under the cohort's rule: the
// discordant calls the rule passed over there.
int64_t toleratedInRegion(const PooledCohort& cohort, const CandidateRegion& region);
