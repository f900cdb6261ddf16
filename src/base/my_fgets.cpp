// MyFgets and readWholeLine: one line of a text file, LF, CR LF or CR ended.
// A stream is read by one thread at a time, so the unlocked getc is safe and
// spares a lock per character.
#include "base/lines.h"

char* MyFgets(char* buf, int32_t size, FILE* stream) {
  if (size <= 0) {
    buf[0] = '\0';
    return nullptr;
  }
  int32_t len = 0;
  for (;;) {
    int c = getc_unlocked(stream);
    if (c == EOF) {
      buf[len] = '\0';
      return len > 0 ? buf : nullptr;
    }
    if (c == '\n') {
      buf[len] = '\0';
      return buf;
    }
    if (c == '\r') {
      int next = getc_unlocked(stream);
      if (next == EOF) {
        buf[len] = '\0';
        return len > 0 ? buf : nullptr;
      }
      if (next != '\n') ungetc(next, stream);
      buf[len] = '\0';
      return buf;
    }
    buf[len++] = static_cast<char>(c);
    if (len == size) {
      buf[size] = '\0';
      return nullptr;
    }
  }
}

bool readWholeLine(FILE* stream, std::string& line) {
  line.clear();
  for (;;) {
    int c = getc_unlocked(stream);
    if (c == EOF) return !line.empty();
    if (c == '\n') return true;
    if (c == '\r') {
      int next = getc_unlocked(stream);
      if (next == EOF) return !line.empty();
      if (next != '\n') ungetc(next, stream);
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
}
