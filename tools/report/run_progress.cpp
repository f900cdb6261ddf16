// The run's progress bar and pair tables, from the engine's listener calls.
#include "run_progress.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::string printed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

int terminalColumns(std::FILE* terminal) {
  if (const char* columns = std::getenv("COLUMNS")) {
    const int n = std::atoi(columns);
    if (n >= 20 && n <= 1000) return n;
  }
  winsize size{};
  if (::ioctl(::fileno(terminal), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
  return 80;
}

namespace {

// "1 min 20 s left" once a few seconds and some share have passed.
std::string timeLeft(const BarState& progress) {
  if (progress.startedAt < 0 || progress.share <= 0.02 || progress.share >= 1) return "";
  const double spent = BarState::now() - progress.startedAt;
  if (spent < 3) return "";
  const long left = std::lround(spent * (1 - progress.share) / progress.share);
  return left >= 60
             ? ", ~" + std::to_string(left / 60) + " min " + std::to_string(left % 60) + " s left"
             : ", ~" + std::to_string(left) + " s left";
}

}  // namespace

void drawProgressBar(std::FILE* terminal, const BarState& progress, bool final) {
  const int columns = terminalColumns(terminal) - 1;  // the last column would wrap
  const int width = std::clamp(columns / 4, 10, 40);
  int filled = static_cast<int>(progress.share * width + 0.5);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(width - filled), '.');
  std::string where =
      progress.chromosome > 0 ? ", chromosome " + std::to_string(progress.chromosome) : "";
  std::string text = "[" + bar + "] " +
                     std::to_string(static_cast<int>(progress.share * 100 + 0.5)) + "% " +
                     progress.phase + where + (final ? "" : timeLeft(progress));
  if (static_cast<int>(text.size()) > columns) text.resize(static_cast<size_t>(columns));
  std::fprintf(terminal, "\r%-*s%s", columns, text.c_str(), final ? "\n" : "");
  std::fflush(terminal);
}

double BarState::now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

RunProgress::RunProgress(int patients, int controls, std::vector<int64_t> snpsPerChromosome,
                         std::FILE* terminal, CoverTable* cover)
    : patients_(patients), controls_(controls), terminal_(terminal), cover_(cover) {
  int64_t sum = 0;
  for (int64_t s : snpsPerChromosome) {
    snpsBefore_.push_back(sum);
    sum += s;
  }
  snpsBefore_.push_back(sum);
  snpsTotal_ = sum > 0 ? sum : 1;
  // Fold-overlap passes of each pool in use, then the two representative passes.
  passes_ = controls_ > 0 ? 4 : 1;
  progress_.phase = "starting the analysis";
  progress_.startedAt = BarState::now();
}

void RunProgress::setShare(double passShare) {
  // The cohort is loaded before the bar starts; the passes share it.
  double pass = passIndex_ < 0 ? 0 : passIndex_;
  progress_.share = (pass + passShare) / passes_;
  if (progress_.share > 1) progress_.share = 1;
}

void RunProgress::draw(bool final) {
  if (terminal_ != nullptr) drawProgressBar(terminal_, progress_, final);
}

void RunProgress::passBegins(int pool, bool representative) {
  ++passIndex_;
  pool_ = representative ? -1 : pool;
  progress_.phase = representative ? std::string("comparing with the representative HH (") +
                                         (pool == 0 ? "PatientPool" : "ControlPool") + ")"
                    : pool == 0 ? "patients: comparing every pair"
                                : "controls: comparing every pair";
  progress_.chromosome = 0;
  setShare(0);
  draw(false);
}

void RunProgress::chromosomeProgress(int chromosome, long tenths) {
  progress_.chromosome = chromosome;
  if (progress_.phase != "query" && chromosome >= 1 &&
      chromosome < static_cast<int>(snpsBefore_.size())) {
    double done = snpsBefore_[chromosome - 1] +
                  (snpsBefore_[chromosome] - snpsBefore_[chromosome - 1]) * (tenths / 10.0);
    setShare(done / snpsTotal_);
  }
  draw(false);
}

void RunProgress::queryTurn() {
  pool_ = -1;
  progress_.phase = "query";
  progress_.chromosome = 0;
  progress_.share = 1;
  draw(false);
}

void RunProgress::pairTable(const PairTable& table) {
  // The table of each pool's fold-overlap pass; those against the
  // representative HH and of queries are velmora's own.
  if (table.representative || pool_ < 0 || tableTaken_[pool_]) return;
  tableTaken_[pool_] = true;
  for (const PairTableRow& r : table.rows) {
    PairRow row;
    if (std::sscanf(r.label.c_str(), "(%d,%d)", &row.first, &row.second) != 2) continue;
    row.pool = pool_;
    row.cutoff = table.cutoffText;
    row.firstFile = r.name1;
    row.secondFile = r.name2;
    row.cMConserved = printed("%.1f", r.cMConserved);
    row.ratio = printed("%.3f", r.ratio);
    row.snpsFirst = std::to_string(r.snps1);
    row.snpsSecond = std::to_string(r.snps2);
    row.typeA = printed("%.3f", r.typeA);
    row.typeB = printed("%.3f", r.typeB);
    pairs_.push_back(std::move(row));
  }
}

void RunProgress::slotCounted(int pool, int n, int slot) {
  // Only the fold-overlap passes' counts; a query turn counts its own subjects.
  if (pool_ == pool && cover_ != nullptr) cover_->takeSlot(pool, n, slot);
}

void RunProgress::finish() {
  draw(true);
}
