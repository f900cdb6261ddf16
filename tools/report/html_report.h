// report.html: one self-contained page. The page's frame, style sheet and
// script are compiled in from assets/; the report's data goes in as JSON.
#pragma once
#include <string>

#include "report_data.h"

std::string htmlReport(const ReportData& data);

// The JSON the page reads (exposed for tests and for other front ends).
std::string reportJson(const ReportData& data);
