// The import from input to velmora's files.
#include "import_run.h"

#include <filesystem>
#include <memory>

#include "genetic_map.h"
#include "input_error.h"
#include "plink_source.h"
#include "pools.h"
#include "progress.h"
#include "snp_reading.h"
#include "snp_table.h"
#include "vcf_source.h"
#include "velmora_files.h"
#include "x_chromosome.h"

namespace fs = std::filesystem;

namespace {

// velmora formats its output names into 1000-byte buffers, with the output
// directory as prefix; keep well clear of that.
constexpr size_t kLongestDirectoryPath = 800;

struct OutputPaths {
  std::string directory;  // absolute, ending in '/'
  std::string annotation;
  std::string genotypes;  // ending in '/'
  std::string analysis;
  std::string results;    // ending in '/'
};

OutputPaths outputPaths(const std::string& requested) {
  std::string base = fs::absolute(requested).lexically_normal().string();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base.find_first_of("\n\r") != std::string::npos) {
    throw InputError("the output directory's path holds a line break, which an analysis file cannot carry");
  }
  if (base.size() > kLongestDirectoryPath) {
    throw InputError("the output directory's path is longer than " +
                     std::to_string(kLongestDirectoryPath) + " characters, too long for velmora's file names");
  }
  std::error_code error;
  if (fs::exists(base, error) && !fs::is_directory(base, error)) {
    throw InputError("--out " + requested + " is a file, not a directory");
  }
  if (base != "/") base += '/';
  return OutputPaths{base, base + "annotation.txt", base + "genotypes/", base + "analysis.txt",
                     base + "results/"};
}

void createDirectory(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error || !fs::is_directory(path)) throw InputError("cannot create directory " + path);
}

MapSource chooseMap(const ImportOptions& options, const VariantSource& source) {
  if (options.mapFile) return MapSource::fromFile(*options.mapFile, options.autosomeCount);
  if (options.cMPerMb) return MapSource::uniform(*options.cMPerMb);
  if (source.hasMapColumn()) return MapSource::fromInputColumn();
  throw InputError(std::string(options.plinkPrefix ? "the .bim cM column is all 0, so there is "
                                                   : "a VCF carries ") +
                   "no genetic map, and velmora measures conserved regions in cM: give a map with "
                   "--map FILE (chromosome, bp position, cM), or --cm-per-mb RATE to approximate "
                   "one from bp positions");
}

std::vector<std::string> pathsOf(const std::vector<size_t>& members, const std::string& directory,
                                 const std::vector<std::string>& fileNames) {
  std::vector<std::string> paths;
  for (size_t sample : members) paths.push_back(directory + fileNames[sample]);
  return paths;
}

}  // namespace

void runImport(const ImportOptions& options, std::ostream& report) {
  OutputPaths paths = outputPaths(options.outDirectory);
  std::unique_ptr<VariantSource> source = options.vcf ? openVcf(*options.vcf) : openPlink(*options.plinkPrefix);
  MapSource map = chooseMap(options, *source);
  const std::vector<SampleInfo>& samples = source->samples();
  Pools pools = assignPools(samples, source->hasPhenotypes(), options.patientList, options.controlList);

  report << "velmora-import: " << source->describe() << ", " << samples.size() << " samples\n"
         << "  genetic map: " << map.describe() << '\n';
  SnpTable table(samples.size());
  SkipTally tally;
  int64_t records = readSnps(*source, map, options.autosomeCount, table, tally);
  table.finalize(tally);

  report << "  records read " << records << ", SNPs kept " << table.size() << '\n';
  tally.report(report);
  if (table.generatedIds() > 0) {
    report << "  identifiers generated as chr<chromosome>:<bp> where the input had none: "
           << table.generatedIds() << '\n';
  }
  if (table.raisedMaps() > 0) {
    report << "  map values raised to " << kSmallestCM << " cM, as velmora needs them above 0: "
           << table.raisedMaps() << '\n';
  }
  ChromosomeCounts counts = countChromosomes(table);
  if (counts.autosomes.empty()) {
    throw InputError("no autosomal SNP is left to write (see the counts above)");
  }
  int xNumber = counts.autosomes.rbegin()->first + 1;
  reportChromosomes(counts, xNumber, report);
  std::optional<XPlaceholder> placeholder = settleX(counts, options.missingX, table, report);

  createDirectory(paths.genotypes);
  createDirectory(paths.results);
  std::vector<std::string> fileNames = genotypeFileNames(samples);
  writeAnnotation(paths.annotation, table, xNumber, placeholder);
  {
    Progress progress("genotyping files written", 1000);
    writeGenotypeFiles(paths.genotypes, table, fileNames,
                       [&progress](size_t done) { progress.update(static_cast<int64_t>(done)); });
  }
  AnalysisFile analysis;
  analysis.comments = {"written by velmora-import from " + source->describe(),
                       "genetic map: " + map.describe(), "pools from " + pools.origin};
  analysis.annotation = paths.annotation;
  analysis.patients = pathsOf(pools.patients, paths.genotypes, fileNames);
  analysis.controls = pathsOf(pools.controls, paths.genotypes, fileNames);
  analysis.outputDirectory = paths.results;
  writeAnalysisFile(paths.analysis, analysis);

  size_t pooled = pools.patients.size() + pools.controls.size();
  report << "  patient pool " << pools.patients.size() << ", control pool " << pools.controls.size()
         << " (from " << pools.origin << "); in neither pool " << samples.size() - pooled << '\n'
         << "Wrote " << paths.annotation << ", " << fileNames.size() << " genotyping files in "
         << paths.genotypes << " and " << paths.analysis << '\n'
         << "Next: velmora " << paths.analysis << "  (results go to " << paths.results << ")\n";
}
