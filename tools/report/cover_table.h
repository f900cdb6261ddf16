// Every subject's RCHH cover count per SNP and each SNP's fold-overlap level,
// per pool, taken from the run as each chromosome's pass finishes: the
// numbers of velmora's fold-overlap summary files, without writing or
// reading them. A subject's counts are kept as runs of equal count, which
// is far smaller than a count per SNP and subject.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// One SNP of the analysed chromosomes, as the summary files list it.
struct CoverRow {
  int chromosome = 0;    // velmora's number, 1-based
  int64_t bp = 0;        // 1-based position
  double cM = 0;         // the map position as the summary prints it (six decimals)
  bool inRegion = true;  // inside an analysis region
};

struct PoolCover {
  int subjects = 0;
  std::vector<int32_t> level;  // by row: the pool's fold-overlap level
  // Per subject: the rows where its count changes (the first is row 0) and
  // the count from there on.
  std::vector<std::vector<uint32_t>> changeRow;
  std::vector<std::vector<uint16_t>> changeCount;

  // The count of `subject` (0-based) at `row`.
  int count(int subject, size_t row) const;
  // The lowest count of `subject` over rows first..last (inclusive).
  int lowest(int subject, size_t first, size_t last) const;
  // The rows around first..last (where the count of `subject` is at least
  // `threshold`) as far as it stays so, within rows spanBegin..spanEnd - 1:
  // the subject's shared stretch that holds the rows.
  std::pair<size_t, size_t> reach(int subject, size_t first, size_t last, int threshold,
                                  size_t spanBegin, size_t spanEnd) const;

 private:
  // How many of the subject's runs start at or before `row`.
  size_t runsFrom(int subject, size_t row) const;
};

struct CoverTable {
  std::vector<CoverRow> rows;  // the SNPs of every non-empty autosome, in table order
  PoolCover pools[2];          // patients, controls; `subjects` 0 for a pool not run

  // Sets up the rows from the loaded tables; once, before the passes.
  void start();
  // Takes the counts and levels of autosome slot `slot` of `pool` (n
  // subjects) from the tables, where the pass has just counted them.
  void takeSlot(int pool, int n, int slot);
};
