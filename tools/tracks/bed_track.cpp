// BED rendering of start/end lists.
#include "bed_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Segments scale by the largest value of their own file, so that each track
// uses the whole shading range.
int score(double value, double largest) {
  if (!std::isfinite(largest) || largest <= 0 || std::isnan(value)) return 0;
  if (!std::isfinite(value)) return 1000;
  return static_cast<int>(std::lround(std::clamp(value / largest, 0.0, 1.0) * 1000));
}

double valueOf(const Segment& segment, ListKind kind) {
  return kind == ListKind::subjects ? static_cast<double>(segment.subjects.size()) : segment.value;
}

std::string decimal(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A subject name inside the comma-joined BED name: control characters, the
// blank, the comma and '%' itself are written %XX, so that no name can break
// a line, split the name column for a browser that splits at blanks, or run
// into its neighbour.
std::string escaped(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c <= 0x20 || c == 0x7f || c == ',' || c == '%') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      out += code;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string nameOf(const Segment& segment, const StartEndList& list) {
  switch (list.kind) {
    case ListKind::subjects: {
      std::string joined;
      for (const std::string& subject : segment.subjects) {
        if (!joined.empty()) joined += ',';
        joined += escaped(subject);
      }
      return joined.empty() ? "-" : joined;
    }
    case ListKind::levels:
      return decimal("%g", segment.value) +
             (list.sampleCount ? "_of_" + std::to_string(*list.sampleCount) : std::string()) +
             "_sharing";
    case ListKind::pValues:
      return "-log10p=" + decimal("%.3f", segment.value) +
             ",patients=" + std::to_string(segment.patients) +
             ",controls=" + std::to_string(segment.controls);
  }
  return "-";
}

std::string description(const StartEndList& list) {
  switch (list.kind) {
    case ListKind::subjects:
      return "velmora: RCHH stretches and the subjects sharing them";
    case ListKind::levels:
      return "velmora: stretches of constant fold overlap (subjects sharing)";
    case ListKind::pValues:
      return "velmora: -log10 p of patients against controls per stretch";
  }
  return "velmora";
}

}  // namespace

std::string chromosomeName(int number, const ChromosomeNaming& naming) {
  std::string name = naming.xNumber && number == *naming.xNumber ? "X" : std::to_string(number);
  return naming.chrPrefix ? "chr" + name : name;
}

void writeBedTrack(const StartEndList& list, const std::string& trackName,
                   const ChromosomeNaming& naming, std::ostream& out) {
  // The track line is one line with a quoted name: quotes and control
  // characters of a file name become '_'.
  std::string quotedName = trackName;
  for (char& c : quotedName) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
  }
  out << "track name=\"" << quotedName << "\" description=\"" << description(list)
      << "\" visibility=pack useScore=1\n";
  double largest = 0;
  for (const Segment& segment : list.segments) {
    double value = valueOf(segment, list.kind);
    if (std::isfinite(value)) largest = std::max(largest, value);
  }
  if (list.kind == ListKind::levels && list.sampleCount) largest = *list.sampleCount;
  for (const Segment& segment : list.segments) {
    out << chromosomeName(segment.chromosome, naming) << '\t' << segment.first - 1 << '\t'
        << segment.last << '\t' << nameOf(segment, list) << '\t'
        << score(valueOf(segment, list.kind), largest) << '\n';
  }
}
