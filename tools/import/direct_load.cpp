// The direct load: the import's reading part, then velmora's readers fed
// from memory instead of from the files the import would write.
#include "direct_load.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/output.h"
#include "genome/large_gap.h"
#include "import_run.h"
#include "input_error.h"

namespace {

// Where a pool's row of calls, four subjects a byte, finds each byte in a
// table row. Four samples in a row make one byte, read at a shift unless
// they start a table byte; bytes of such samples in a row make a run, one
// copy when unshifted (pools that follow the .fam order). Other bytes take
// their calls one by one.
class PoolRow {
 public:
  PoolRow(const std::vector<size_t>& samples, size_t subjects) {
    for (size_t v = 0; v < subjects; v += 4) {
      const size_t first = samples[v];
      bool consecutive = subjects - v >= 4;
      for (size_t k = 1; k < 4 && consecutive; ++k) consecutive = samples[v + k] == first + k;
      if (!consecutive) {
        Scattered piece;
        piece.out = v / 4;
        piece.lanes = static_cast<unsigned>(std::min<size_t>(4, subjects - v));
        for (unsigned k = 0; k < piece.lanes; ++k) piece.sample[k] = samples[v + k];
        scattered_.push_back(piece);
        continue;
      }
      const Run next{v / 4, first / 4, static_cast<unsigned>(2 * (first % 4)), 1};
      if (!runs_.empty()) {
        Run& last = runs_.back();
        if (last.out + last.bytes == next.out && last.from + last.bytes == next.from &&
            last.shift == next.shift) {
          ++last.bytes;
          continue;
        }
      }
      runs_.push_back(next);
    }
  }

  void gather(const uint8_t* row, uint8_t* out) const {
    for (const Run& run : runs_) {
      if (run.shift == 0) {
        std::memcpy(out + run.out, row + run.from, run.bytes);
        continue;
      }
      // The fourth sample of each byte lies in the next table byte, which
      // therefore exists.
      for (size_t j = 0; j < run.bytes; ++j) {
        const unsigned two = row[run.from + j] | static_cast<unsigned>(row[run.from + j + 1]) << 8;
        out[run.out + j] = static_cast<uint8_t>(two >> run.shift);
      }
    }
    for (const Scattered& piece : scattered_) {
      unsigned byte = 0;
      for (unsigned k = 0; k < piece.lanes; ++k) {
        const size_t s = piece.sample[k];
        byte |= ((row[s / 4] >> (2 * (s % 4))) & 3u) << (2 * k);
      }
      out[piece.out] = static_cast<uint8_t>(byte);
    }
  }

 private:
  struct Run {
    size_t out;      // first byte of the pool's row
    size_t from;     // first byte of the table row
    unsigned shift;  // bits of the table bytes before the run's first sample
    size_t bytes;
  };
  struct Scattered {
    size_t out = 0;
    size_t sample[4] = {0, 0, 0, 0};
    unsigned lanes = 0;
  };
  std::vector<Run> runs_;
  std::vector<Scattered> scattered_;
};

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
  const auto samplesOf = [&cohort](int pool) -> const std::vector<size_t>& {
    return pool == enum_patients ? cohort.pools.patients : cohort.pools.controls;
  };
  MemoryGenotypes calls(
      std::move(rowIds),
      [&table, &samplesOf](int pool, int32_t subject, uint8_t* codes) {
        const size_t sample = samplesOf(pool)[static_cast<size_t>(subject)];
        for (size_t i = 0; i < table.size(); ++i)
          codes[i] = static_cast<uint8_t>(table.call(i, sample));
      },
      [&table, &samplesOf](int pool, int32_t subjects, size_t first, size_t count, uint8_t* out,
                           size_t stride) {
        const PoolRow pieces(samplesOf(pool), static_cast<size_t>(subjects));
        for (size_t r = 0; r < count; ++r)
          pieces.gather(table.packedCalls(first + r), out + r * stride);
      });
  readGenotypingData(enum_patients, static_cast<int>(patients), calls);
  if (controls != 0) readGenotypingData(enum_controls, static_cast<int>(controls), calls);

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
