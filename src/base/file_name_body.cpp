// fileNameBody: the file-name part of a path, for reports.
#include <cstring>

#include "base/lines.h"

const char* fileNameBody(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

char* fileNameBody(char* path) {
  char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}
