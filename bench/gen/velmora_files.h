// Writers of the cohort in velmora's own input formats: the annotation, one
// genotyping file per subject, the two analysis files and a description of
// the cohort for the benchmark runner.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cohort.h"
#include "panel.h"

namespace benchgen {

void writeAnnotation(const Panel& panel, const std::string& path);

// The orders in which genotyping files list the SNPs: a chip exports in an
// order of its own, not in genome order, and the two layouts differ.
struct LineOrders {
  std::vector<std::uint32_t> layoutA;
  std::vector<std::uint32_t> layoutB;
};
LineOrders makeLineOrders(std::size_t snpCount, std::uint64_t seed);

void writeGenotypeFile(const Panel& panel, const Subject& subject,
                       const std::vector<std::uint8_t>& calls, const LineOrders& orders,
                       std::uint64_t seed, const std::string& path);

// analysis_two_pools.txt and analysis_patients_only.txt in dir (an absolute
// path), with output directories out_two_pools/ and out_patients_only/.
void writeAnalysisFiles(const Cohort& cohort, const std::string& dir);

// cohort.info: "key<TAB>value" lines describing what was generated.
void writeInfo(const Panel& panel, const Cohort& cohort, std::uint64_t seed, double noCallShare,
               const std::string& path);

}  // namespace benchgen
