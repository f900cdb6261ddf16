// finishWrittenFile: flush, error check and close in one place.
#include "base/close_file.h"

bool finishWrittenFile(FILE* file) {
  bool failed = std::fflush(file) != 0 || std::ferror(file) != 0;
  if (std::fclose(file) != 0) failed = true;
  return !failed;
}
