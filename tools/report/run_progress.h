// What velmora-report takes from the run in its process: the progress bar on
// the terminal, the pair tables of the two fold-overlap passes (for
// pairs.tsv and the page) as rows in velmora's printed form, and every
// subject's cover per SNP (for the regions).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cover_table.h"
#include "genome/run_listener.h"

// One row of velmora's pair table, values as velmora prints them.
struct PairRow {
  int pool = 0;                       // 0 patients, 1 controls
  int first = 0, second = 0;          // subject numbers within the pool, from 1
  std::string firstFile, secondFile;  // velmora's names: the file names with suffix
  std::string cutoff, cMConserved, ratio, snpsFirst, snpsSecond, typeA, typeB;
};

struct BarState {
  std::string phase;   // e.g. "patients: comparing every pair"
  int chromosome = 0;  // 0 when not per chromosome
  double share = 0;    // 0..1 of the whole run, roughly
  // When the bar started (steady clock, s): the time left is estimated from
  // the share done so far. Negative: not yet started.
  double startedAt = -1;
  static double now();  // the clock startedAt is read on
};

// The terminal's width in columns (COLUMNS, else the terminal's own, else 80).
int terminalColumns(std::FILE* terminal);

// Draws `progress` as a bar on `terminal`, ending the line when `final`.
void drawProgressBar(std::FILE* terminal, const BarState& progress, bool final);

class RunProgress : public RunListener {
 public:
  // snpsPerChromosome[c - 1]: SNPs of autosome c, to weigh the share done.
  // `terminal`: where the bar goes; nullptr draws none. `cover`: where the
  // passes' counts go, started already. Neither is owned.
  RunProgress(int patients, int controls, std::vector<int64_t> snpsPerChromosome,
              std::FILE* terminal, CoverTable* cover);

  void passBegins(int pool, bool representative) override;
  void chromosomeProgress(int chromosome, long tenths) override;
  void pairTable(const PairTable& table) override;
  void queryTurn() override;
  void slotCounted(int pool, int n, int slot) override;
  // Ends the bar's line.
  void finish();

  const std::vector<PairRow>& pairs() const { return pairs_; }

 private:
  void setShare(double passShare);
  void draw(bool final);

  int patients_, controls_;
  std::vector<int64_t> snpsBefore_;  // cumulative SNPs of the chromosomes below c
  int64_t snpsTotal_ = 1;
  int passIndex_ = -1;  // 0-based count of the passes begun
  int passes_ = 1;
  int pool_ = -1;  // pool of the fold-overlap pass in hand; -1 otherwise
  bool tableTaken_[2] = {false, false};
  std::vector<PairRow> pairs_;
  BarState progress_;
  std::FILE* terminal_;
  CoverTable* cover_;
};
