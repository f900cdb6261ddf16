// Shared set-up of the genome reader tests: a clean model, a scratch directory
// for input files, and standard error captured around a call.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "common/harness.h"
#include "genome/genome.h"

class GenomeTest : public ::testing::Test {
 protected:
  void SetUp() override { resetModel(); }
  void TearDown() override { resetModel(); }

  std::string write(const std::string& name, const std::string& content) {
    dir_.write(name, content);
    return dir_.file(name);
  }

  // Reads an annotation file with P patients and C controls, returning what
  // the reader wrote on standard error.
  std::string loadAnnotation(const std::string& content, int32_t P = 1, int32_t C = 0) {
    const std::string path = annotationFile(content, P, C);
    return stderrOf([&] { readAnnotation(path); });
  }

  // The same without capturing, for death tests (they capture by themselves).
  std::string annotationFile(const std::string& content, int32_t P = 1, int32_t C = 0) {
    settings.noTgPool[enum_patients] = P;
    settings.noTgPool[enum_controls] = C;
    return write("annotation.txt", content);
  }

  template <class F>
  static std::string stderrOf(F&& call) {
    ::testing::internal::CaptureStderr();
    call();
    return ::testing::internal::GetCapturedStderr();
  }

  ScratchDir dir_;
};

// One annotation line: chromosome, position (bp), freqA, rs ID, map (cM).
inline std::string annot(const std::string& chr, const std::string& pos, const std::string& freq,
                         const std::string& rs, const std::string& map) {
  return chr + "\t" + pos + "\t" + freq + "\t" + rs + "\t" + map + "\n";
}
