// velmora-export: takes the cohort of a velmora analysis file to VCF, a PLINK 1
// binary fileset, a genetic map file and patient/control sample lists, so that
// velmora's data can be used by other tools and read back by velmora-import.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

#include "base/path_text.h"
#include "base/safe_file.h"
#include "base/version.h"
#include "cohort.h"
#include "formats.h"

namespace {

const char* const kUsage =
    "Usage: velmora-export ANALYSIS_FILE OUTDIR [--name BASE] [--plain-vcf]\n"
    "\n"
    "Writes OUTDIR/BASE.vcf.gz (bgzip; BASE.vcf with --plain-vcf), OUTDIR/BASE.bed,\n"
    ".bim and .fam (phenotype 2 patient, 1 control), OUTDIR/genetic_map.txt,\n"
    "OUTDIR/patients.txt and OUTDIR/controls.txt. BASE defaults to 'cohort' and\n"
    "is a plain file name. No file of the analysis is ever written over.\n"
    "Allele A is written as the reference allele; bases are placeholders.\n"
    "--help prints this, --version the version.\n";

// BASE names files inside OUTDIR: a '/' or a "." or ".." would put them
// elsewhere, and an empty one would write hidden files.
void requirePlainName(const std::string& base) {
  if (base.empty()) throw std::runtime_error("--name needs a file name, not an empty one");
  if (base.find('/') != std::string::npos) {
    throw std::runtime_error("--name '" + base +
                             "' holds a '/'; give a plain file name, the files go into OUTDIR");
  }
  if (base == "." || base == "..")
    throw std::runtime_error("--name '" + base + "' is not a file name; give a plain file name");
}

// True when writing `output` would replace `input`: the same file (device and
// inode, where the output exists) or the same resolved path (where it does
// not, or the input is missing).
bool samePlace(const std::string& output, const std::string& input) {
  struct stat out {};
  struct stat in {};
  if (lstat(output.c_str(), &out) == 0 && stat(input.c_str(), &in) == 0 &&
      out.st_dev == in.st_dev && out.st_ino == in.st_ino) {
    return true;
  }
  std::error_code error;
  std::filesystem::path a =
      std::filesystem::weakly_canonical(std::filesystem::absolute(output), error);
  if (error) return false;
  std::filesystem::path b =
      std::filesystem::weakly_canonical(std::filesystem::absolute(input), error);
  return !error && a == b;
}

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
    } else if (args[i] == "--version") {
      std::cout << "velmora-export " << kCompanionVersion << "\n";
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
  // Every file is written into a fresh directory inside OUTDIR and renamed
  // into place only when all of them are complete, so that a failed export
  // (a full disk, say) leaves no partial file that looks like a result.
  std::string staging;
  try {
    // Checked before anything is read or written; the paths are not printed,
    // since that would print the character.
    const std::vector<std::pair<std::string, std::string>> given{
        {"the analysis file's path", positional[0]}, {"OUTDIR", positional[1]}, {"--name", base}};
    for (const auto& [what, text] : given) refuseControlCharacters(what, text);
    requirePlainName(base);
    Cohort cohort = readCohort(positional[0]);
    std::string out = positional[1] + "/";
    const std::vector<std::string> names{base + (plain ? ".vcf" : ".vcf.gz"),
                                         base + ".bed",
                                         base + ".bim",
                                         base + ".fam",
                                         "genetic_map.txt",
                                         "patients.txt",
                                         "controls.txt"};
    // What the user planted at a name (a link, a FIFO, a hard-linked file)
    // stays as it is: refused before anything is written.
    for (const std::string& name : names) {
      if (!outputNameIsFree(out + name)) {
        throw std::runtime_error(out + name +
                                 " exists and is not a regular file of its own (a link, a FIFO or "
                                 "a file with other hard links); not replaced");
      }
      for (const CohortSource& source : cohort.sources) {
        if (samePlace(out + name, source.path)) {
          throw std::runtime_error(out + name + " is " + source.what + " (" + source.path +
                                   "); velmora-export never writes over a file of its analysis: "
                                   "choose another OUTDIR or --name");
        }
      }
    }
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (error) throw std::runtime_error("cannot create directory " + positional[1]);
    std::string pattern = out + ".velmora-export-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot create a temporary directory in " + positional[1]);
    staging = pattern + "/";
    writeVcf(cohort, staging + names[0]);
    writePlink(cohort, staging + base);
    writeMap(cohort, staging + "genetic_map.txt");
    writeSampleList(cohort, true, staging + "patients.txt");
    writeSampleList(cohort, false, staging + "controls.txt");
    // rename() replaces a link at the name instead of writing through it.
    for (const std::string& name : names) {
      if (std::rename((staging + name).c_str(), (out + name).c_str()) != 0)
        throw std::runtime_error("cannot move " + name + " into " + positional[1]);
    }
    std::filesystem::remove(pattern, error);
    staging.clear();
    std::cerr << "velmora-export: " << cohort.snps.size() << " SNPs, " << cohort.subjects.size()
              << " subjects written to " << positional[1] << '\n';
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    if (!staging.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(staging, ignored);
    }
    return 1;
  }
}
