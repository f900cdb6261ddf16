// Opening input files and telling why their reading stopped.
#include "base/input_file.h"

#include "base/lines.h"
#include "base/output.h"
#include "base/safe_file.h"

InputFile openInput(const std::string& path) {
  return InputFile(openRegularForReading(path));
}

LineStop whyNoLine(FILE* stream) {
  if (std::ferror(stream)) return LineStop::readError;
  // MyFgets stops short of the end only when a line fills its buffer.
  return std::feof(stream) ? LineStop::endOfFile : LineStop::lineTooLong;
}

void requireWholeFile(FILE* stream, const char* what, const std::string& path) {
  switch (whyNoLine(stream)) {
    case LineStop::endOfFile:
      return;
    case LineStop::lineTooLong:
      fatal("ERROR: %s %s holds a line of %d or more characters; lines must be shorter.\n", what,
            path.c_str(), kLineLimit);
    case LineStop::readError:
      fatal("ERROR: Cannot read %s %s\n", what, path.c_str());
  }
}
