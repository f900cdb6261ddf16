// The HH summary file, the whole-genome merges and the representative file.
#include "driver/run_files.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/input_file.h"
#include "base/lines.h"
#include "base/ordered_rows.h"
#include "base/output.h"
#include "base/text_buffer.h"
#include "genome/model.h"
#include "hh/engine_options.h"
#include "report/report.h"

namespace {

const char* poolName(int pool) {
  return settings.stringTgPool[pool];
}
const char* outDir() {
  return settings.outputFilePath.c_str();
}

// The HH summary cells of the four subjects of one byte of packed calls:
// "A\t" for AA, "B\t" for BB, "\t" for anything else, in subject order.
struct GTypeCells {
  char text[256][8];
  uint8_t size[256];
};

const GTypeCells& gTypeCells() {
  static const GTypeCells cells = [] {
    GTypeCells c{};
    for (int packed = 0; packed < 256; ++packed) {
      uint8_t size = 0;
      for (int s = 0; s < 4; ++s) {
        const int code = (packed >> (2 * s)) & 3;
        if (code == GTYPE_AA) c.text[packed][size++] = 'A';
        if (code == GTYPE_BB) c.text[packed][size++] = 'B';
        c.text[packed][size++] = '\t';
      }
      c.size[packed] = size;
    }
    return c;
  }();
  return cells;
}

}  // namespace

void writeHHSummaryFile(int pool) {
  const std::string name =
      outName("%sHH_HomozygosityHaplotype_Summary_%s.txt", outDir(), poolName(pool));
  FILE* out = openOutput(name);
  if (out == nullptr) {
    fatal("ERROR: Can't output\"%sHH_HomozygosityHaplotype_Summary_%s.txt\"\n", outDir(),
          poolName(pool));
  }
  const int n = settings.noTgPool[pool];
  {
    // One row per SNP and one cell per subject: genome-wide this is the largest
    // file of a run, so it is formatted without a printf call per value.
    TextBuffer text(out);
    text.text("chr\tpos\tgen map\trsID\t'A' frequency\t");
    for (int v = 0; v < n; ++v) text.text(fileNameBody(settings.stFile[pool][v].c_str())).ch('\t');
    text.text("No.\n\n");
    const GTypeCells& cells = gTypeCells();
    const int whole = n / 4;  // bytes of four subjects
    writeRowsInOrder(
        text, 0, genome.totalAnnotationDataCount, engineThreads(), [&](TextBuffer& row, int64_t k) {
          const SNPRecord& r = genome.sumSNP[k];
          row.integer(r.chr).ch('\t').integer(r.position).ch('\t').fixed6(r.genetMap).ch('\t');
          row.text(r.rsID).ch('\t').fixed6(static_cast<double>(r.freqA)).ch('\t');
          // Written straight into the row: at most two bytes a subject, the
          // number, and the room of the last eight-byte copy below.
          char* at = row.reserve(static_cast<size_t>(2 * n) + TextBuffer::kIntegerBytes + 9);
          const uint8_t* calls = r.gType[pool];
          for (int b = 0; b < whole; ++b) {
            // Eight bytes are copied whatever the cells' size: the row has the room.
            std::memcpy(at, cells.text[calls[b]], 8);
            at += cells.size[calls[b]];
          }
          for (int v = 4 * whole; v < n; ++v) {
            switch (getGType(calls, static_cast<uint64_t>(v))) {
              case GTYPE_AA:
                *at++ = 'A';
                break;
              case GTYPE_BB:
                *at++ = 'B';
                break;
              default:
                break;
            }
            *at++ = '\t';
          }
          at = TextBuffer::putInteger(at, k);
          *at++ = '\n';
          row.commit(at);
        });
  }
  closeOutput(out, name);
}

void mergeFoldOverlapSummary(int pool, UnnamedOutput* whole) {
  const std::string name = outName("%sHH_FoldOverlap_Summary_%s.txt", outDir(), poolName(pool));
  FILE* out = openOutput(name);
  if (out == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
  std::fprintf(stderr, "\nWriting %s\n", name.c_str());
  if (whole != nullptr) {
    whole->publish(name, out);
    closeOutput(out, name);
    return;
  }
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotBegin(k) == slotEnd(k)) continue;
    const std::string piece =
        outName("%sHH_FoldOverlap_Summary_%s_chr%03d.txt", outDir(), poolName(pool), k + 1);
    if (!copyLines(piece.c_str(), out)) continue;
    // The piece goes only once its lines are safely in the merged file.
    flushOutput(out, name);
    std::remove(piece.c_str());
  }
  closeOutput(out, name);
}

namespace {

// The texts and figures merge alike; figures get the EPS header when created.
void mergeWholeGenomeFold(PieceSpool& spool, int pool, int n, const char* extension, bool figure) {
  for (long w = n; w >= 2; --w) {
    std::vector<std::string> pieces;
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      if (slotBegin(k) == slotEnd(k)) continue;
      pieces.push_back(outName("%sHH_%03ld_FoldOverlaps_%s_chr%03d.%s", outDir(), w, poolName(pool),
                               k + 1, extension));
    }
    mergePieces(pieces,
                outName("%sHH_%03ld_FoldOverlaps_%s.%s", outDir(), w, poolName(pool), extension),
                figure, spool);
  }
}

}  // namespace

void mergeWholeGenomeFoldTexts(PieceSpool& spool, int pool, int n) {
  mergeWholeGenomeFold(spool, pool, n, "txt", false);
}

void mergeWholeGenomeFoldFigures(PieceSpool& spool, int pool, int n) {
  mergeWholeGenomeFold(spool, pool, n, "ps", true);
}

void writeRepresentativeFile() {
  const std::string name = outName("%sHH_Representative_PatientPool.txt", outDir());
  FILE* out = openOutput(name);
  if (out == nullptr) fatal("ERROR: Can't output %sHH_Representative_PatientPool.txt\n", outDir());
  std::fprintf(stderr, "Writing %s\n", name.c_str());
  const uint64_t representative = static_cast<uint64_t>(settings.noTgPool[enum_patients]);
  {
    TextBuffer text(out);
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
        const SNPRecord& r = genome.sumSNP[i];
        text.integer(r.chr).ch('\t').integer(r.position).ch('\t');
        switch (getGType(r.gType[enum_patients], representative)) {
          case GTYPE_AA:
            text.text("AA\t");
            break;
          case GTYPE_BB:
            text.text("BB\t");
            break;
          default:
            text.text("AB\t");
            break;
        }
        text.fixed6(static_cast<double>(r.freqA)).ch('\t').text(r.rsID).ch('\t');
        text.integer(i).text("\n");
      }
    }
  }
  closeOutput(out, name);
}
