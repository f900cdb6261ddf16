// VCF and BCF input (plain, gzip- or bgzip-compressed) read through htslib.
#pragma once
#include <memory>

#include "variant_source.h"

std::unique_ptr<VariantSource> openVcf(const std::string& path);
