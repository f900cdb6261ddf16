// One import from start to end: read and filter the input, order and clean the
// SNPs, decide how chromosome X is written, write velmora's files and report.
#pragma once
#include <ostream>

#include "import_options.h"

// Writes the report to `report`; throws InputError on any failure, before any
// file is written when the fault lies in the inputs.
void runImport(const ImportOptions& options, std::ostream& report);
