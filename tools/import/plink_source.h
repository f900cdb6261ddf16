// PLINK 1 binary filesets: PREFIX.bed (SNP-major), PREFIX.bim, PREFIX.fam.
#pragma once
#include <memory>

#include "variant_source.h"

std::unique_ptr<VariantSource> openPlink(const std::string& prefix);
