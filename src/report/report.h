// Reports and figures: segments recorded in place by startFlag/endFlag, the
// segment walk every writer shares, start/end lists, EPS figures and the
// fold-overlap reports.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "report/piece_spool.h"

// Flags segments of column `column` on slot chrIndex: mode 1 marks runs at or
// above threshold, mode 0 runs of equal nonzero value. Returns 1 when at least
// one segment was flagged.
int Set_up_start_end(uint32_t threshold, int mode, int column, int chrIndex);

// The flags Set_up_start_end would record on slot chrIndex, kept in `flags`
// instead of the SNP records (which are only read): for threads that find the
// segments of several thresholds at once. Same checks, same result.
struct SlotFlags {
  int64_t first = 0;                 // SNP table index of start[0] and end[0]
  std::vector<uint16_t> start, end;  // one per SNP of the slot
  std::vector<uint64_t> marks;       // scratch
};
int flagSlotSegments(uint32_t threshold, int mode, int column, int chrIndex, SlotFlags& flags);

// Calls visit(j, k) for every flagged segment j..k (SNP table indexes), regions
// in table order; chrIndex >= 0 restricts the walk to regions wholly inside that
// slot, -1 walks all regions. A start flag without an end flag before its
// region ends is skipped.
template <typename Visit>
void forEachSegment(int chrIndex, Visit visit);
// The same walk over the flags of slot chrIndex held in `flags`.
template <typename Visit>
void forEachSegment(int chrIndex, const SlotFlags& flags, Visit visit);

int Output_start_end_text(const std::string& path, const std::string& title, int column);
int fOutput_start_end_text(const std::string& path, const std::string& title, int kind);

// Colour of a shade for the coloured figures.
void shadeToRGB(float shade, double* red, double* green, double* blue);

// The five header lines of a black-and-white whole-genome figure.
void writeEpsHeader(FILE* file);

// Appends every line of the file `from` (read back as the run's own regular
// file, LF ends, whole whatever its length) to `to`; false when `from` cannot
// be opened. A read error stops the run.
bool copyLines(const char* from, FILE* to);

// Joins those of `pieces` that `spool` holds, in order, into `name`, created at
// the first one with "Writing <name>" on standard error and, for a figure, the
// EPS header; each piece is dropped from the spool once its lines are flushed
// to `name`. Returns false (and creates nothing) when the spool holds none.
bool mergePieces(const std::vector<std::string>& pieces, const std::string& name, bool figure,
                 PieceSpool& spool);

int Output_black_and_whitePS(const std::string& path, int chrIndex, int64_t foldCount);
// The same figure of slot chrIndex as the piece `name` of `spool`.
void spoolBlackAndWhitePS(PieceSpool& spool, const std::string& name, int chrIndex);
void Output_birds_eye_viewPS(const std::string& path, int kind);

int Output_foldoverlap_textHH(const std::string& path, int nSubjects, int64_t W, int pool,
                              int chrIndex, int flagIndex);
// The same text as the piece `name` of `spool`: a new piece for the first text
// of fold count flagIndex in the pass, appended to an earlier one of that name
// otherwise.
void spoolFoldOverlapTextHH(PieceSpool& spool, const std::string& name, int nSubjects, int64_t W,
                            int pool, int chrIndex, int flagIndex);
// The name of the piece of fold count w with extension "ps" or "txt".
using FoldPieceName = std::function<std::string(long w, const char* extension)>;

// The figure and text pieces of every fold count w = n..2 reached on slot chr
// of `pool` (Set_up_start_end(w, 1, pool, chr) == 1), as spoolBlackAndWhitePS
// and spoolFoldOverlapTextHH write them in turn, with the same flags left in
// `pass` and the SNP records (those of w = 2); formatted on up to `threads`
// threads, spooled in the order of w. Needs the slot's counters attached.
void spoolSlotFoldReports(PieceSpool& spool, int pool, int n, int chr, int threads,
                          const FoldPieceName& pieceName);

int foldOverlapDrawFigures(int pool, int nSamples, int withRepresentative);

#include "report/segment_walk.h"
