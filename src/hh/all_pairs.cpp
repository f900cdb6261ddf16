// The all-pairs loop of the bit-parallel engine, spread over threads.
//
// Pairs are cut into chunks in row order; threads take chunks as they come.
// Each chunk formats its rows into memory, and the calling thread writes the
// chunks strictly in order, with the progress lines of their pairs, so the
// temporary pair file and standard error get exactly the bytes of the
// one-pair-at-a-time walk. Covers go into the counters as interval
// differences (+1 at a run's first SNP, -1 just past its last) added modulo
// 2^16 in whatever order threads deliver them, then one prefix sum per slot
// turns them into the counts; modular sums do not depend on order, so the
// counters are those of the walk too.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/output.h"
#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/engine_options.h"
#include "hh/packed_scan.h"
#include "hh/packed_slot.h"
#include "hh/pair_rows.h"

namespace {

// A pair's cover run waiting to enter the counters of st1 (when >= 0) and st2.
struct PendingCover {
  int64_t first, last;  // SNP indexes within the slot, inclusive
  int st1, st2;
};

constexpr size_t kPendingLimit = 8192;  // runs a thread holds before adding them
constexpr int64_t kMaxChunkPairs = 256;

class AllPairs {
 public:
  AllPairs(SlotArrays& arrays, const PairPlan& plan)
      : arrays_(arrays), plan_(plan), count_(static_cast<int64_t>(arrays.position.size())) {
    const int64_t m = static_cast<int64_t>(plan.members.size());
    if (representative()) {
      pairs_ = m;
    } else {
      pairs_ = m * (m - 1) / 2;
      rowStart_.resize(static_cast<size_t>(m));
      int64_t before = 0;
      for (int64_t x = 0; x < m; ++x) {
        rowStart_[static_cast<size_t>(x)] = before;
        before += m - 1 - x;
      }
    }
  }

  // Whether every row can be written without stopping the run.
  bool rowsCanBeWritten() const {
    if (count_ == 0 || pairs_ == 0) return true;  // no row at all
    for (int st : plan_.members) {
      if (!hasEffectiveSNPs(plan_.pool, st, arrays_.chr) || !hasSubjectName(plan_.pool, st))
        return false;
    }
    return !representative() || hasEffectiveSNPs(plan_.pool, plan_.representativeSlot, arrays_.chr);
  }

  void run() {
    if (pairs_ == 0) return;
    if (count_ == 0) {  // an empty slot: no rows, no counts, only the progress lines
      for (int64_t q = 0; q < pairs_; ++q)
        printProgress(arrays_.chr, static_cast<double>(q + 1), plan_.step, &nextTenth_);
      return;
    }
    prepare();
    const int wanted = engineThreads();
    chunkPairs_ =
        std::clamp<int64_t>(pairs_ / (static_cast<int64_t>(wanted) * 16), 1, kMaxChunkPairs);
    chunks_ = (pairs_ + chunkPairs_ - 1) / chunkPairs_;
    chunkRows_.resize(static_cast<size_t>(chunks_));
    chunkReady_.assign(static_cast<size_t>(chunks_), 0);
    const int64_t threads = std::min<int64_t>(wanted, chunks_);
    {
      std::vector<std::jthread> helpers;
      for (int64_t t = 1; t < threads; ++t) {
        try {
          helpers.emplace_back([this] { work(false); });
        } catch (const std::system_error&) {
          break;  // fewer threads give the same result
        }
      }
      work(true);
      if (!failed_.load()) writeReady(true);
    }  // helpers joined: all their covers are in the counters
    if (failure_ != nullptr) {
      translateAllocationFailure(failure_);
      raiseFailure();
    }
    accumulateCounters();
    const auto [st1, st2] = pairAt(pairs_ - 1);
    scanPairOnRecords(arrays_, st1, st2);  // the walk leaves the last pair's flags
  }

 private:
  bool representative() const { return plan_.representativeSlot >= 0; }

  // Positions in plan.members of the subjects of pair q (the second one
  // unused against the representative).
  std::pair<int64_t, int64_t> positionsOf(int64_t q) const {
    if (representative()) return {q, 0};
    const int64_t row =
        std::upper_bound(rowStart_.begin(), rowStart_.end(), q) - rowStart_.begin() - 1;
    return {row, row + 1 + (q - rowStart_[static_cast<size_t>(row)])};
  }

