// The significance scan: every segment of equal (patient, control) counts is
// tested once, and -log10 p is drawn as a coloured genome figure with a legend
// and listed with the counts.
#include "report/report.h"
#include "stats/significance_steps.h"
#include "stats/stats.h"

void significance(const std::string& psPath, const std::string& txtPath) {
  hhstats::setPairKeys();
  hhstats::flagSegments();
  const float M = hhstats::scanMinusLogP();
  hhstats::setShades(M);
  hhstats::fillLegend(M, pass.cb);
  Output_birds_eye_viewPS(psPath, enum_significance);
  fOutput_start_end_text(txtPath, "", enum_significance);  // the list has no title line
}
