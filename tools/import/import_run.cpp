// The import from input to velmora's files.
#include "import_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "base/lines.h"
#include "base/map_units.h"
#include "driver/analysis_file.h"
#include "genetic_map.h"
#include "input_error.h"
#include "output_directory.h"
#include "plink_source.h"
#include "pools.h"
#include "progress.h"
#include "snp_reading.h"
#include "snp_table.h"
#include "vcf_source.h"
#include "velmora_files.h"
#include "x_chromosome.h"

namespace {

// Room an annotation line needs besides its identifier: chromosome, bp,
// frequency and cM with their tabs stay far below this.
constexpr size_t kAnnotationNumbersRoom = 100;

MapSource chooseMap(const ImportOptions& options, const VariantSource& source) {
  MapUnits units = options.mapUnits.value_or(MapUnits::centimorgans);
  if (!options.mapFiles.empty()) {
    return MapSource::fromFiles(options.mapFiles, options.autosomeCount, units);
  }
  if (options.cMPerMb) return MapSource::uniform(*options.cMPerMb);
  if (source.hasMapColumn()) return MapSource::fromInputColumn(units);
  throw InputError(std::string(options.plinkPrefix ? "the .bim cM column is all 0, so there is "
                                                   : "a VCF carries ") +
                   "no genetic map, and velmora measures conserved regions in cM: give a map with "
                   "--map FILE, or --cm-per-mb RATE to approximate one from bp positions");
}

// Refuses a map whose values rise by far less per Mb than any human map
// (looksLikeMorgans): Morgans taken for cM would make every RCHH a hundredth
// as long. The density, not the rise, is compared, so that data of a few
// chromosomes are caught as well as a genome.
void refuseMorgans(const SnpTable& table, const ImportOptions& options, const MapSource& map) {
  if (options.mapUnits || map.origin() == MapOrigin::uniformRate) return;
  struct Extent {
    int64_t firstBp = 0, lastBp = 0;
    double firstCM = 0, lastCM = 0;
    bool seen = false;
  };
  std::map<int, Extent> extents;
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    Extent& e = extents[row.chromosome.sortKey()];
    if (!e.seen) {
      e = Extent{row.position, row.position, row.cM, row.cM, true};
    }
    e.lastBp = row.position;
    e.lastCM = row.cM;
  }
  std::vector<MapStretch> stretches;
  for (const auto& [key, e] : extents)
    stretches.push_back({e.firstBp, e.lastBp, e.firstCM, e.lastCM});
  if (!looksLikeMorgans(stretches)) return;
  // The longest chromosome serves as the example.
  std::string example;
  int64_t longest = -1;
  for (const auto& [key, e] : extents) {
    if (e.lastBp - e.firstBp <= longest) continue;
    longest = e.lastBp - e.firstBp;
    double mb = static_cast<double>(longest) / 1e6;
    char text[200];
    std::snprintf(text, sizeof text, "chromosome %s rises by %.4g over %.1f Mb, %.3g per Mb",
                  key == INT_MAX ? "X" : std::to_string(key).c_str(), e.lastCM - e.firstCM, mb,
                  (e.lastCM - e.firstCM) / mb);
    example = text;
  }
  throw InputError("the genetic map looks like Morgans, not cM (" + example +
                   "; human maps rise by about 0.5 to 3 cM per Mb): run again with --map-units "
                   "morgans to multiply it by 100, or with --map-units cm if it really is in cM");
}

// A map of another genome build leaves SNPs beyond its ends, whose cM it
// clamps to the ends: a few are usual (the map's first and last points lie
// inside the chromosome), many make every RCHH there a stretch of 0 cM. The
// share is reported; above 1 % as a warning, above half as a refusal unless
// told to go on.
void refuseAMapOfAnotherBuild(const SnpTable& table, const MapSource& map,
                              const ImportOptions& options, std::ostream& report) {
  if (map.origin() != MapOrigin::mapFile || table.size() == 0) return;
  int64_t outside = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    if (map.clamped(row.chromosome, row.position)) ++outside;
  }
  const double share = 100.0 * static_cast<double>(outside) / static_cast<double>(table.size());
  char percent[32];
  std::snprintf(percent, sizeof percent, "%.1f %%", share);
  if (outside == 0) return;
  const std::string counted =
      std::to_string(outside) + " of " + std::to_string(table.size()) + " SNPs (" + percent + ")";
  if (share > 50 && !options.allowOutsideMap) {
    throw InputError(counted +
                     " lie outside the genetic map's range, where their cM would be clamped to "
                     "its ends: is the map for another genome build than the data? Give a map "
                     "of the data's build, or run again with --allow-outside-map");
  }
  report << (share > 1 ? "  WARNING: " : "  ") << counted
         << " lie outside the genetic map's range; their cM is clamped to its ends"
         << (share > 1 ? " (a map of another genome build?)" : "") << '\n';
}