  std::pair<int, int> pairAt(int64_t q) const {
    const auto [x, y] = positionsOf(q);
    const int st1 = plan_.members[static_cast<size_t>(x)];
    if (representative()) return {st1, plan_.representativeSlot};
    return {st1, plan_.members[static_cast<size_t>(y)]};
  }

  void prepare() {
    const int subjects = representative() ? plan_.representativeSlot + 1 : plan_.members.back() + 1;
    std::vector<const uint8_t*> codeRows(static_cast<size_t>(count_));
    counterRows_.resize(static_cast<size_t>(count_));
    for (int64_t k = 0; k < count_; ++k) {
      SNPRecord& snp = genome.sumSNP[arrays_.begin + k];
      codeRows[static_cast<size_t>(k)] = snp.unpackedGType;
      counterRows_[static_cast<size_t>(k)] = snp.rchhCount;
    }
    packSlotMap(arrays_.position.data(), arrays_.genetMap.data(), count_, settings.threshold,
                settings.largeGap, packed_);
    packSlotCalls(codeRows.data(), subjects, packed_);

    calls_.assign(static_cast<size_t>(subjects), 0);
    names_.assign(static_cast<size_t>(subjects), "");
    for (int st : plan_.members) {
      calls_[static_cast<size_t>(st)] = effectiveSNPs(plan_.pool, st, arrays_.chr);
      names_[static_cast<size_t>(st)] = subjectName(plan_.pool, st);
    }
    if (representative()) {
      const int r = plan_.representativeSlot;
      calls_[static_cast<size_t>(r)] = effectiveSNPs(plan_.pool, r, arrays_.chr);
    }
    rowBase_.chr = arrays_.chr;
    rowBase_.representative = representative() ? 1 : 0;
    rowBase_.slotLength = arrays_.genetMap.back() - arrays_.genetMap.front();
  }

  // A failure in any thread (a stop, or memory that cannot be had) is kept
  // with its chunk; the others stop taking chunks, and after the join the
  // failure of the earliest chunk is raised on the calling thread, as one
  // thread comparing pairs in order would have met it first.
  void work(bool writer) {
    int64_t chunk = -1;
    try {
      std::string rows;
      std::vector<CoverRun> cover;
      std::vector<PendingCover> pending;
      for (;;) {
        if (failed_.load()) break;
        chunk = nextChunk_.fetch_add(1);
        if (chunk >= chunks_) break;
        rows.clear();
        compareChunk(chunk, rows, cover, pending);
        {
          std::lock_guard<std::mutex> lock(outputMutex_);
          chunkRows_[static_cast<size_t>(chunk)].swap(rows);
          chunkReady_[static_cast<size_t>(chunk)] = 1;
        }
        ready_.notify_all();
        if (writer) writeReady(false);
      }
      chunk = chunks_;  // past every chunk: a failure adding covers comes last
      addCovers(pending);
    } catch (...) {
      std::lock_guard<std::mutex> lock(outputMutex_);
      if (failure_ == nullptr || chunk < failedChunk_) {
        failure_ = std::current_exception();
        failedChunk_ = chunk;
      }
      failed_.store(true);
      ready_.notify_all();
    }
  }

  // Raises the kept failure, if any, once every thread has been joined.
  void raiseFailure() {
    if (failure_ != nullptr) std::rethrow_exception(failure_);
  }

  // Memory that cannot be had while comparing pairs stops the run with the
  // run's allocation message.
  static void translateAllocationFailure(const std::exception_ptr& failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
  }

  void compareChunk(int64_t chunk, std::string& rows, std::vector<CoverRun>& cover,
                    std::vector<PendingCover>& pending) {
    const int64_t first = chunk * chunkPairs_;
    const int64_t end = std::min(pairs_, first + chunkPairs_);
    const long injected = engineFailureAtPair();
    if (injected >= first && injected < end) {
      fatal("ERROR: Injected failure at pair %ld of chromosome slot %d\n", injected, arrays_.chr);
    }
    auto [x, y] = positionsOf(first);  // of the pair in hand
    const std::vector<int>& members = plan_.members;
    const int64_t m = static_cast<int64_t>(members.size());
    for (int64_t q = first; q < end; ++q) {
      const int st1 = members[static_cast<size_t>(x)];
      const int st2 = representative() ? plan_.representativeSlot : members[static_cast<size_t>(y)];
      cover.clear();
      const PairTotals totals = scanPackedPair(packed_, st1, st2, settings.threshold, cover);
      PairRowFields fields = rowBase_;
      fields.st1 = st1;
      fields.st2 = st2;
      fields.nA = calls_[static_cast<size_t>(st1)];
      fields.nB = calls_[static_cast<size_t>(st2)];
      fields.name1 = names_[static_cast<size_t>(st1)];
      fields.name2 = names_[static_cast<size_t>(st2)];
      appendPairRow(rows, fields, totals);
      for (const CoverRun& run : cover) {
        pending.push_back(PendingCover{run.first, run.last, representative() ? -1 : st1, st2});
      }
      if (pending.size() >= kPendingLimit) addCovers(pending);
      if (representative()) {
        ++x;
      } else if (++y == m) {
        ++x;
        y = x + 1;
      }
    }
  }

