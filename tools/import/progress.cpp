// Progress lines.
#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>

Progress::Progress(std::string what, int64_t step)
    : what_(std::move(what)),
      terminal_(isatty(STDERR_FILENO) != 0),
      step_(terminal_ ? std::max<int64_t>(1, step / 10) : step),
      next_(step_) {}

Progress::~Progress() {
  if (shown_ && terminal_) std::fputc('\n', stderr);
}

void Progress::update(int64_t done) {
  if (done < next_) return;
  while (next_ <= done) next_ += step_;
  std::fprintf(stderr,
               terminal_ ? "\rvelmora-import: %" PRId64 " %s" : "velmora-import: %" PRId64 " %s\n",
               done, what_.c_str());
  std::fflush(stderr);
  shown_ = true;
}
