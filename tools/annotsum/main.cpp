// annotsum: prints the number of autosomal SNPs of an annotation file, their
// mean major-allele frequency and the genetic distance (cM) they span.
#include <cstdio>
#include <memory>
#include <new>

#include "base/input_file.h"
#include "base/lines.h"
#include "summary.h"

namespace {

int failBadLine() {
  std::fputs("ERROR", stdout);
  std::fflush(stdout);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("ERROR: No annotation file given.\nUsage: annotsum annotationfile\n", stderr);
    return 1;
  }
  const char* path = argv[1];
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    std::fprintf(stderr, "ERROR: Cannot open annotation file %s\n", path);
    return 1;
  }

  std::unique_ptr<char*[]> fields(new (std::nothrow) char*[kMaxFields]);
  std::unique_ptr<char[]> line(new (std::nothrow) char[kLineLimit + 1]);
  if (!fields || !line) {
    std::fputs("\nFailed to allocate memory\n", stderr);
    return 1;
  }

  AnnotationSummary summary;
  while (MyFgets(line.get(), kLineLimit, file) != nullptr) {
    int32_t count = split(line.get(), fields.get(), "\t", kMaxFields);
    if (addAnnotationLine(summary, fields.get(), count) == LineVerdict::bad) return failBadLine();
  }
  // A line of kLineLimit or more characters stops the reading; a summary of
  // the lines before it would pass for the whole file, so it is a bad line.
  if (whyNoLine(file) == LineStop::lineTooLong) {
    std::fprintf(stderr, "ERROR: Annotation file %s holds a line of %d or more characters\n", path,
                 kLineLimit);
    return failBadLine();
  }
  // fopen accepts a directory; reading it fails, which must not pass for an empty file.
  if (std::ferror(file)) {
    std::fprintf(stderr, "ERROR: Cannot read annotation file %s\n", path);
    return 1;
  }
  std::fclose(file);

  std::printf("%ld\t%lf\t%lf\n", static_cast<long>(summary.snpCount), meanMajorFrequency(summary),
              totalDistance(summary));
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("ERROR: Failed to write the summary to standard output\n", stderr);
    return 1;
  }
  return 0;
}