// velmora's limits on what an import writes, checked before anything is.
void checkVelmoraLimits(const SnpTable& table, const Pools& pools) {
  if (pools.patients.size() > static_cast<size_t>(kMaxPatients)) {
    throw InputError("the patient pool holds " + std::to_string(pools.patients.size()) +
                     " samples; velmora takes at most " + std::to_string(kMaxPatients) +
                     ": name fewer with --patients");
  }
  if (pools.controls.size() > static_cast<size_t>(kMaxControls)) {
    throw InputError("the control pool holds " + std::to_string(pools.controls.size()) +
                     " samples; velmora takes at most " + std::to_string(kMaxControls) +
                     ": name fewer with --controls");
  }
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    if (row.id.size() + kAnnotationNumbersRoom >= static_cast<size_t>(kLineLimit)) {
      throw InputError("the identifier of the SNP at " + chromosomeLabel(row.chromosome) + ":" +
                       std::to_string(row.position) + " has " + std::to_string(row.id.size()) +
                       " characters; velmora reads lines of fewer than " +
                       std::to_string(kLineLimit) + " characters");
    }
  }
}

// Data numbered 1..23..26 without X: PLINK's codes for X, Y, XY and MT read
// as autosomes would analyse Y and MT as autosomes.
void refusePlinkCodesAsAutosomes(const ChromosomeCounts& counts, const ImportOptions& options) {
  if (options.autosomeCount || counts.x > 0 || counts.autosomes.empty()) return;
  int highest = counts.autosomes.rbegin()->first;
  if (highest < 23 || highest > 26 || counts.autosomes.count(22) == 0) return;
  throw InputError("the data number chromosomes up to " + std::to_string(highest) +
                   " and hold no X: 23 to 26 are likely PLINK's codes for X, Y, XY and MT. Run "
                   "again with --autosomes 22 (23 X, 24 Y, 25 XY, 26 MT)");
}

// A sample as a message names it: its place in the input, and for PLINK its
// two IDs.
std::string sampleWords(const std::vector<SampleInfo>& samples, size_t index) {
  const SampleInfo& sample = samples[index];
  std::string words = "sample " + std::to_string(index + 1);
  if (!sample.familyId.empty()) {
    words += " (family '" + sample.familyId + "', individual '" + sample.individualId + "')";
  }
  return words;
}

// velmora names a subject by its genotyping file: two pooled samples of one
// name would be written to two files of which neither tells which sample it
// holds (the second would get a made-up suffix).
void refuseRepeatedNames(const std::vector<SampleInfo>& samples, const Pools& pools) {
  std::map<std::string, size_t> firstOf;
  for (const std::vector<size_t>* pool : {&pools.patients, &pools.controls}) {
    for (size_t sample : *pool) {
      auto [first, fresh] = firstOf.emplace(samples[sample].name, sample);
      if (!fresh) {
        size_t a = std::min(first->second, sample);
        size_t b = std::max(first->second, sample);
        throw InputError(sampleWords(samples, a) + " and " + sampleWords(samples, b) +
                         " of the input are both named '" + samples[sample].name +
                         "', so their genotyping files could not be told apart: give each sample "
                         "a name of its own, or leave one out of the pools");
      }
    }
  }
}

// Comment text for the analysis file: one line, printable.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

std::vector<std::string> pathsOf(const std::vector<size_t>& members, size_t firstName,
                                 const std::string& directory,
                                 const std::vector<std::string>& fileNames) {
  std::vector<std::string> paths;
  for (size_t k = 0; k < members.size(); ++k) paths.push_back(directory + fileNames[firstName + k]);
  return paths;
}

}  // namespace

