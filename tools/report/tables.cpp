// Writing regions.tsv and pairs.tsv.
#include "tables.h"

#include <cstdio>

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out.push_back(',');
    out.append(item);
  }
  return out.empty() ? "-" : out;
}

}  // namespace

std::string sampleNameOf(const ReportData& data, int pool, int number) {
  const std::vector<std::string>& names = pool == 0 ? data.patientNames : data.controlNames;
  if (number >= 1 && static_cast<size_t>(number) <= names.size())
    return names[static_cast<size_t>(number - 1)];
  return "?";
}

std::string regionsTable(const ReportData& data) {
  std::string out =
      "rank\tchrom\tstart_bp\tend_bp\tstart_cM\tend_cM\tlength_cM\tsnps\tpatients_"
      "sharing\tpatients\t"
      "controls_sharing\tminus_log10_p\tcomparison\tadjusted_p\tgenes\tcore_start_bp\t"
      "core_end_bp\textent_start_bp\textent_end_bp\tcore_genes\ttolerated_discordant\n";
  for (size_t i = 0; i < data.regions.regions.size(); ++i) {
    const CandidateRegion& r = data.regions.regions[i];
    std::vector<std::string> patients;
    for (int p : r.patients) patients.push_back(data.patientNames[static_cast<size_t>(p)]);
    std::vector<std::string> genes, coreGenes;
    for (size_t k = 0; k < data.regionGenes[i].size(); ++k) {
      genes.push_back(data.regionGenes[i][k]->name);
      if (data.regionCoreGenes[i][k]) coreGenes.push_back(data.regionGenes[i][k]->name);
    }
    out += std::to_string(r.rank) + "\t" + std::to_string(r.chromosome) + "\t" +
           std::to_string(r.firstBp) + "\t" + std::to_string(r.lastBp) + "\t" +
           fixed(r.firstCm, 6) + "\t" + fixed(r.lastCm, 6) + "\t" + fixed(r.lastCm - r.firstCm, 6) +
           "\t" + std::to_string(r.snps) + "\t" + std::to_string(r.patients.size()) + "\t" +
           joined(patients) + "\t" + (r.controls ? std::to_string(r.controls->size()) : "NA") +
           "\t" + (data.withControls() ? fixed(r.best, 6) : "NA") + "\t" +
           (data.withControls() ? (r.comparison == 0 ? "pools" : "representative") : "NA") + "\t" +
           (r.adjustedP ? fixed(*r.adjustedP, 6) : "NA") + "\t" +
           (data.genes ? joined(genes) : "NA") + "\t" + std::to_string(r.coreFirstBp) + "\t" +
           std::to_string(r.coreLastBp) + "\t" + std::to_string(r.extentFirstBp) + "\t" +
           std::to_string(r.extentLastBp) + "\t" + (data.genes ? joined(coreGenes) : "NA") + "\t" +
           (data.options.sharing.strict() ? "NA" : std::to_string(r.tolerated)) + "\n";
  }
  return out;
}

std::string pairsTable(const ReportData& data) {
  std::string out =
      "pool\tsubject1\tsubject2\tsample1\tsample2\tcutoff_cM\tcM_conserved\tratio\tsnps_subject1\t"
      "snps_subject2\ttype_a_fp\ttype_b_fp\n";
  for (const PairRow& row : data.pairs) {
    out += std::string(row.pool == 0 ? "patients" : "controls") + "\t" + std::to_string(row.first) +
           "\t" + std::to_string(row.second) + "\t" + sampleNameOf(data, row.pool, row.first) +
           "\t" + sampleNameOf(data, row.pool, row.second) + "\t" + row.cutoff + "\t" +
           row.cMConserved + "\t" + row.ratio + "\t" + row.snpsFirst + "\t" + row.snpsSecond +
           "\t" + row.typeA + "\t" + row.typeB + "\n";
  }
  return out;
}
