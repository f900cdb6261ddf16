// Writing a cohort in today's formats. Allele A becomes the reference allele
// (VCF REF, PLINK allele 2) and allele B the alternative; since velmora's files
// carry no bases, each SNP gets a fixed pair of bases chosen by its row.
#pragma once
#include <string>

#include "cohort.h"

// Plain VCF, or bgzip-compressed when the path ends in ".gz".
void writeVcf(const Cohort& cohort, const std::string& path);
// PREFIX.bed (SNP-major), PREFIX.bim with the cM column, PREFIX.fam with
// phenotype 2 for patients and 1 for controls.
void writePlink(const Cohort& cohort, const std::string& prefix);
// "chromosome position cM" lines with a header, one point per SNP.
void writeMap(const Cohort& cohort, const std::string& path);
// Sample names of the patient or the control pool, one a line.
void writeSampleList(const Cohort& cohort, bool patients, const std::string& path);
