// Writing velmora's inputs: the annotation file, one genotyping file per sample
// (the "rsID<TAB>call" layout) and an analysis file that names them all.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "snp_table.h"
#include "variant_source.h"

// File names for the samples' genotyping files: the sample name with every
// character other than letters, digits, '.', '_' and '-' made '_', a suffix
// "_2", "_3"... where two names would clash, and ".txt".
std::vector<std::string> genotypeFileNames(const std::vector<SampleInfo>& samples);

// An annotation line standing for chromosome X when the data have none, so
// that velmora does not take the highest autosome for X.
struct XPlaceholder {
  int number;      // the X number: one above the highest autosome
  std::string id;  // an identifier no sample file mentions
};

// `xNumber` is what chromosome X is written as. Lines are "chromosome, bp,
// frequency of allele A, ID, cM", tab-separated.
void writeAnnotation(const std::string& path, const SnpTable& table, int xNumber,
                     const std::optional<XPlaceholder>& placeholder);

// Calls are written AA, BB, AB, and "--" for no call, in annotation order.
// `progress` is told how many files are done after each batch.
void writeGenotypeFiles(const std::string& directory, const SnpTable& table,
                        const std::vector<std::string>& fileNames,
                        const std::function<void(size_t)>& progress);

struct AnalysisFile {
  std::vector<std::string> comments;  // provenance lines, written first behind ':'
  std::string annotation;
  std::vector<std::string> patients;
  std::vector<std::string> controls;
  std::string outputDirectory;  // must end in '/': velmora uses it as a name prefix
};

void writeAnalysisFile(const std::string& path, const AnalysisFile& content);
