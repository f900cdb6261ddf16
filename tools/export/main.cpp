// velmora-export: takes the cohort of a velmora analysis file to VCF, a PLINK 1
// binary fileset, a genetic map file and patient/control sample lists, so that
// velmora's data can be used by other tools and read back by velmora-import.
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

#include "cohort.h"
#include "formats.h"

namespace {

const char* const kUsage =
    "Usage: velmora-export ANALYSIS_FILE OUTDIR [--name BASE] [--plain-vcf]\n"
    "\n"
    "Writes OUTDIR/BASE.vcf.gz (bgzip; BASE.vcf with --plain-vcf), OUTDIR/BASE.bed,\n"
    ".bim and .fam (phenotype 2 patient, 1 control), OUTDIR/genetic_map.txt,\n"
    "OUTDIR/patients.txt and OUTDIR/controls.txt. BASE defaults to 'cohort'.\n"
    "Allele A is written as the reference allele; bases are placeholders.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string base = "cohort";
  bool plain = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-h" || args[i] == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (args[i] == "--plain-vcf") {
      plain = true;
    } else if (args[i] == "--name" && i + 1 < args.size()) {
      base = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    std::cerr << "ERROR: give an analysis file and an output directory\n" << kUsage;
    return 1;
  }
  try {
    Cohort cohort = readCohort(positional[0]);
    std::string out = positional[1] + "/";
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (error) throw std::runtime_error("cannot create directory " + positional[1]);
    writeVcf(cohort, out + base + (plain ? ".vcf" : ".vcf.gz"));
    writePlink(cohort, out + base);
    writeMap(cohort, out + "genetic_map.txt");
    writeSampleList(cohort, true, out + "patients.txt");
    writeSampleList(cohort, false, out + "controls.txt");
    std::cerr << "velmora-export: " << cohort.snps.size() << " SNPs, " << cohort.subjects.size()
              << " subjects written to " << positional[1] << '\n';
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    return 1;
  }
}
