// What velmora's standard error says while it runs: the phase it is in (for
// the progress bar) and the pair tables of the two fold-overlap passes (for
// pairs.tsv). Fed one line at a time, in order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One row of velmora's pair table, values as velmora printed them.
struct PairRow {
  int pool = 0;                       // 0 patients, 1 controls
  int first = 0, second = 0;          // subject numbers within the pool, from 1
  std::string firstFile, secondFile;  // velmora's names: the file names with suffix
  std::string cutoff, cMConserved, ratio, snpsFirst, snpsSecond, typeA, typeB;
};

struct Progress {
  std::string phase;   // e.g. "patients: comparing pairs"
  int chromosome = 0;  // 0 when not per chromosome
  double share = 0;    // 0..1 of the whole run, roughly
};

class VelmoraLog {
 public:
  // snpsPerChromosome[c - 1]: SNPs of autosome c, to weigh the share done.
  VelmoraLog(int patients, int controls, std::vector<int64_t> snpsPerChromosome);

  void line(const std::string& text);

  const std::vector<PairRow>& pairs() const { return pairs_; }
  const Progress& progress() const { return progress_; }
  // The lines velmora began with "ERROR" (or without it, when it stopped with
  // a message of its own), the last few lines, for the user.
  const std::vector<std::string>& lastLines() const { return last_; }

 private:
  enum class Context { loading, patientPass, controlPass, other };
  void setShare(double passShare);

  int patients_, controls_;
  std::vector<int64_t> snpsBefore_;  // cumulative SNPs of the chromosomes below c
  int64_t snpsTotal_ = 0;
  Context context_ = Context::loading;
  bool tableOpen_ = false;
  int passIndex_ = -1;  // 0-based count of the comparison passes seen
  int passes_ = 1;
  bool tableTaken_[2] = {false, false};
  std::vector<PairRow> pairs_;
  Progress progress_;
  std::vector<std::string> last_;
};
