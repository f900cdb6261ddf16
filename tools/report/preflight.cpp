// The pre-run checks: file kinds, duplicate subjects, and a light reading of
// the annotation and of the genotyping files with the core's line utilities,
// for the things velmora accepts silently (a map in Morgans, a first line that
// flips the column layout, calls that miss the annotation, numbers in
// scientific notation, lower-case calls).
#include "preflight.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_set>

#include "base/genotype_layout.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "base/map_units.h"
#include "base/parallel_for.h"
#include "genome/rsid_index.h"
#include "report_error.h"
#include "sha256.h"

namespace fs = std::filesystem;

namespace {

void requireRegularFile(const std::string& path, const std::string& role) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw ReportError(role + " " + path + " does not exist");
  if (!S_ISREG(info.st_mode)) {
    throw ReportError(role + " " + path + " is not a regular file (a directory, device or pipe)");
  }
}

std::string subjectRole(bool patient, size_t index) {
  return std::string(patient ? "patient " : "control ") + std::to_string(index + 1);
}

void refuseDuplicateSubjects(const AnalysisInput& input) {
  struct Seen {
    std::string role;
    std::string path;
  };
  std::map<std::string, Seen> byPath;
  std::map<std::pair<dev_t, ino_t>, Seen> byFile;
  std::map<std::string, Seen> byName;
  auto visit = [&](const std::string& path, const std::string& role) {
    std::string normal = fs::absolute(path).lexically_normal().string();
    struct stat info {};
    ::stat(path.c_str(), &info);
    auto samePath = byPath.find(normal);
    auto sameFile = byFile.find({info.st_dev, info.st_ino});
    const Seen* earlier = samePath != byPath.end()   ? &samePath->second
                          : sameFile != byFile.end() ? &sameFile->second
                                                     : nullptr;
    if (earlier != nullptr) {
      bool samePool = earlier->role.substr(0, 7) == role.substr(0, 7);
      throw ReportError("the genotyping file " + path + " is listed twice, as " + earlier->role +
                        (earlier->path == path ? "" : " (" + earlier->path + ")") + " and as " +
                        role + (samePool ? "" : ", in both pools") +
                        ": a subject would share its whole HH with itself");
    }
    // Subjects are known by their file names' bodies (regions.tsv, queries):
    // two files with one body would be two subjects of one name.
    auto sameName = byName.find(sampleName(path));
    if (sameName != byName.end()) {
      throw ReportError("the genotyping files " + sameName->second.path + " (" +
                        sameName->second.role + ") and " + path + " (" + role +
                        ") have one sample name, " + sampleName(path) +
                        "; rename one so that every subject's name is its own");
    }
    byPath[normal] = {role, path};
    byFile[{info.st_dev, info.st_ino}] = {role, path};
    byName[sampleName(path)] = {role, path};
  };
  for (size_t i = 0; i < input.patients.size(); ++i) visit(input.patients[i], subjectRole(true, i));
  for (size_t i = 0; i < input.controls.size(); ++i)
    visit(input.controls[i], subjectRole(false, i));
}

// A decimal number as a person writes it: optional sign, digits, optional
// fraction; no exponent, nothing after it.
bool plainNumber(const char* text, bool integer) {
  const char* p = text;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
  if (!integer && *p == '.') {
    ++p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
  }
  return digits && *p == '\0';
}

// The annotation's rs IDs, looked up once per genotyping line. An ID that
// velmora's index keys exactly by its number (RsIDIndex::keyOf: "rs" and up
// to 18 digits) sits in one flat open-addressed table of keys, one cache line
// a probe where a node-based set takes several; any other ID in a set of
// strings looked up by the field's text.
class IdSet {
 public:
  void insert(std::string_view id) {
    const RsIDIndex::Probe p = RsIDIndex::keyOf(id);
    if (!p.exact) {
      others_.emplace(id);
      return;
    }
    if ((count_ + 1) * 2 > slots_.size()) grow();
    if (place(p.key)) ++count_;
  }
  bool contains(std::string_view id) const {
    const RsIDIndex::Probe p = RsIDIndex::keyOf(id);
    if (!p.exact) return others_.find(id) != others_.end();
    if (slots_.empty()) return false;
    for (size_t at = slotOf(p.key);; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at] == p.key) return true;
      if (slots_[at] == 0) return false;  // exact keys carry a tag bit: never 0
    }
  }

 private:
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view id) const { return std::hash<std::string_view>{}(id); }
  };
  size_t slotOf(uint64_t key) const {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  // False when the key was there already.
  bool place(uint64_t key) {
    for (size_t at = slotOf(key);; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at] == key) return false;
      if (slots_[at] == 0) {
        slots_[at] = key;
        return true;
      }
    }
  }
  void grow() {
    std::vector<uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
    shift_ = 64 - std::countr_zero(slots_.size());
    for (uint64_t key : old) {
      if (key != 0) place(key);
    }
  }
  std::vector<uint64_t> slots_;
  size_t count_ = 0;
  int shift_ = 64;
  std::unordered_set<std::string, TextHash, std::equal_to<>> others_;
};

