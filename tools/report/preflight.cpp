// The checks: file kinds and duplicate subjects before the load; then, from
// what the one load saw, the things velmora accepts silently (a map in
// Morgans, a first line that flips the column layout, calls that miss the
// annotation, numbers in scientific notation, lower-case calls).
#include "preflight.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "base/lines.h"
#include "base/map_units.h"
#include "report_error.h"

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

void checkInputFiles(const AnalysisInput& input) {
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
}

Preflight checkLoadedCohort(const AnalysisInput& input, const core::CohortFacts& cohort,
                            const std::vector<SubjectLoadFacts>& subjects,
                            const AnnotationLoadFacts& annotation, double cutoffCm) {
  Preflight result;
  result.xNumber = cohort.xNumber;
  result.annotationSnps = cohort.snps;
  result.autosomes = cohort.autosomes;
  if (result.autosomes.empty()) {
    throw ReportError(
        "the annotation file " + input.annotation +
        " has no autosome velmora can analyse (the highest numbered chromosome is taken as X)");
  }
  double longestCm = 0, totalCm = 0;
  int longestNumber = 0;
  int64_t totalBp = 0;
  for (const core::ChromosomeSpan& span : result.autosomes) {
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
  for (const core::ChromosomeSpan& span : result.autosomes) {
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

  int64_t half = (cohort.snps + 1) / 2;
  std::vector<std::string> lowerCase;
  result.subjects = subjects;
  auto checkSubjects = [&](const std::vector<std::string>& paths, bool patients) {
    for (size_t i = 0; i < paths.size(); ++i) {
      const size_t at = patients ? i : input.patients.size() + i;
      if (at >= result.subjects.size()) return;
      const SubjectLoadFacts& s = result.subjects[at];
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
                                  std::to_string(cohort.snps) + " SNPs were found in the file of " +
                                  who + ".");
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
