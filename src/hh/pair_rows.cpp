// Formatting a pair row.
#include "hh/pair_rows.h"

#include "driver/lines/formatted.h"
#include "genome/model.h"
#include "hh/hh.h"

void appendPairRow(std::string& out, const PairRowFields& f, const PairTotals& totals) {
  double m = 0;  // cM, expected spacing of opposite homozygotes
  const double typeA = falsePositive(f.nA, f.nB, &m, f.chr, settings.threshold);
  const double typeB = totals.discordantEnds * m / genome.totalGenetDistanceWOX;
  const double ratio = totals.cMConserved / f.slotLength;
  if (f.representative == 1) {
    appendFormatted(out, "(%d,representative)\t", f.st1 + 1);
    appendFormatted(out, "%9.2f\t%s\trepresentative\t%11.2f\t%9.4f\t%14ld\t%14ld\t",
                    settings.threshold, f.name1, totals.cMConserved, ratio, static_cast<long>(f.nA),
                    static_cast<long>(f.nB));
  } else {
    appendFormatted(out, "(%d,%d)\t", f.st1 + 1, f.st2 + 1);
    appendFormatted(out, "%9.2f\t%s\t%s\t%11.2f\t%9.4f\t%14ld\t%14ld\t", settings.threshold,
                    f.name1, f.name2, totals.cMConserved, ratio, static_cast<long>(f.nA),
                    static_cast<long>(f.nB));
  }
  appendFormatted(out, "%13.4f\t%13.4f\n", typeA, typeB);
}
