// The command line of velmora-import.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "genetic_map.h"

enum class MissingX { refuse, placeholder, accept };

struct ImportOptions {
  std::optional<std::string> vcf;          // VCF or BCF path
  std::optional<std::string> plinkPrefix;  // PREFIX of PREFIX.bed/.bim/.fam
  std::string outDirectory;
  std::vector<std::string> mapFiles;  // --map, repeatable; '@' in a name is a pattern
  std::optional<MapUnits> mapUnits;   // unset: cM, with Morgans detected and refused
  std::optional<double> cMPerMb;
  std::optional<std::string> patientList;
  std::optional<std::string> controlList;
  std::optional<int> autosomeCount;  // numbers above it follow PLINK's X/Y/XY/MT codes
  MissingX missingX = MissingX::refuse;
  bool allowOutsideMap = false;  // more than half the SNPs outside the map's range is no refusal
  bool help = false;
  bool version = false;  // --version
};

extern const char* const kImportUsage;

// Throws InputError for anything the tool cannot act on. Without
// `outRequired` (a program that writes no import, velmora-report), --out is
// not asked for.
ImportOptions parseImportOptions(const std::vector<std::string>& args, bool outRequired = true);

// True for the flags (no value) of the same kind: --allow-outside-map.
bool isImportSourceFlag(const std::string& arg);

// True for the options that take a value and name the input, its map, its
// pools or its chromosome codes: the ones another program hands to
// parseImportOptions.
bool isImportSourceOption(const std::string& arg);
