// Joining per-chromosome pieces into one whole-genome file: the same careful
// copy for the fold-overlap passes (pieces spooled, and the summary's pieces
// as files) and the query turns.
#include <string>
#include <vector>

#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "report/report.h"

bool copyLines(const char* from, FILE* to) {
  // Pieces are the run's own files: read back only as regular files, never
  // through a symbolic link planted in their place.
  InputFile in(openOwnFile(from));
  if (!in) return false;
  // Block by block, with the line ends readWholeLine reads (CR, CR LF, LF).
  LineCopy copy(to);
  std::vector<char> block(1 << 16);
  for (size_t got; (got = std::fread(block.data(), 1, block.size(), in.get())) > 0;) {
    copy.add(block.data(), got);
  }
  copy.finish();
  // A piece that could not be read to its end must not be merged as if whole.
  if (std::ferror(in.get())) fatal("ERROR: Cannot read %s\n", from);
  return true;
}

bool mergePieces(const std::vector<std::string>& pieces, const std::string& name, bool figure,
                 PieceSpool& spool) {
  FILE* out = nullptr;
  for (const std::string& piece : pieces) {
    if (!spool.has(piece)) continue;
    if (out == nullptr) {
      out = openOutput(name);
      if (out == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
      std::fprintf(stderr, "Writing %s\n", name.c_str());
      if (figure) writeEpsHeader(out);
    }
    spool.moveLinesTo(piece, out);
    // Flushed piece by piece, so that a full disk stops the run where it did
    // when every piece was a file.
    flushOutput(out, name);
  }
  if (out == nullptr) return false;
  closeOutput(out, name);
  return true;
}
