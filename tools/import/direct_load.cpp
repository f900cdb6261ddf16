// The direct load: the import's reading part, then velmora's readers fed
// from memory instead of from the files the import would write.
#include "direct_load.h"

#include <cstdio>

#include "base/output.h"
#include "genome/large_gap.h"
#include "import_run.h"
#include "input_error.h"

namespace {

// The calls of a pool's samples, subject by subject: each subject's row codes
// packed four to a byte, so that a reader thread walks one short run of
// bytes instead of a byte from every row of the table.
struct SubjectColumns {
  size_t stride = 0;  // bytes per subject
  std::vector<uint8_t> packed;
};

SubjectColumns columnsOf(const SnpTable& table, const std::vector<size_t>& samples) {
  SubjectColumns columns;
  const size_t rows = table.size();
  columns.stride = (rows + 3) / 4;
  columns.packed.assign(samples.size() * columns.stride, 0);
  uint8_t* out = columns.packed.data();
  for (size_t i = 0; i < rows; ++i) {
    const uint8_t* row = table.packedCalls(i);
    const size_t byte = i / 4;
    const unsigned shift = 2 * (i % 4);
    for (size_t v = 0; v < samples.size(); ++v) {
      const size_t s = samples[v];
      const unsigned code = (row[s / 4] >> (2 * (s % 4))) & 3u;
      out[v * columns.stride + byte] =
          static_cast<uint8_t>(out[v * columns.stride + byte] | code << shift);
    }
  }
  return columns;
}

// Puts back the observer a caller had set, on every way out.
class ObserverScope {
 public:
  explicit ObserverScope(LoadObserver* mine) : earlier_(loadObserver) { loadObserver = mine; }
  ~ObserverScope() { loadObserver = earlier_; }
  ObserverScope(const ObserverScope&) = delete;
  ObserverScope& operator=(const ObserverScope&) = delete;

 private:
  LoadObserver* earlier_;
};

}  // namespace

DirectLoadFacts loadCohortDirect(const ImportOptions& options, const std::string& genotypeLabelDir,
                                 std::ostream& report) {
  // Options built by a caller rather than parsed must still name one input.
  if (options.vcf.has_value() == options.plinkPrefix.has_value()) {
    throw InputError("give exactly one input, a VCF/BCF or a PLINK prefix");
  }
  const ImportedCohort cohort = readImport(options, report);
  const SnpTable& table = cohort.table;
  const size_t patients = cohort.pools.patients.size();
  const size_t controls = cohort.pools.controls.size();
  report << "  patient pool " << patients << ", control pool " << controls << " (from "
         << cohort.pools.origin
         << "); in neither pool, and not loaded: " << cohort.samples.size() - cohort.pooled.size()
         << '\n';
  report.flush();

  // What an analysis file of the import would set, without reading one.
  settings.annotationFilePath = options.vcf ? *options.vcf : *options.plinkPrefix + ".bim";
  settings.exclusionFilePath.clear();
  settings.targetFilePath.clear();
  settings.largeGap = kLargeGapDefault;
  settings.noTgPool[enum_patients] = static_cast<int32_t>(patients);
  settings.noTgPool[enum_controls] = static_cast<int32_t>(controls);
  for (int pool : {enum_patients, enum_controls}) settings.stFile[pool].clear();
  for (size_t k = 0; k < cohort.pooled.size(); ++k) {
    settings.stFile[k < patients ? enum_patients : enum_controls].push_back(genotypeLabelDir +
                                                                            cohort.fileNames[k]);
  }

  LoadObserver observer;
  const ObserverScope scope(&observer);
  // The loading sequence of velmora (driver/loading.cpp) for files without areas.
  readAnnotationText(settings.annotationFilePath,
                     annotationText(table, cohort.xNumber, cohort.placeholder));
  genome.noRegions = setRegion("", "", genome.chrPosition[genome.lastChromosome - 1]);
  if (genome.noRegions == 0) fatal("ERROR: There are no regions to be analyzed.\n");
  std::fprintf(stderr, "Number of regions %ld\n", genome.noRegions);

  std::vector<std::string_view> rowIds;
  rowIds.reserve(table.size());
  for (size_t i = 0; i < table.size(); ++i) rowIds.push_back(table.row(i).id);
  SubjectColumns columns;  // of the pool being read
  MemoryGenotypes calls(std::move(rowIds), [&columns, &table](int, int32_t subject,
                                                              uint8_t* codes) {
    const uint8_t* packed = columns.packed.data() + static_cast<size_t>(subject) * columns.stride;
    for (size_t i = 0; i < table.size(); ++i) codes[i] = (packed[i / 4] >> (2 * (i % 4))) & 3u;
  });
  columns = columnsOf(table, cohort.pools.patients);
  readGenotypingData(enum_patients, static_cast<int>(patients), calls);
  if (controls != 0) {
    columns = columnsOf(table, cohort.pools.controls);
    readGenotypingData(enum_controls, static_cast<int>(controls), calls);
  }
  columns = SubjectColumns();

  DirectLoadFacts facts;
  facts.sourceDescription = cohort.sourceDescription;
  facts.mapDescription = cohort.mapDescription;
  facts.poolOrigin = cohort.pools.origin;
  facts.build = cohort.build;
  facts.inputSamples = cohort.samples.size();
  facts.recordsRead = cohort.recordsRead;
  facts.snpsKept = static_cast<int64_t>(table.size());
  // velmora's X: the import's unless the data have none and none was made up.
  facts.xNumber = genome.lastChromosome;
  facts.patients = static_cast<int>(patients);
  facts.controls = static_cast<int>(controls);
  for (size_t sample : cohort.pooled) facts.names.push_back(cohort.samples[sample].name);
  facts.fileNames = cohort.fileNames;
  facts.subjects = std::move(observer.subjects[enum_patients]);
  facts.subjects.insert(facts.subjects.end(), observer.subjects[enum_controls].begin(),
                        observer.subjects[enum_controls].end());
  facts.annotation = std::move(observer.annotation);
  return facts;
}