ImportedCohort readImport(const ImportOptions& options, std::ostream& report) {
  std::unique_ptr<VariantSource> source =
      options.vcf ? openVcf(*options.vcf) : openPlink(*options.plinkPrefix);
  MapSource map = chooseMap(options, *source);
  ImportedCohort cohort;
  cohort.samples = source->samples();
  const std::vector<SampleInfo>& samples = cohort.samples;
  cohort.pools =
      assignPools(samples, source->hasPhenotypes(), options.patientList, options.controlList);
  const Pools& pools = cohort.pools;
  refuseRepeatedNames(samples, pools);

  cohort.sourceDescription = source->describe();
  cohort.mapDescription = map.describe();
  report << "velmora-import: " << cohort.sourceDescription << ", " << samples.size() << " samples\n"
         << "  genetic map: " << cohort.mapDescription << '\n';
  for (const std::string& layout : map.layouts()) report << "    " << layout << '\n';
  cohort.build = source->genomeBuild();
  report << "  genome build: " << cohort.build.value_or("not told by the input") << '\n';

  cohort.table = SnpTable(samples.size());
  SnpTable& table = cohort.table;
  SkipTally tally;
  cohort.recordsRead = readSnps(*source, map, options.autosomeCount, table, tally);
  table.finalize(tally);

  report << "  records read " << cohort.recordsRead << ", SNPs kept " << table.size() << '\n';
  tally.report(report);
  if (table.generatedIds() > 0) {
    report << "  identifiers generated as chr<chromosome>:<bp> where the input had none: "
           << table.generatedIds() << '\n';
  }
  if (table.raisedMaps() > 0) {
    report << "  map values raised to " << kSmallestCM
           << " cM, as velmora needs them above 0: " << table.raisedMaps() << '\n';
  }
  refuseAMapOfAnotherBuild(table, map, options, report);
  ChromosomeCounts counts = countChromosomes(table);
  if (counts.autosomes.empty()) {
    throw InputError("no autosomal SNP is left to write (see the counts above)");
  }
  refusePlinkCodesAsAutosomes(counts, options);
  refuseMorgans(table, options, map);
  checkVelmoraLimits(table, pools);
  cohort.xNumber = counts.autosomes.rbegin()->first + 1;
  reportChromosomes(counts, cohort.xNumber, report);
  cohort.placeholder = settleX(counts, options.missingX, table, report);

  // Only pooled samples get a genotyping file: patients first, then controls.
  cohort.pooled = pools.patients;
  cohort.pooled.insert(cohort.pooled.end(), pools.controls.begin(), pools.controls.end());
  std::vector<std::string> pooledNames;
  for (size_t sample : cohort.pooled) pooledNames.push_back(samples[sample].name);
  cohort.fileNames = genotypeFileNames(pooledNames);
  return cohort;
}

void runImport(const ImportOptions& options, std::ostream& report) {
  const ImportedCohort cohort = readImport(options, report);
  const SnpTable& table = cohort.table;
  const Pools& pools = cohort.pools;
  const std::vector<std::string>& fileNames = cohort.fileNames;

  OutputDirectory out(options.outDirectory);
  const std::string& work = out.workPath();
  std::filesystem::create_directory(work + "genotypes");
  std::filesystem::create_directory(work + "results");
  writeAnnotation(work + "annotation.txt", table, cohort.xNumber, cohort.placeholder);
  {
    Progress progress("genotyping files written", 1000);
    writeGenotypeFiles(work + "genotypes/", table, cohort.pooled, fileNames,
                       [&progress](size_t done) { progress.update(static_cast<int64_t>(done)); });
  }
  const std::string& final = out.finalPath();
  AnalysisFileContent analysis;
  analysis.comments = {oneLine(std::string(kImportMark + 2) + " from " + cohort.sourceDescription),
                       oneLine("genetic map: " + cohort.mapDescription),
                       oneLine("pools from " + pools.origin)};
  if (cohort.build) analysis.comments.push_back(oneLine("genome build " + *cohort.build));
  analysis.annotation = final + "annotation.txt";
  analysis.patients = pathsOf(pools.patients, 0, final + "genotypes/", fileNames);
  analysis.controls =
      pathsOf(pools.controls, pools.patients.size(), final + "genotypes/", fileNames);
  analysis.outputDirectory = final + "results/";
  writeAnalysisFile(work + "analysis.txt", analysis);
  bool keptResults = out.install();

  report << "  patient pool " << pools.patients.size() << ", control pool " << pools.controls.size()
         << " (from " << pools.origin << "); in neither pool, and not "
         << "written: " << cohort.samples.size() - cohort.pooled.size() << '\n'
         << "Wrote " << final << "annotation.txt, " << fileNames.size() << " genotyping files in "
         << final << "genotypes/ and " << final << "analysis.txt\n";
  if (keptResults) report << "  the earlier import's " << final << "results/ is kept\n";
  report << "Next: velmora-report " << final << "analysis.txt --cutoff 2 --out " << final
         << "report --permutations 200  (then open " << final << "report/report.html)\n";
}
