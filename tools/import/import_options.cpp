// Parsing velmora-import's command line.
#include "import_options.h"

#include "base/path_text.h"
#include "base/text_fields.h"
#include "input_error.h"

const char* const kImportUsage =
    "Usage: velmora-import (--vcf FILE | --plink PREFIX) --out DIR\n"
    "                      [--map FILE... | --cm-per-mb RATE] [--map-units cm|morgans]\n"
    "                      [--patients FILE [--controls FILE]]\n"
    "                      [--autosomes N] [--missing-x placeholder|accept]\n"
    "\n"
    "Converts a VCF/BCF file or a PLINK 1 binary fileset into velmora's inputs:\n"
    "DIR/annotation.txt, DIR/genotypes/<sample>.txt and DIR/analysis.txt, whose\n"
    "output directory is DIR/results/. Biallelic SNPs only; allele A is the\n"
    "reference allele (PLINK: allele 2).\n"
    "\n"
    "  --vcf FILE          VCF or BCF, plain or compressed\n"
    "  --plink PREFIX      PREFIX.bed (SNP-major), PREFIX.bim, PREFIX.fam\n"
    "  --out DIR           created when complete; an earlier import there is replaced\n"
    "                      (its results/ kept); anything else there is refused\n"
    "  --map FILE          genetic map, plain or gzip, in its published layout:\n"
    "                      'chromosome bp cM', shapeit/eagle 'pos chr cM', HapMap\n"
    "                      'Chromosome Position(bp) Rate(cM/Mb) Map(cM)', one file\n"
    "                      per chromosome 'position COMBINED_rate(cM/Mb)\n"
    "                      Genetic_Map(cM)' (chromosome from a name like _chr7),\n"
    "                      or PLINK .map. Repeat --map for several files, or write\n"
    "                      '@' for the chromosome (map_chr@.txt). Interpolated\n"
    "                      linearly, clamped outside its range\n"
    "  --map-units UNIT    cm (default) or morgans (values multiplied by 100); a map\n"
    "                      that looks like Morgans is refused unless told\n"
    "  --cm-per-mb RATE    no map: RATE cM per Mb everywhere (an approximation)\n"
    "                      Without either, PLINK input uses the .bim cM column;\n"
    "                      VCF input is refused.\n"
    "  --patients FILE     samples of the patient pool, one a line (PLINK: the name\n"
    "                      or 'family-ID individual-ID'); default for PLINK: the\n"
    "                      .fam phenotype, 2 = patient, 1 = control\n"
    "  --controls FILE     samples of the control pool (with --patients)\n"
    "  --autosomes N       chromosome numbers above N are PLINK's codes N+1 X,\n"
    "                      N+2 Y, N+3 XY, N+4 MT (default for PLINK: 22; for VCF\n"
    "                      every number is an autosome)\n"
    "  --missing-x MODE    when the data have no chromosome X (velmora takes the\n"
    "                      highest chromosome number for X and leaves it out):\n"
    "                      'placeholder' adds one X line to the annotation so that\n"
    "                      every autosome is analysed; 'accept' lets velmora take\n"
    "                      the highest autosome for X. Without it such data are refused.\n"
    "  --allow-outside-map  go on when more than half the SNPs lie outside the map's\n"
    "                      range (a map of another genome build?); their cM is clamped\n"
    "                      to its ends. Above 1 % a warning says how many\n"
    "--help prints this, --version the version.\n";

bool isImportSourceFlag(const std::string& arg) {
  return arg == "--allow-outside-map";
}

bool isImportSourceOption(const std::string& arg) {
  for (const char* name : {"--vcf", "--plink", "--map", "--map-units", "--cm-per-mb", "--patients",
                           "--controls", "--autosomes", "--missing-x"}) {
    if (arg == name) return true;
  }
  return false;
}

namespace {

std::string valueOf(const std::vector<std::string>& args, size_t& i) {
  if (i + 1 >= args.size()) throw InputError(args[i] + " needs a value");
  return args[++i];
}

}  // namespace

