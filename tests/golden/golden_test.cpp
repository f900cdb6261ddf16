// Whole runs against expected files: every output file, the temporary pair
// files at a query turn, standard output, standard error and the exit status
// of each case in tests/golden/cases, byte for byte.
//
// After an intended change of velmora's output, rerun with
// VELMORA_UPDATE_GOLDEN=1: the expected files are rewritten and the
// difference to the old ones is printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "common/harness.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGolden = fs::path(VELMORA_SOURCE_DIR) / "tests/golden";
const char* const kQueryPrompt = "Input the numbers for the subjects among whom";

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool updating() {
  const char* flag = std::getenv("VELMORA_UPDATE_GOLDEN");
  return flag != nullptr && *flag != '\0' && std::string(flag) != "0";
}

// Relative name → content of every file under `dir`.
std::map<std::string, std::string> filesUnder(const fs::path& dir) {
  std::map<std::string, std::string> files;
  if (!fs::exists(dir)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), dir).string()] = slurp(entry.path());
    }
  }
  return files;
}

// Lays out the case's inputs in `work` and returns the analysis file's name
// relative to it. The demo cases use the shipped demo cohort in place of
// inputs of their own.
std::string layOutInputs(const fs::path& caseDir, const fs::path& work) {
  if (fs::exists(caseDir / "demo")) {
    std::string analysis = slurp(caseDir / "demo");
    analysis.erase(analysis.find_last_not_of("\n") + 1);
    const fs::path demo = work / "examples/demo";
    fs::create_directories(demo / "out");
    const fs::path source = fs::path(VELMORA_SOURCE_DIR) / "examples/demo";
    fs::copy(source / "annotation.txt", demo / "annotation.txt");
    fs::copy(source / "genotypes", demo / "genotypes");
    fs::copy(source / analysis, demo / analysis);
    return "examples/demo/" + analysis;
  }
  fs::copy(caseDir, work, fs::copy_options::recursive);
  fs::create_directories(work / "out");
  return "analysis.txt";
}

// Runs the case; returns every file the run leaves and shows, by name.
std::map<std::string, std::string> runCase(const std::string& name) {
  const fs::path caseDir = kGolden / "cases" / name;
  ScratchDir scratch;
  const fs::path work = scratch.path();
  const std::string analysis = layOutInputs(caseDir, work);
  const fs::path out = work / (fs::exists(caseDir / "demo") ? "examples/demo/out" : "out");
  const std::string input = slurp(caseDir / "stdin.txt");
  std::map<std::string, std::string> seen;

  StartedProgram velmora({VELMORA_BIN, analysis}, work.string());
  if (fs::exists(caseDir / "snapshot_turn")) {
    // Feed the cutoff and the turns up to the chosen one, wait for the next
    // prompt, keep the temporary pair files of that turn, then go on.
    const size_t turn = std::stoul(slurp(caseDir / "snapshot_turn"));
    size_t cut = 0;
    for (size_t line = 0; line <= turn; ++line) cut = input.find('\n', cut) + 1;
    velmora.send(input.substr(0, cut));
    EXPECT_TRUE(velmora.waitForError(kQueryPrompt, turn + 1)) << name;
    for (const auto& [file, content] : filesUnder(out)) {
      if (file.rfind("tempFile", 0) == 0)
        seen["query_turn_" + std::to_string(turn) + "/" + file] = content;
    }
    velmora.send(input.substr(cut));
  } else {
    velmora.send(input);
  }
  const RunResult result = velmora.wait();
  seen["status"] = std::to_string(result.status) + "\n";
  seen["stdout"] = result.out;
  seen["stderr"] = result.err;
  for (const auto& [file, content] : filesUnder(out)) seen["out/" + file] = content;
  return seen;
}

void rewriteExpected(const std::string& name, const std::map<std::string, std::string>& seen) {
  const fs::path expected = kGolden / "expected" / name;
  ScratchDir fresh;
  for (const auto& [file, content] : seen) fresh.write(file, content);
  const std::string diff = "diff -ruN '" + expected.string() + "' '" + fresh.path() + "'";
  std::printf("=== %s\n", name.c_str());
  std::fflush(stdout);
  if (std::system(diff.c_str()) == 0) std::printf("(unchanged)\n");
  fs::remove_all(expected);
  fs::create_directories(expected);
  fs::copy(fresh.path(), expected, fs::copy_options::recursive);
}

class GoldenRun : public testing::TestWithParam<std::string> {};

TEST_P(GoldenRun, EveryByteOfTheRunIsAsExpected) {
  const std::string name = GetParam();
  const std::map<std::string, std::string> seen = runCase(name);
  if (updating()) {
    rewriteExpected(name, seen);
    return;
  }
  const std::map<std::string, std::string> expected = filesUnder(kGolden / "expected" / name);
  ASSERT_FALSE(expected.empty()) << "no expected files for " << name
                                 << "; make them with VELMORA_UPDATE_GOLDEN=1";
  for (const auto& [file, content] : expected) {
    auto found = seen.find(file);
    if (found == seen.end()) {
      ADD_FAILURE() << name << ": the run did not leave " << file;
      continue;
    }
    if (found->second != content) {
      size_t at = 0;
      while (at < content.size() && at < found->second.size() && content[at] == found->second[at])
        ++at;
      const size_t from =
          content.rfind('\n', at) == std::string::npos ? 0 : content.rfind('\n', at) + 1;
      ADD_FAILURE() << name << ": " << file << " differs from byte " << at
                    << "\nexpected: " << content.substr(from, 160)
                    << "\nseen:     " << found->second.substr(from, 160);
    }
  }
  for (const auto& [file, content] : seen) {
    if (expected.count(file) == 0) ADD_FAILURE() << name << ": the run also left " << file;
  }
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kGolden / "cases")) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenRun, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
