// Formatting a pair row.
#include "hh/pair_rows.h"

#include "base/formatted.h"
#include "genome/model.h"
#include "hh/hh.h"

void appendPairRow(std::string& out, const PairRowFields& f, const PairTotals& totals) {
  double m = 0;  // cM, expected spacing of opposite homozygotes
  const double typeA = falsePositive(f.nA, f.nB, &m, f.chr, settings.threshold);
  const double typeB = totals.discordantEnds * m / genome.totalGenetDistanceWOX;
  const double ratio = totals.cMConserved / f.slotLength;
  // Each number through its own conversion: a pass formats a row per pair
  // and slot, and printf's parsing of the format was most of their cost.
  out += '(';
  appendInteger(out, f.st1 + 1, 0);
  if (f.representative == 1) {
    out += ",representative)\t";
  } else {
    out += ',';
    appendInteger(out, f.st2 + 1, 0);
    out += ")\t";
  }
  appendFixed(out, settings.threshold, 9, 2);
  out += '\t';
  out += f.name1;
  out += '\t';
  out += f.representative == 1 ? "representative" : f.name2;
  out += '\t';
  appendFixed(out, totals.cMConserved, 11, 2);
  out += '\t';
  appendFixed(out, ratio, 9, 4);
  out += '\t';
  appendInteger(out, f.nA, 14);
  out += '\t';
  appendInteger(out, f.nB, 14);
  out += '\t';
  appendFixed(out, typeA, 13, 4);
  out += '\t';
  appendFixed(out, typeB, 13, 4);
  out += '\n';
}