ImportOptions parseImportOptions(const std::vector<std::string>& args, bool outRequired) {
  ImportOptions options;
  bool haveOut = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      return options;
    } else if (arg == "--version") {
      options.version = true;
      return options;
    } else if (arg == "--vcf") {
      options.vcf = valueOf(args, i);
    } else if (arg == "--plink") {
      options.plinkPrefix = valueOf(args, i);
    } else if (arg == "--out") {
      options.outDirectory = valueOf(args, i);
      haveOut = true;
    } else if (arg == "--map") {
      options.mapFiles.push_back(valueOf(args, i));
    } else if (arg == "--map-units") {
      std::string unit = valueOf(args, i);
      if (unit == "cm" || unit == "cM") {
        options.mapUnits = MapUnits::centimorgans;
      } else if (unit == "morgans" || unit == "M") {
        options.mapUnits = MapUnits::morgans;
      } else {
        throw InputError("--map-units takes 'cm' or 'morgans', not '" + unit + "'");
      }
    } else if (arg == "--cm-per-mb") {
      std::string text = valueOf(args, i);
      std::optional<double> rate = parseWholeDecimal(text);
      // Human maps average about 1 cM/Mb; 100 is far beyond any genome.
      if (!rate || *rate <= 0 || *rate > 100) {
        throw InputError("--cm-per-mb needs a rate above 0 and at most 100, not '" + text + "'");
      }
      options.cMPerMb = rate;
    } else if (arg == "--patients") {
      options.patientList = valueOf(args, i);
    } else if (arg == "--controls") {
      options.controlList = valueOf(args, i);
    } else if (arg == "--autosomes") {
      std::string text = valueOf(args, i);
      std::optional<int64_t> count = parseWholeInteger(text);
      if (!count || *count < 1 || *count > 9990) {
        throw InputError("--autosomes needs a chromosome count from 1 to 9990, not '" + text + "'");
      }
      options.autosomeCount = static_cast<int>(*count);
    } else if (arg == "--allow-outside-map") {
      options.allowOutsideMap = true;
    } else if (arg == "--missing-x") {
      std::string mode = valueOf(args, i);
      if (mode == "placeholder") {
        options.missingX = MissingX::placeholder;
      } else if (mode == "accept") {
        options.missingX = MissingX::accept;
      } else {
        throw InputError("--missing-x takes 'placeholder' or 'accept', not '" + mode + "'");
      }
    } else {
      refuseControlCharacters("argument " + std::to_string(i + 1), arg);
      throw InputError("unknown argument '" + arg + "'\n" + kImportUsage);
    }
  }
  // Paths reach the report, the analysis file's comments and its sections,
  // all line by line: a control character is refused before anything is read.
  std::vector<std::pair<std::string, std::string>> paths;
  if (options.vcf) paths.emplace_back("--vcf", *options.vcf);
  if (options.plinkPrefix) paths.emplace_back("--plink", *options.plinkPrefix);
  if (haveOut) paths.emplace_back("--out", options.outDirectory);
  for (const std::string& map : options.mapFiles) paths.emplace_back("--map", map);
  if (options.patientList) paths.emplace_back("--patients", *options.patientList);
  if (options.controlList) paths.emplace_back("--controls", *options.controlList);
  for (const auto& [what, path] : paths) refuseControlCharacters(what, path);
  if (options.vcf.has_value() == options.plinkPrefix.has_value()) {
    throw InputError("give exactly one input, --vcf FILE or --plink PREFIX\n" +
                     std::string(kImportUsage));
  }
  if (outRequired && (!haveOut || options.outDirectory.empty()))
    throw InputError("give the output directory with --out DIR");
  if (!options.mapFiles.empty() && options.cMPerMb) {
    throw InputError("give either --map or --cm-per-mb, not both");
  }
  if (options.mapUnits && options.cMPerMb) {
    throw InputError("--map-units applies to a map file or the .bim cM column, not to --cm-per-mb");
  }
  if (options.plinkPrefix && !options.autosomeCount) options.autosomeCount = 22;
  return options;
}