struct AnnotationScan {
  IdSet rsIDs;
  std::map<int, ChromosomeSpan> chromosomes;
  int lastChromosome = 0;
  int64_t stored = 0;
  int64_t notPlainLines = 0;
  std::string firstNotPlain;  // "line N: column C holds 'text'"
};

// Genotyping files scanned at once: beyond this the disk, not the cores, sets the pace.
constexpr int kScanThreads = 8;

const char* const kColumnNames[] = {"",      "chromosome", "position", "allele frequency",
                                    "rs ID", "genetic map"};

AnnotationScan scanAnnotation(const std::string& path, Sha256& sum) {
  AnnotationScan scan;
  std::vector<char> line(kLineLimit + 1);
  char* fields[kMaxFields];
  {
    // First pass as velmora makes it: the highest numbered chromosome is X.
    InputFile file = openDigestingInput(path, sum);
    if (!file) throw ReportError("cannot open the annotation file " + path);
    while (MyFgets(line.data(), kLineLimit, file.get()) != nullptr) {
      split(line.data(), fields, "\t", kMaxFields);
      int chromosome = 0;
      if (std::sscanf(fields[0], "%d", &chromosome) == 1) {
        scan.lastChromosome = std::max(scan.lastChromosome, chromosome);
      }
    }
  }
  InputFile file = openInput(path);
  if (!file) throw ReportError("cannot open the annotation file " + path);
  int64_t lineNumber = 0;
  while (MyFgets(line.data(), kLineLimit, file.get()) != nullptr) {
    ++lineNumber;
    int count = split(line.data(), fields, "\t", kMaxFields);
    if (count < 5) continue;
    char first = fields[0][0];
    if (first == 'Y' || first == 'y') continue;
    // Numbers velmora reads by their leading part only.
    const int numeric[] = {2, 3, 5};
    bool plain = true;
    for (int column : numeric) {
      if (!plainNumber(fields[column - 1], column == 2)) {
        if (plain && scan.notPlainLines == 0) {
          scan.firstNotPlain = "line " + std::to_string(lineNumber) + ", " + kColumnNames[column] +
                               " '" + fields[column - 1] + "'";
        }
        plain = false;
      }
    }
    bool isX = first == 'X' || first == 'x';
    if (!isX && !plainNumber(fields[0], true)) {
      if (plain && scan.notPlainLines == 0) {
        scan.firstNotPlain =
            "line " + std::to_string(lineNumber) + ", chromosome '" + fields[0] + "'";
      }
      plain = false;
    }
    if (!plain) ++scan.notPlainLines;
    int chromosome = isX ? scan.lastChromosome : std::atoi(fields[0]);
    long position = std::atol(fields[1]);
    double frequency = std::atof(fields[2]);
    double map = std::atof(fields[4]);
    if (chromosome < 1 || chromosome > scan.lastChromosome || position <= 0 || frequency < 0 ||
        frequency > 1 || map <= 0) {
      continue;
    }
    ++scan.stored;
    scan.rsIDs.insert(fields[3]);
    ChromosomeSpan& span = scan.chromosomes[chromosome];
    if (span.snps == 0) {
      span.number = chromosome;
      span.firstBp = position;
      span.firstCm = map;
    }
    span.lastBp = position;
    span.lastCm = map;
    ++span.snps;
  }
  return scan;
}

// The rs IDs of the first subject's lines in order, and whether the
// annotation holds each: the files of one export share their SNP order, so
// a line whose rs ID is the first file's at the same line needs no lookup.
struct LineMemo {
  std::vector<std::string> ids;
  std::vector<char> found;
};

