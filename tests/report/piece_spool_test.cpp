// The piece spool: pieces come back from the unnamed file (and from memory)
// byte for byte as their own files read back with copyLines would, merges
// write what merging the files wrote, and nothing appears in the directory.
#include <filesystem>
#include <random>

#include "base/lines.h"
#include "common/harness.h"
#include "report_fixture.h"

namespace {

class PieceSpoolTest : public ReportTest {
 protected:
  // What copyLines makes of `bytes` read back from a file, checked against
  // the line reader it stands for: every readWholeLine line and an LF.
  std::string throughCopyLines(const std::string& bytes) {
    const std::string piece = dir + "piece.txt";
    write(piece, bytes);
    FILE* in = std::fopen(piece.c_str(), "r");
    std::string lines, line;
    while (readWholeLine(in, line)) lines.append(line).push_back('\n');
    std::fclose(in);
    const std::string merged = dir + "merged.txt";
    FILE* out = std::fopen(merged.c_str(), "w");
    EXPECT_TRUE(copyLines(piece.c_str(), out));
    std::fclose(out);
    EXPECT_EQ(read(merged), lines);
    return lines;
  }

  // What the spool of `prefix` gives back of the pieces `parts` spooled under
  // one name, the first created and the others appended.
  static std::string throughSpool(const std::string& prefix, const std::vector<std::string>& parts,
                                  bool* onDisk) {
    PieceSpool spool(prefix);
    *onDisk = spool.onDisk();
    // Pieces of another name do not mix in.
    std::fputs("noise\r\n", spool.begin("other"));
    spool.finish();
    for (size_t i = 0; i < parts.size(); ++i) {
      std::fwrite(parts[i].data(), 1, parts[i].size(), spool.begin("piece", i > 0));
      spool.finish();
    }
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    EXPECT_TRUE(spool.moveLinesTo("piece", out));
    EXPECT_FALSE(spool.has("piece"));
    EXPECT_FALSE(spool.moveLinesTo("piece", out));
    EXPECT_TRUE(spool.has("other"));
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
  }

  size_t entries() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                             std::filesystem::directory_iterator()));
  }
};

TEST_F(PieceSpoolTest, PiecesReadBackAsTheirFilesWere) {
  // Line ends of every kind, NUL bytes, unended last lines, lone CRs at the
  // end, in pieces appended in random splits.
  std::mt19937 random(17);
  const char alphabet[] = {'a', 'b', '\n', '\r', '\0', '\t'};
  const std::string memoryPrefix = dir + "missing/run_";  // no directory: memory
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) bytes.push_back(alphabet[random() % sizeof alphabet]);
    std::vector<std::string> parts;
    for (size_t at = 0; at < bytes.size();) {
      const size_t take = std::min<size_t>(bytes.size() - at, random() % 6);
      parts.push_back(bytes.substr(at, take));
      at += take;
    }
    if (parts.empty()) parts.emplace_back();  // an empty piece
    const std::string expected = throughCopyLines(bytes);
    bool onDisk = false;
    EXPECT_EQ(throughSpool(dir + "run_", parts, &onDisk), expected) << round;
    EXPECT_EQ(throughSpool(memoryPrefix, parts, &onDisk), expected) << round;
    EXPECT_FALSE(onDisk);
  }
  // The unnamed file leaves no name behind; only the test's own files remain.
  EXPECT_EQ(entries(), 2u);
}

TEST_F(PieceSpoolTest, MergeWritesWhatTheFilesMerged) {
  PieceSpool spool(dir);
  std::fputs("1\tone\n", spool.begin(dir + "f_chr001"));
  spool.finish();
  spool.begin(dir + "f_chr003");  // an empty piece still creates the merged file
  spool.finish();
  std::fputs("2\ttwo", spool.begin(dir + "f_chr002"));
  spool.finish();
  EXPECT_EQ(entries(), 0u);

  const std::vector<std::string> pieces = {dir + "f_chr001", dir + "f_chr002", dir + "f_chr003",
                                           dir + "f_chr004"};
  testing::internal::CaptureStderr();
  EXPECT_TRUE(mergePieces(pieces, dir + "f.ps", true, spool));
  EXPECT_FALSE(mergePieces(pieces, dir + "g.ps", true, spool));  // every piece is used up
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Writing " + dir + "f.ps\n");
  char* header = nullptr;
  size_t headerSize = 0;
  FILE* headerStream = open_memstream(&header, &headerSize);
  writeEpsHeader(headerStream);
  std::fclose(headerStream);
  EXPECT_EQ(read(dir + "f.ps"), std::string(header, headerSize) + "1\tone\n2\ttwo\n");
  std::free(header);
  EXPECT_FALSE(std::filesystem::exists(dir + "g.ps"));
  EXPECT_EQ(entries(), 1u);

  // A merged file the directory refuses is reported as before.
  PieceSpool again(dir);
  again.begin(dir + "p");
  again.finish();
  EXPECT_EXIT(asMain([&] { mergePieces({dir + "p"}, dir + "no/x.txt", false, again); }),
              ::testing::ExitedWithCode(1), "^ERROR: Can't output " + dir + "no/x.txt\n$");
}

}  // namespace
