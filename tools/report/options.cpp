// Command-line parsing and the cutoff rule, stricter than velmora's prompt:
// "", "abc", "nan", "inf", "1,5" and "5cM" are refused instead of read as 0
// or as their leading number.
#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "report_error.h"

const char* const kReportUsage =
    "Usage: velmora-report (ANALYSISFILE | --plink PREFIX | --vcf FILE --map FILE...)\n"
    "                      --cutoff CM --out DIR [--genes FILE] [--build NAME]\n"
    "                      [--query NAMES]... [--permutations N [--seed S]] [--threads T]\n"
    "                      [--strict | --tolerance K/W] [--velmora-files]\n"
    "\n"
    "Runs velmora's analysis with the RCHH cutoff CM (cM) on the inputs an analysis\n"
    "file names, or straight on a PLINK 1 binary fileset or a VCF/BCF (with\n"
    "velmora-import's options --map, --map-units, --cm-per-mb, --patients,\n"
    "--controls, --autosomes, --missing-x and --allow-outside-map, and its defaults),\n"
    "and writes into DIR\n"
    "regions.tsv, pairs.tsv, tracks/*.bed, report.html, velmora.log and\n"
    "manifest.tsv. DIR must be new, empty, or an earlier report whose files are\n"
    "unchanged; the new report replaces it only once complete.\n"
    "  --genes FILE   GTF or GFF3 (plain or gzip) or BED genes, to name the genes of each region\n"
    "  --build NAME   genome build of the positions (GRCh37/hg19, GRCh38/hg38): browser\n"
    "                 links and gene checks; default the build the input tells (velmora-import\n"
    "                 notes it in the analysis file), else GRCh38\n"
    "  --query NAMES  comma-separated patient sample names as pairs.tsv shows them; the\n"
    "                 RCHHs all of them share (runs without controls only; repeatable)\n"
    "  --permutations N  genome-wide adjusted p of each region: with controls from N\n"
    "                 relabellings of patients and controls, without them from N null\n"
    "                 genomes drawn from the patients' own calls (200 is a good start)\n"
    "  --seed S       seed of the relabellings (default 20261208): the same inputs, N and S\n"
    "                 give the same adjusted p on any machine and thread count\n"
    "  --threads T    threads for the relabellings (default: one per core)\n"
    "  --tolerance K/W  sharing passes over an opposite homozygote (AA against BB) when\n"
    "                 neither neighbour is one and at most K lie within W SNPs either side,\n"
    "                 a likely genotyping error (W at most 63; default 1/20 where the\n"
    "                 analysed autosomes hold 50 or more SNPs per cM, else --strict)\n"
    "  --strict       every opposite homozygote ends a shared stretch (velmora's rule)\n"
    "  --velmora-files  keep velmora's own result files under run/, as velmora writes them\n"
    "  --help, --version  print this or the version\n";

double parseCutoff(const std::string& text) {
  bool plain = !text.empty();
  for (char c : text) {
    if (std::strchr("0123456789.+-eE", c) == nullptr) plain = false;
  }
  if (!plain) {
    throw ReportError("the cutoff '" + text +
                      "' is not a number of cM (write it like 5 or 2.5, with a decimal point)");
  }
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
    throw ReportError("the cutoff '" + text + "' is not a number of cM");
  }
  if (!(value > 0)) throw ReportError("the cutoff must be above 0 cM, not '" + text + "'");
  return value;
}

namespace {

// A whole non-negative decimal integer no larger than `most`, or ReportError.
uint64_t parseCount(const std::string& option, const std::string& text, uint64_t most) {
  bool digits = !text.empty() && text.size() <= 20;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  errno = 0;
  const unsigned long long value = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
  if (!digits || errno == ERANGE || value > most) {
    throw ReportError(option + " needs a whole number from 0 to " + std::to_string(most) +
                      ", not '" + text + "'");
  }
  return value;
}

}  // namespace

