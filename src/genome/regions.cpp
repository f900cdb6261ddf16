// setRegion: the analysis regions, from the autosomes alone or cut by an
// excluded or target area file.
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "genome/genome.h"

namespace {

struct AreaFileKind {
  const char* name;          // "excluded" or "target"
  uint8_t outsideMark;       // mark of a SNP no area names
  const char* missing;       // message when the file cannot be opened
  const char* incompatible;  // message when an area cannot be placed
  const char* fileTitle;     // the file's name in other messages
};

const AreaFileKind kExcluded{"excluded", 1, "ERROR: The excluded area file is not present.\n",
                             "ERROR: The excluded area file is not compatible.\n",
                             "Excluded area file"};
const AreaFileKind kTarget{"target", 0, "ERROR: The target area file is not present.\n",
                           "ERROR: The target area file is not compatible.\n", "Target area file"};

// One end of an area: a SNP named by chromosome number and position (bp).
struct AreaEnd {
  int32_t chr = 0;
  int64_t position = 0;
};

bool parseAreaEnd(const char* line, AreaEnd& end) {
  int chr = 0;
  long position = 0;
  float map = 0;  // read and not used
  if (std::sscanf(line, "%d %ld %f", &chr, &position, &map) != 3) return false;
  end.chr = chr;
  end.position = position;
  return true;
}

// First table index in [from, size) of the SNP at `end`, or -1.
int64_t findSNP(const AreaEnd& end, int64_t from, int64_t size) {
  for (int64_t i = from; i < size; ++i) {
    const SNPRecord& rec = genome.sumSNP[i];
    if (rec.chr == end.chr && rec.position == end.position) return i;
  }
  return -1;
}

// Marks the areas of the file, pair of lines by pair of lines. Areas must come
// in table order: each is searched from just after the end of the previous one.
void markAreas(FILE* file, const AreaFileKind& kind, const std::string& path,
               std::vector<uint8_t>& marks, int64_t size) {
  std::vector<char> first(kLineLimit + 1), second(kLineLimit + 1);
  const uint8_t areaMark = kind.outsideMark == 1 ? 0 : 1;
  int64_t searchFrom = 0;
  while (MyFgets(first.data(), kLineLimit, file) != nullptr) {
    // A last line without its partner is no area.
    if (MyFgets(second.data(), kLineLimit, file) == nullptr) break;
    AreaEnd a, b;
    if (!parseAreaEnd(first.data(), a) || !parseAreaEnd(second.data(), b))
      fatal("%s", kind.incompatible);
    const int64_t s = findSNP(a, searchFrom, size);
    if (s < 0) fatal("%s", kind.incompatible);
    const int64_t e = findSNP(b, s, size);
    if (e < 0) fatal("%s", kind.incompatible);
    searchFrom = e + 1;
    for (int64_t i = s; i <= e; ++i) marks[i] = areaMark;
  }
  // Areas after a line too long for the buffer would be dropped unnoticed.
  requireWholeFile(file, kind.fileTitle, path);
}

// Runs of marked SNPs within one chromosome become the regions; returns how
// many and adds their map lengths (cM) to `distance`.
int64_t collectRegions(const std::vector<uint8_t>& marks, int64_t size, const AreaFileKind& kind,
                       double& distance) {
  int64_t count = 0;
  for (int64_t i = 0; i < size; ++i) {
    if (marks[i] == 0) continue;
    const int64_t start = i;
    const int32_t chr = genome.sumSNP[start].chr;
    while (i + 1 < size && marks[i + 1] != 0 && genome.sumSNP[i + 1].chr == chr) ++i;
    if (count == kMaxRegions) {
      fatal("ERROR: The %s area file gives more than %ld analysis regions.\n", kind.name,
            static_cast<long>(kMaxRegions));
    }
    genome.includeRegion[count++] = {start, i};
    distance += genome.sumSNP[i].genetMap - genome.sumSNP[start].genetMap;
  }
  return count;
}

}  // namespace

int64_t setRegion(const std::string& excludedPath, const std::string& targetPath, int64_t size) {
  if (size < 0 || size > static_cast<int64_t>(genome.sumSNP.size()) ||
      genome.chrPosition.size() < static_cast<size_t>(genome.lastChromosome) + 1) {
    fatal("ERROR: The number of autosomal SNPs (%ld) does not match the SNP table\n", size);
  }
  if (genome.includeRegion.size() < static_cast<size_t>(kMaxRegions))
    genome.includeRegion.resize(kMaxRegions);
  std::vector<uint8_t> marks;
  try {
    marks.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Cannot allocate memory.\n");
  }

  if (excludedPath.empty() && targetPath.empty()) {
    const int64_t autosomes = genome.lastChromosome > 1 ? genome.lastChromosome - 1 : 0;
    if (autosomes > kMaxRegions)
      fatal("ERROR: More than %ld autosomes to analyse.\n", static_cast<long>(kMaxRegions));
    for (int64_t j = 0; j < autosomes; ++j) {
      genome.includeRegion[j] = {genome.chrPosition[j], genome.chrPosition[j + 1] - 1};
    }
    return autosomes;
  }

  const AreaFileKind& kind = excludedPath.empty() ? kTarget : kExcluded;
  const std::string& path = excludedPath.empty() ? targetPath : excludedPath;
  InputFile file = openInput(path);
  if (!file) fatal("%s", kind.missing);
  std::fill(marks.begin(), marks.end(), kind.outsideMark);
  markAreas(file.get(), kind, path, marks, size);
  file.reset();

  double distance = 0;  // cM
  const int64_t count = collectRegions(marks, size, kind, distance);
  std::fprintf(stderr, "Total genetic distance included = %f.  Ratio is %f\n", distance,
               distance / genome.totalGenetDistanceWOX);
  return count;
}
