// VCF and BCF input (plain, gzip- or bgzip-compressed) read through htslib.
#pragma once
#include <cstdint>
#include <memory>

#include "variant_source.h"

// Longest VCF text line read (characters, without its line end). A record
// line holds a column per sample, so the bound of the other text readers
// (kLineLimit) would refuse ordinary cohorts; 64 Mi characters leave several
// hundred per sample for the largest pools velmora takes, while a file
// without line ends can no longer grow memory without bound.
constexpr int32_t kVcfLineLimit = 1 << 26;

// Opens `path` (VCF text plain, gzip or bgzip, or BCF). VCF text is read line
// by line under `lineLimit`; BCF by htslib's record reader. Throws InputError.
std::unique_ptr<VariantSource> openVcf(const std::string& path, int32_t lineLimit = kVcfLineLimit);
