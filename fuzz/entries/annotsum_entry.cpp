// Fuzz entry of annotsum's line summary: the file read and split as annotsum
// reads it, every line fed to the summary until a bad one.
#include <vector>

#include "annotsum/summary.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "fuzz_entries.h"

FuzzResult fuzzAnnotsum(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("annotsum.txt", data, size);
  return runReader([&] {
    InputFile file = openInput(path);
    if (!file) fuzzFinding("cannot reopen " + path);
    std::vector<char> line(kLineLimit + 1);
    std::vector<char*> fields(kMaxFields);
    AnnotationSummary summary;
    int64_t lines = 0;
    while (MyFgets(line.data(), kLineLimit, file.get()) != nullptr) {
      const int32_t count = split(line.data(), fields.data(), "\t", kMaxFields);
      if (count < 1 || count > kMaxFields) fuzzFinding("field count");
      ++lines;
      if (addAnnotationLine(summary, fields.data(), count) == LineVerdict::bad) return;
    }
    if (summary.snpCount < 0 || summary.snpCount > lines) fuzzFinding("SNP count");
    // Every counted line adds a major-allele frequency in [0.5, 1].
    const double mean = meanMajorFrequency(summary);
    if (summary.snpCount > 0 && !(mean >= 0.5 - 1e-9 && mean <= 1.0 + 1e-9)) {
      fuzzFinding("mean major-allele frequency");
    }
    (void)totalDistance(summary);
  });
}
