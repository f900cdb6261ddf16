// Writing velmora's inputs: the annotation file, one genotyping file per
// pooled sample (the "rsID<TAB>call" layout) and an analysis file that names
// them all. Every file is created new (never through an existing name or a
// link) inside the import's own temporary directory.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/velmora_format.h"
#include "snp_table.h"
#include "variant_source.h"

// Longest file-name body kept from a sample name, so that every name fits a
// file system's 255-byte limit with its suffix and ".txt".
constexpr size_t kLongestFileBody = 120;

// File names for the samples' genotyping files: the sample name with every
// character other than letters, digits, '.', '_' and '-' made '_', cut to
// kLongestFileBody characters, a suffix "_2", "_3"... where two names would
// clash, and ".txt".
std::vector<std::string> genotypeFileNames(const std::vector<std::string>& sampleNames);

// An annotation line standing for chromosome X when the data have none, so
// that velmora does not take the highest autosome for X.
struct XPlaceholder {
  int number;      // the X number: one above the highest autosome
  std::string id;  // an identifier no sample file mentions
};

// The annotation file's text. `xNumber` is what chromosome X is written as.
// Lines are "chromosome, bp, frequency of allele A, ID, cM", tab-separated.
std::string annotationText(const SnpTable& table, int xNumber,
                           const std::optional<XPlaceholder>& placeholder);

// annotationText written to `path`. Throws InputError.
void writeAnnotation(const std::string& path, const SnpTable& table, int xNumber,
                     const std::optional<XPlaceholder>& placeholder);

// One file per entry of `samples` (sample indexes of the table), named by
// `fileNames` (same order), in `directory` (ending in '/'). Calls are written
// AA, BB, AB, and "--" for no call, in annotation order. `progress` is told
// how many files are done after each batch. Throws InputError.
void writeGenotypeFiles(const std::string& directory, const SnpTable& table,
                        const std::vector<size_t>& samples,
                        const std::vector<std::string>& fileNames,
                        const std::function<void(size_t)>& progress);

void writeAnalysisFile(const std::string& path, const AnalysisFileContent& content);
