// The fold-count pieces of one slot on several threads: every fold count W
// finds its segments in flags of its own and formats its figure and text
// piece into memory; the calling thread spools the pieces in the order
// W = n..2, so the spool, the pass's flags and the SNP records end as writing
// the pieces in turn with the printf writers leaves them.
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/lines.h"
#include "base/output.h"
#include "base/parallel_for.h"
#include "base/text_buffer.h"
#include "report/report.h"

namespace {

// Fold counts formatted at once before they are spooled, per thread.
constexpr long kCountsPerThreadAndRound = 8;

std::string_view cString(const std::string& text) {
  return std::string_view(text.c_str());  // what "%s" prints of it
}

// The pieces of one fold count.
struct FoldPieces {
  int found = 0;  // Set_up_start_end's result
  TextBuffer figure, text;
  std::exception_ptr failure;
};

class SlotFoldReports {
 public:
  SlotFoldReports(int pool, int n, int chr) : pool_(pool), n_(n), chr_(chr) {
    names_.reserve(static_cast<size_t>(n));
    for (int l = 0; l < n; ++l) {
      names_.emplace_back(fileNameBody(settings.stFile[pool][static_cast<size_t>(l)].c_str()));
    }
  }

  // Both pieces of fold count w; `flags` is the thread's scratch.
  void format(long w, SlotFlags& flags, FoldPieces& pieces) const {
    pieces.found = flagSlotSegments(static_cast<uint32_t>(w), 1, pool_, chr_, flags);
    if (pieces.found != 1) return;
    forEachSegment(chr_, flags, [&](int64_t j, int64_t k) {
      const SNPRecord& a = genome.sumSNP[j];
      const SNPRecord& b = genome.sumSNP[k];
      TextBuffer& f = pieces.figure;
      f.integer(a.chr).ch('\t').fixed6(static_cast<double>(a.position) / 10000.0);
      f.text("\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%").text(cString(a.rsID));
      f.text("\tstart\t").integer(a.tableIndex).ch('\n');
      f.integer(b.chr).ch('\t').fixed6(static_cast<double>(b.position) / 10000.0);
      f.text("\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath fill\t%%");
      f.text(cString(b.rsID)).text("\tend\n");
      textLine(pieces.text, a, "\tstart\tSubjects\t", w);
      textLine(pieces.text, b, "\tend\tSubjects\t", w);
    });
  }

 private:
  void textLine(TextBuffer& t, const SNPRecord& snp, std::string_view kind, long w) const {
    t.integer(snp.chr).ch('\t').integer(snp.position).ch('\t').fixed6(snp.genetMap).ch('\t');
    t.text(cString(snp.rsID)).text(kind);
    for (int l = 0; l < n_; ++l) {
      if (static_cast<int64_t>(snp.rchhCount[l]) >= w - 1) t.ch(' ').text(names_[l]);
    }
    t.ch('\n');
  }

  int pool_, n_, chr_;
  std::vector<std::string_view> names_;
};

// Whether the printf writers would take the slot without stopping the run;
// anything else goes their way, to stop it with their message.
bool writersTakeSlot(int pool, int n, int chr) {
  if (pool != enum_patients && pool != enum_controls) return false;
  if (n < 0 || static_cast<size_t>(n) > settings.stFile[pool].size()) return false;
  if (chr < 0 || static_cast<size_t>(chr) + 1 >= genome.chrPosition.size()) return false;
  if (static_cast<size_t>(n) >= pass.foldOverlapFileFlagTXT.size()) return false;
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  if (s < 0 || s > e || e > static_cast<int64_t>(genome.sumSNP.size())) return false;
  for (int64_t i = s; i < e; ++i) {
    if (genome.sumSNP[i].rchhCount == nullptr) return false;
  }
  return true;
}

void spoolInTurn(PieceSpool& spool, int pool, int n, int chr, const FoldPieceName& pieceName) {
  for (long w = n; w >= 2; --w) {
    if (Set_up_start_end(static_cast<uint32_t>(w), 1, pool, chr) != 1) continue;
    pass.foldOverlapFileFlagPSHeader = 0;
    spoolBlackAndWhitePS(spool, pieceName(w, "ps"), chr);
    spoolFoldOverlapTextHH(spool, pieceName(w, "txt"), n, w, pool, chr, static_cast<int>(w));
  }
}

}  // namespace

void spoolSlotFoldReports(PieceSpool& spool, int pool, int n, int chr, int threads,
                          const FoldPieceName& pieceName) {
  if (n < 2) return;
  if (!writersTakeSlot(pool, n, chr)) {
    spoolInTurn(spool, pool, n, chr, pieceName);
    return;
  }
  const SlotFoldReports reports(pool, n, chr);
  threads = std::max(1, threads);
  const long perRound = kCountsPerThreadAndRound * threads;
  std::vector<std::unique_ptr<FoldPieces>> round;
  std::vector<SlotFlags> scratch(static_cast<size_t>(threads));
  for (long top = n; top >= 2; top -= perRound) {
    const long counts = std::min<long>(perRound, top - 1);  // w = top .. top - counts + 1
    round.clear();
    for (long i = 0; i < counts; ++i) round.push_back(std::make_unique<FoldPieces>());
    // A piece's failure stays with it, so that the pieces before it are
    // spooled before the run stops, as in turn.
    forEachItemOnThreads(
        counts, std::min<int>(threads, static_cast<int>(counts)),
        [&](int64_t i, int worker) {
          FoldPieces& pieces = *round[static_cast<size_t>(i)];
          try {
            reports.format(top - i, scratch[static_cast<size_t>(worker)], pieces);
          } catch (...) {
            pieces.failure = std::current_exception();
          }
        },
        [] {});
    // In the order of one thread: the first failure in fold-count order stops
    // the run, after the pieces before it.
    for (long i = 0; i < counts; ++i) {
      FoldPieces& pieces = *round[static_cast<size_t>(i)];
      if (pieces.failure) std::rethrow_exception(pieces.failure);
      if (pieces.found != 1) continue;
      const long w = top - i;
      pass.foldOverlapFileFlagPSHeader = 0;
      spool.put(pieceName(w, "ps"), pieces.figure.held(), false);
      uint8_t& created = pass.foldOverlapFileFlagTXT[static_cast<size_t>(w)];
      spool.put(pieceName(w, "txt"), pieces.text.held(), created != 0);
      created = 1;
    }
  }
  // The records keep the segments of the last fold count, as in turn.
  Set_up_start_end(2, 1, pool, chr);
}