ReportOptions parseOptions(int argc, char** argv) {
  ReportOptions options;
  options.commandLine.assign(argv, argv + argc);
  bool cutoffGiven = false;
  bool seedGiven = false;
  bool strictGiven = false, toleranceGiven = false;
  std::vector<std::string> positional;
  std::vector<std::string> importArgs;  // --plink, --vcf and their companions, in order
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> std::string {
      if (i + 1 >= argc) throw ReportError(std::string(name) + " needs a value\n" + kReportUsage);
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help" || arg == "--version") {
      options.help = arg != "--version";
      options.version = arg == "--version";
      return options;
    } else if (arg == "--cutoff") {
      options.cutoffText = value("--cutoff");
      options.cutoffCm = parseCutoff(options.cutoffText);
      cutoffGiven = true;
    } else if (arg == "--out") {
      options.outDir = value("--out");
      if (options.outDir.empty()) throw ReportError("--out needs a directory");
    } else if (arg == "--genes") {
      options.genesFile = value("--genes");
    } else if (arg == "--build") {
      options.build = value("--build");
      if (options.build->empty() ||
          options.build->find_first_of(" \t/?&#\"'<>") != std::string::npos) {
        throw ReportError("--build needs a build name such as hg38 or hg19");
      }
    } else if (arg == "--query") {
      options.queries.push_back(value("--query"));
    } else if (arg == "--permutations") {
      options.permutations = static_cast<int64_t>(
          parseCount("--permutations", value("--permutations"), kMaxPermutations));
      if (options.permutations == 0) throw ReportError("--permutations needs at least 1");
    } else if (arg == "--seed") {
      options.seed = parseCount("--seed", value("--seed"), UINT64_MAX);
      seedGiven = true;
    } else if (isImportSourceFlag(arg)) {
      importArgs.push_back(arg);
    } else if (isImportSourceOption(arg)) {
      importArgs.push_back(arg);
      importArgs.push_back(value(arg.c_str()));
    } else if (arg == "--strict") {
      options.sharing = SharingRule{};
      options.sharingGiven = strictGiven = true;
    } else if (arg == "--tolerance") {
      const std::string text = value("--tolerance");
      const size_t slash = text.find('/');
      if (slash == std::string::npos)
        throw ReportError("--tolerance needs K/W, such as 1/20, not '" + text + "'");
      const int allowed = static_cast<int>(
          parseCount("--tolerance's K", text.substr(0, slash), 2 * kMaxToleranceWindow + 1));
      const int window = static_cast<int>(
          parseCount("--tolerance's W", text.substr(slash + 1), kMaxToleranceWindow));
      if (allowed < 1 || window < 1)
        throw ReportError("--tolerance needs K and W of at least 1 (--strict tolerates none)");
      options.sharing = SharingRule{allowed, window};
      options.sharingGiven = toleranceGiven = true;
    } else if (arg == "--velmora-files") {
      options.velmoraFiles = true;
    } else if (arg == "--threads") {
      options.threads = static_cast<int>(parseCount("--threads", value("--threads"), 1024));
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw ReportError("unknown option '" + arg + "'\n" + kReportUsage);
    } else {
      positional.push_back(arg);
    }
  }
  if (!importArgs.empty()) {
    if (!positional.empty()) {
      throw ReportError("name either an analysis file or --plink/--vcf, not both\n" +
                        std::string(kReportUsage));
    }
    try {
      options.source = parseImportOptions(importArgs, false);
    } catch (const std::runtime_error& error) {
      throw ReportError(error.what());
    }
  } else if (positional.size() != 1) {
    throw ReportError(std::string("name one analysis file, or --plink PREFIX or --vcf FILE\n") +
                      kReportUsage);
  } else {
    options.analysisFile = positional[0];
  }
  if (!cutoffGiven) throw ReportError(std::string("--cutoff CM is required\n") + kReportUsage);
  if (options.outDir.empty())
    throw ReportError(std::string("--out DIR is required\n") + kReportUsage);
  if (strictGiven && toleranceGiven)
    throw ReportError("--strict and --tolerance exclude each other");
  if (seedGiven && options.permutations == 0)
    throw ReportError("--seed goes with --permutations N");
  return options;
}
