// Replays the seed inputs and the saved regression inputs of every fuzz target
// through the entry functions the fuzzers call, built here with the project's
// compiler (and with the sanitizers in the sanitizer build). A crash, a
// sanitizer report or a broken invariant fails the suite; a reader that stops
// an input must do it with an "ERROR: " message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz_entries.h"

namespace fs = std::filesystem;

// Test names show the target, not the bytes of the entry.
void PrintTo(const FuzzTarget& target, std::ostream* out) {
  *out << target.name;
}

namespace {

std::vector<uint8_t> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> inputsIn(const fs::path& dir) {
  std::vector<fs::path> files;
  std::error_code error;
  if (!fs::is_directory(dir, error)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

FuzzResult feed(const FuzzTarget& target, const fs::path& input) {
  const std::vector<uint8_t> bytes = bytesOf(input);
  return target.entry(bytes.data(), bytes.size());
}

class FuzzReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzReplay, EverySeedAndSavedInputIsAcceptedOrStoppedWithAnErrorMessage) {
  const FuzzTarget& target = GetParam();
  const fs::path seeds = fs::path(VELMORA_SOURCE_DIR) / "fuzz/corpus" / target.name;
  const fs::path saved = fs::path(VELMORA_SOURCE_DIR) / "tests/fuzz/regressions" / target.name;
  const std::vector<fs::path> seedInputs = inputsIn(seeds);
  EXPECT_FALSE(seedInputs.empty()) << "no seed inputs in " << seeds;
  std::vector<fs::path> all = seedInputs;
  for (const fs::path& p : inputsIn(saved)) all.push_back(p);
  for (const fs::path& input : all) {
    const FuzzResult result = feed(target, input);
    if (result.stopped) {
      EXPECT_EQ(result.message.rfind("ERROR: ", 0), 0u) << input;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kFuzzTargets),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) {
                           return std::string(info.param.name);
                         });

// The verdicts of the seeds that stand for a known kind of input and of the
// saved findings, so that the entries are seen to reach the readers' stops and
// not merely to return.
TEST(FuzzSeeds, KnownInputsGetTheirReadersVerdicts) {
  struct Expected {
    const char* target;
    const char* seed;         // in fuzz/corpus/<target>/, or a path from the source root
    const char* messagePart;  // empty: accepted
  };
  const Expected expected[] = {
      {"analysis_file", "full", ""},
      {"analysis_file", "excluded_cr", ""},
      {"analysis_file", "target_comments", ""},
      {"annotation", "ordered_crlf", ""},
      {"annotation", "bad_lines", ""},
      {"annotation", "out_of_order", "chromosomes must be listed in ascending order"},
      {"annotation", "long_line", "holds a line of 10000 or more characters"},
      {"genotypes_a", "calls", ""},
      {"genotypes_b", "calls", ""},
      {"area_file", "pairs", ""},
      {"area_file", "bad", "ERROR: The excluded area file is not compatible.\n"},
      {"pair_file", "three_pairs", ""},
      {"pair_file", "short", "ERROR: Inappropriate temporary file.\n"},
      {"combination_line", "out_of_range", ""},
      {"annotsum", "bad", ""},
      {"genes", "gtf", ""},
      {"genes", "gff3", ""},
      {"genes", "bed_gz", ""},
      {"genes", "nul", "genes.txt line 1: holds a NUL byte"},
      {"genes", "reserved_names", "genes.txt line 2: the gene name \"NA\" is reserved"},
      {"genes", "comma_name", "genes.txt line 1: the gene name \"A,B\" holds ','"},
      {"genes", "long_line", "genes.txt line 1: is longer than 4096 bytes"},
      {"genes", "cut_gz", "cannot read the gene file"},
      // SNP counts that overflowed the pair's sum (a signed overflow before).
      {"pair_file", "tests/fuzz/regressions/pair_file/snp_count_sum_overflow",
       "ERROR: Inappropriate temporary file.\n"},
  };
  std::map<std::string, FuzzTarget> byName;
  for (const FuzzTarget& t : kFuzzTargets) byName.emplace(t.name, t);
  for (const Expected& e : expected) {
    SCOPED_TRACE(std::string(e.target) + "/" + e.seed);
    ASSERT_EQ(byName.count(e.target), 1u);
    const fs::path root(VELMORA_SOURCE_DIR);
    const bool saved = std::string(e.seed).find('/') != std::string::npos;
    const FuzzResult result =
        feed(byName.at(e.target), saved ? root / e.seed : root / "fuzz/corpus" / e.target / e.seed);
    EXPECT_EQ(result.stopped, *e.messagePart != '\0') << result.message;
    if (*e.messagePart != '\0') {
      EXPECT_NE(result.message.find(e.messagePart), std::string::npos) << result.message;
    }
  }
}

}  // namespace
