// The core's entry points over the driver's phases.
#include "core/velmora_core.h"

#include "driver/analysis_file.h"
#include "driver/run_inputs.h"
#include "driver/run_phases.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "query/query.h"

namespace core {

void loadAnalysisCohort(const std::string& analysisFile) {
  loadRunInputs(analysisFile);
}

CohortFacts loadedCohortFacts() {
  CohortFacts facts;
  facts.xNumber = genome.lastChromosome;
  facts.snps = static_cast<int64_t>(genome.sumSNP.size());
  facts.annotationFile = settings.annotationFilePath;
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotEmpty(k)) continue;
    const SNPRecord& first = genome.sumSNP[static_cast<size_t>(slotBegin(k))];
    const SNPRecord& last = genome.sumSNP[static_cast<size_t>(slotEnd(k) - 1)];
    facts.autosomes.push_back({k + 1, first.position, last.position, first.genetMap, last.genetMap,
                               slotEnd(k) - slotBegin(k)});
  }
  return facts;
}

void runLoadedAnalysis(const std::string& outputDirectory, double cutoffCm, RunListener* listener,
                       std::FILE* queryAnswers, bool allFiles) {
  struct Detach {
    ~Detach() {
      runListener = nullptr;
      ::queryAnswers = nullptr;
      settings.allFiles = true;
    }
  } detach;
  settings.allFiles = allFiles;
  runListener = listener;
  ::queryAnswers = queryAnswers;
  useOutputDirectory(outputDirectory);
  settings.threshold = cutoffCm;
  std::fprintf(stderr, "Cutoff is %.2f cM\n", settings.threshold);
  beginLoadedRun();
  runAnalysisPhases();
}

PooledCohortPtr pooledCohortOfLoaded(double cutoffCm, int threads, const PoolingChoice& choice) {
  return buildPooledCohort(cutoffCm, threads, choice);
}

void unloadCohort() {
  resetModel();
}

}  // namespace core
