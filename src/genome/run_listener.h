// What a program running the engine in its own process hears while a run goes
// on: the passes as they begin, progress within a chromosome, the pair tables
// as numbers. Every call comes on the thread that runs the phases; nothing is
// called while no listener is set (velmora itself sets none).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One line of a pair table, summed over the autosomes.
struct PairTableRow {
  std::string label;             // "(1,2)": subject numbers within the pool, from 1
  std::string name1, name2;      // the subjects' genotyping file names, with suffix
  double cMConserved = 0;        // cM covered by the pair's RCHHs
  double ratio = 0;              // cMConserved over the autosomes' total cM
  int64_t snps1 = 0, snps2 = 0;  // calls of each subject
  double typeA = 0, typeB = 0;   // false-positive estimates, per cM of the autosomes
};

// The pair table of the pass that began last (or of a query turn).
struct PairTable {
  bool representative = false;  // each subject against the representative HH
  std::string cutoffText;       // the cutoff as the pair files give it
  std::vector<PairTableRow> rows;
};

class RunListener {
 public:
  virtual ~RunListener() = default;
  // A fold-overlap pass (or, with `representative`, a pass against the
  // representative HH) over `pool` begins.
  virtual void passBegins(int pool, bool representative) {
    (void)pool;
    (void)representative;
  }
  // `tenths` (0..10) of chromosome `chromosome` (1-based) are done in the pass.
  virtual void chromosomeProgress(int chromosome, long tenths) {
    (void)chromosome;
    (void)tenths;
  }
  virtual void pairTable(const PairTable& table) { (void)table; }
  // A fold-overlap pass over `pool` (n subjects) has counted autosome slot
  // `slot` (0-based): each of the slot's SNPs holds every subject's RCHH
  // cover in rchhCount[0..n) and the pool's level in foldOverlap[pool], as
  // the fold-overlap summary file lists them, until the call returns.
  virtual void slotCounted(int pool, int n, int slot) {
    (void)pool;
    (void)n;
    (void)slot;
  }
  // The patients-only query dialogue asks for its next line.
  virtual void queryTurn() {}
};

// The listener of the run in this process; nullptr: none. Not owned.
extern RunListener* runListener;