  void addCovers(std::vector<PendingCover>& pending) {
    std::lock_guard<std::mutex> lock(counterMutex_);
    for (const PendingCover& run : pending) {
      uint16_t* firstRow = counterRows_[static_cast<size_t>(run.first)];
      uint16_t* pastRow =
          run.last + 1 < count_ ? counterRows_[static_cast<size_t>(run.last + 1)] : nullptr;
      for (int st : {run.st1, run.st2}) {
        if (st < 0) continue;
        ++firstRow[st];
        if (pastRow != nullptr) --pastRow[st];
      }
    }
    pending.clear();
  }

  // Writes the finished chunks that are next in order; with `wait`, until all are written.
  void writeReady(bool wait) {
    std::unique_lock<std::mutex> lock(outputMutex_);
    while (nextWrite_ < chunks_) {
      const size_t chunk = static_cast<size_t>(nextWrite_);
      if (chunkReady_[chunk] == 0) {
        if (!wait) return;
        ready_.wait(lock, [&] { return chunkReady_[chunk] != 0 || failed_.load(); });
        if (chunkReady_[chunk] == 0) return;  // a thread failed: the run stops
      }
      std::string rows;
      rows.swap(chunkRows_[chunk]);
      ++nextWrite_;
      lock.unlock();
      // Write errors here surface when the run closes the file.
      std::fwrite(rows.data(), 1, rows.size(), pass.tempFile[static_cast<size_t>(arrays_.chr)]);
      const int64_t first = static_cast<int64_t>(chunk) * chunkPairs_;
      const int64_t end = std::min(pairs_, first + chunkPairs_);
      for (int64_t q = first; q < end; ++q) {
        printProgress(arrays_.chr, static_cast<double>(q + 1), plan_.step, &nextTenth_);
      }
      lock.lock();
    }
  }

  // Prefix sums over the slot turn the differences into counts; every column
  // between the lowest and highest raised one started at 0, so taking them
  // all keeps the loop contiguous.
  void accumulateCounters() {
    const int lo = representative() ? plan_.representativeSlot : plan_.members.front();
    const int hi = representative() ? plan_.representativeSlot : plan_.members.back();
    for (int64_t k = 1; k < count_; ++k) {
      const uint16_t* before = counterRows_[static_cast<size_t>(k - 1)];
      uint16_t* row = counterRows_[static_cast<size_t>(k)];
      for (int st = lo; st <= hi; ++st) row[st] = static_cast<uint16_t>(row[st] + before[st]);
    }
  }

  SlotArrays& arrays_;
  const PairPlan& plan_;
  const int64_t count_;
  int64_t pairs_ = 0;
  std::vector<int64_t> rowStart_;  // pair index of each member's first pair
  PackedSlot packed_;
  std::vector<uint16_t*> counterRows_;
  std::vector<int64_t> calls_;      // nEffectiveSNP entry per subject index
  std::vector<const char*> names_;  // file-name body per subject index
  PairRowFields rowBase_;

  int64_t chunkPairs_ = 1, chunks_ = 0;
  std::atomic<int64_t> nextChunk_{0};
  std::mutex outputMutex_;
  std::condition_variable ready_;
  std::vector<std::string> chunkRows_;
  std::vector<uint8_t> chunkReady_;
  int64_t nextWrite_ = 0;
  long nextTenth_ = 1;
  std::mutex counterMutex_;
  std::atomic<bool> failed_{false};
  std::exception_ptr failure_;  // guarded by outputMutex_
  int64_t failedChunk_ = 0;
};

}  // namespace

bool compareAllPairsFast(SlotArrays& arrays, const PairPlan& plan) {
  AllPairs engine(arrays, plan);
  if (!engine.rowsCanBeWritten()) return false;
  engine.run();
  return true;
}
