// The fold-overlap level of one SNP by one counting pass over its counters,
// and kept up to date as counters move by one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Same result as foldLevel (the smallest L such that at most L of the n
// counters are at least L) from a histogram of the counters clipped to n.
// `histogram` is scratch, reused between calls.
uint32_t foldLevelCounted(const uint16_t* counts, int n, std::vector<uint32_t>& histogram);

// The same level kept as a pool's counters move by one at a time (the
// relabellings' sweep over cover events), in constant time a step. The pool
// has at least one subject, so the level is at least 1.
class MovingFoldLevel {
 public:
  void reset(int subjects) {
    atLeast_.assign(static_cast<size_t>(subjects) + 2, 0);
    atLeast_[0] = subjects;
    // With no count at least 1 the level is 1, or 0 for a pool of nobody
    // (foldLevel's value): a patient pool pooled alone has no controls.
    level_ = subjects > 0 ? 1 : 0;
  }
  // A subject's count goes from `from` to from + delta (delta +1 or -1).
  // Raising it adds a subject at from + 1 and the level can only rise by one;
  // lowering it removes one at `from` and the level can only fall by one. The
  // update is written without branches: which way an event goes is as good
  // as random.
  void step(int32_t from, int32_t delta) {
    atLeast_[static_cast<size_t>(delta > 0 ? from + 1 : from)] += delta;
    const int32_t up = atLeast_[static_cast<size_t>(level_)] > level_;
    const int32_t down = atLeast_[static_cast<size_t>(level_) - 1] <= level_ - 1;
    level_ += delta > 0 ? up : -down;
  }
  int32_t level() const { return level_; }

 private:
  std::vector<int32_t> atLeast_;  // [x]: subjects whose count is at least x
  int32_t level_ = 1;
};
