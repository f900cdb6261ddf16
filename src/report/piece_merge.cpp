// Joining per-chromosome pieces into one whole-genome file: the same careful
// copy for the fold-overlap passes and the query turns.
#include <string>
#include <vector>

#include "driver/lines/input_file.h"
#include "driver/lines/lines.h"
#include "driver/lines/output.h"
#include "report/report.h"

bool copyLines(const char* from, FILE* to) {
  // Pieces are the run's own files: read back only as regular files, never
  // through a symbolic link planted in their place.
  InputFile in(openOwnFile(from));
  if (!in) return false;
  std::string line;
  while (readWholeLine(in.get(), line)) {
    std::fwrite(line.data(), 1, line.size(), to);
    std::fputc('\n', to);
  }
  // A piece that could not be read to its end must not be merged as if whole.
  if (std::ferror(in.get())) fatal("ERROR: Cannot read %s\n", from);
  return true;
}

bool mergePieces(const std::vector<std::string>& pieces, const std::string& name, bool figure) {
  FILE* out = nullptr;
  for (const std::string& piece : pieces) {
    if (!InputFile(openOwnFile(piece))) continue;
    if (out == nullptr) {
      out = openOutput(name);
      if (out == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
      std::fprintf(stderr, "Writing %s\n", name.c_str());
      if (figure) writeEpsHeader(out);
    }
    if (!copyLines(piece.c_str(), out)) fatal("ERROR: Cannot read %s\n", piece.c_str());
    // The piece goes only once its lines are safely in the merged file.
    flushOutput(out, name);
    std::remove(piece.c_str());
  }
  if (out == nullptr) return false;
  closeOutput(out, name);
  return true;
}