// Scans one genotyping file as velmora reads it. With `record`, the lines'
// rs IDs are kept in `memo`; otherwise `memo` serves as a cache.
SubjectFacts scanSubject(const std::string& path, const IdSet& rsIDs, LineMemo& memo, bool record,
                         Sha256& sum) {
  SubjectFacts scan;
  InputFile file = openDigestingInput(path, sum);
  if (!file) throw ReportError("cannot open the genotyping file " + path);
  std::vector<char> line(kLineLimit + 1);
  char* fields[kMaxFields];
  bool first = true;
  size_t idColumn = 0, callColumn = 1;
  for (size_t number = 0; MyFgets(line.data(), kLineLimit, file.get()) != nullptr; ++number) {
    int count = split(line.data(), fields, "\t", kMaxFields);
    if (first) {
      const GenotypeLayout layout = layoutOfFirstField(fields[0]);
      scan.layoutA = layout.rsIdFirst;
      idColumn = static_cast<size_t>(layout.idColumn);
      callColumn = static_cast<size_t>(layout.callColumn);
      first = false;
    } else if (count > 1 || fields[0][0] != '\0') {
      ++scan.linesAfterFirst;
      if (layoutOfFirstField(fields[0]).rsIdFirst) ++scan.layoutALines;
    }
    // A line without the rs ID column reads as the empty ID, which no
    // annotation holds.
    const std::string_view id =
        static_cast<size_t>(count) > idColumn ? std::string_view(fields[idColumn]) : "";
    bool known;
    if (!record && number < memo.ids.size() && memo.ids[number] == id) {
      known = memo.found[number] != 0;
    } else {
      known = !id.empty() && rsIDs.contains(id);
      if (record) {
        memo.ids.emplace_back(id);
        memo.found.push_back(known);
      }
    }
    if (!known) continue;
    ++scan.found;
    if (static_cast<size_t>(count) <= callColumn) continue;
    const char* call = fields[callColumn];
    if (call[0] == '\0' || call[1] == '\0') continue;
    std::string two{call[0], call[1]};
    if (two == "AA" || two == "BB" || two == "AB") {
      ++scan.validCalls;
      continue;
    }
    for (char& c : two) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (two == "AA" || two == "BB" || two == "AB") ++scan.lowerCaseCalls;
  }
  return scan;
}

// The checksum that `sum` took of `path` while it was scanned, when the scan
// read the whole file (a stop at an overlong line reads less).
std::optional<FileDigest> wholeFileDigest(const std::string& path, Sha256& sum) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || static_cast<uint64_t>(info.st_size) != sum.size())
    return std::nullopt;
  return FileDigest{sum.size(), sum.hex()};
}

std::string formatCm(double value) {
  char text[64];
  // A value typed far beyond any map is shown in exponent form.
  std::snprintf(text, sizeof text, std::fabs(value) < 1e9 ? "%.1f" : "%g", value);
  return text;
}

}  // namespace

std::string sampleName(const std::string& path) {
  std::string body = fileNameBody(path.c_str());
  size_t dot = body.rfind('.');
  if (dot != std::string::npos && dot > 0) body.erase(dot);
  return body;
}

