// The two tab-separated tables of a report.
#pragma once
#include <string>

#include "report_data.h"

// regions.tsv: a header, then one row per region in rank order.
std::string regionsTable(const ReportData& data);

// pairs.tsv: a header, then velmora's pair table rows of both pools with sample names.
std::string pairsTable(const ReportData& data);

// A sample name for one of velmora's subject names (file name with suffix).
std::string sampleNameOf(const ReportData& data, int pool, int number);