Preflight runPreflight(const AnalysisInput& input, double cutoffCm) {
  requireRegularFile(input.annotation, "the annotation file");
  if (!input.excluded.empty()) requireRegularFile(input.excluded, "the excluded area file");
  if (!input.target.empty()) requireRegularFile(input.target, "the target area file");
  for (size_t i = 0; i < input.patients.size(); ++i) {
    requireRegularFile(input.patients[i], "the genotyping file of " + subjectRole(true, i));
  }
  for (size_t i = 0; i < input.controls.size(); ++i) {
    requireRegularFile(input.controls[i], "the genotyping file of " + subjectRole(false, i));
  }
  refuseDuplicateSubjects(input);

  Preflight result;
  Sha256 annotationSum;
  AnnotationScan annotation = scanAnnotation(input.annotation, annotationSum);
  if (auto digest = wholeFileDigest(input.annotation, annotationSum))
    result.digests[input.annotation] = *digest;
  result.xNumber = annotation.lastChromosome;
  result.annotationSnps = annotation.stored;
  for (const auto& [number, span] : annotation.chromosomes) {
    if (number < annotation.lastChromosome) result.autosomes.push_back(span);
  }
  if (result.autosomes.empty()) {
    throw ReportError(
        "the annotation file " + input.annotation +
        " has no autosome velmora can analyse (the highest numbered chromosome is taken as X)");
  }

  double longestCm = 0, totalCm = 0;
  int longestNumber = 0;
  int64_t totalBp = 0;
  for (const ChromosomeSpan& span : result.autosomes) {
    double cm = span.lastCm - span.firstCm;
    if (cm > longestCm) longestCm = cm, longestNumber = span.number;
    totalCm += cm;
    totalBp += span.lastBp - span.firstBp;
  }
  if (cutoffCm > longestCm) {
    throw ReportError("the cutoff of " + formatCm(cutoffCm) +
                      " cM is longer than any analysed chromosome (the longest, chromosome " +
                      std::to_string(longestNumber) + ", spans " + formatCm(longestCm) +
                      " cM): no RCHH can reach it. Choose a cutoff of at most " +
                      formatCm(longestCm) + " cM.");
  }
  if (cutoffCm == longestCm) {
    result.warnings.push_back(
        "The cutoff of " + formatCm(cutoffCm) +
        " cM is at least as long as the longest analysed chromosome (chromosome " +
        std::to_string(longestNumber) + ", " + formatCm(longestCm) + " cM): no RCHH can reach it.");
  }
  std::vector<MapStretch> stretches;
  for (const ChromosomeSpan& span : result.autosomes) {
    stretches.push_back({span.firstBp, span.lastBp, span.firstCm, span.lastCm});
  }
  if (looksLikeMorgans(stretches)) {
    result.warnings.push_back(
        "The autosomes span only " + formatCm(totalCm) + " cM over " +
        std::to_string(totalBp / 1000000) +
        " Mb: is the genetic map (column 5 of the annotation) in Morgans rather than cM?");
  }
  if (annotation.notPlainLines > 0) {
    result.warnings.push_back(
        std::to_string(annotation.notPlainLines) +
        " annotation lines hold a field that is not a plain number (scientific notation "
        "or trailing text), which velmora reads by its leading digits only; first at " +
        annotation.firstNotPlain + ".");
  }

  int64_t half = (annotation.stored + 1) / 2;
  std::vector<std::string> lowerCase;
  // Every subject is scanned on the threads, the first one alone before the
  // others so that its lines can spare them the lookups; warnings follow in
  // list order.
  std::vector<std::string> paths = input.patients;
  paths.insert(paths.end(), input.controls.begin(), input.controls.end());
  result.subjects.resize(paths.size());
  std::vector<std::optional<FileDigest>> digests(paths.size());
  LineMemo memo;
  auto scanOne = [&](int64_t item, int) {
    const size_t i = static_cast<size_t>(item);
    Sha256 sum;
    result.subjects[i] = scanSubject(paths[i], annotation.rsIDs, memo, i == 0, sum);
    digests[i] = wholeFileDigest(paths[i], sum);
  };
  if (!paths.empty()) scanOne(0, 0);
  forEachItemOnThreads(
      static_cast<int64_t>(paths.size()) - 1, std::min(threadsFor(0), kScanThreads),
      [&](int64_t item, int worker) { scanOne(item + 1, worker); }, [] {});
  for (size_t i = 0; i < paths.size(); ++i) {
    if (digests[i]) result.digests[paths[i]] = *digests[i];
  }
  auto checkSubjects = [&](const std::vector<std::string>& paths, bool patients) {
    for (size_t i = 0; i < paths.size(); ++i) {
      const SubjectFacts& s = result.subjects[patients ? i : input.patients.size() + i];
      std::string who =
          sampleName(paths[i]) + " (" + subjectRole(patients, i) + ", " + paths[i] + ")";
      bool restLooksA = s.linesAfterFirst > 0 && s.layoutALines * 2 > s.linesAfterFirst;
      bool restLooksB = s.linesAfterFirst > 0 && s.layoutALines * 2 < s.linesAfterFirst;
      if ((s.layoutA && restLooksB) || (!s.layoutA && restLooksA)) {
        result.warnings.push_back(
            "The first line of " + who + " makes velmora read the file in the " +
            (s.layoutA ? "rsID-first layout (rs ID in column 1, call in column 2)"
                       : "numeric layout (call in column 3, rs ID in column 5)") +
            ", while most of its lines have the other layout.");
      }
      if (s.validCalls == 0) {
        result.warnings.push_back(
            "Subject " + who + " has no valid call (AA, BB or AB at an rs ID of the annotation).");
      } else if (s.found < half) {
        result.warnings.push_back("Only " + std::to_string(s.found) + " of the annotation's " +
                                  std::to_string(annotation.stored) +
                                  " SNPs were found in the file of " + who + ".");
      }
      if (s.lowerCaseCalls > 0) {
        lowerCase.push_back(sampleName(paths[i]) + " (" + std::to_string(s.lowerCaseCalls) + ")");
      }
    }
  };
  checkSubjects(input.patients, true);
  checkSubjects(input.controls, false);
  if (!lowerCase.empty()) {
    std::string list;
    for (const std::string& s : lowerCase) {
      if (!list.empty()) list.append(", ");
      list.append(s);
    }
    result.warnings.push_back(
        "Calls that differ from AA, BB or AB only by case (velmora counts them as no-calls): " +
        list + ".");
  }
  return result;
}
