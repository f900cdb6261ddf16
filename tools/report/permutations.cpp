// Running the permutation engine inside velmora-report.
#include "permutations.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "base/output.h"
#include "driver/run_inputs.h"
#include "genome/model.h"
#include "report_error.h"
#include "velmora_child.h"

namespace {

// Standard error sent to a log file for as long as it lives: the core's
// loading messages are velmora's, already in velmora.log once.
class StandardErrorToFile {
 public:
  explicit StandardErrorToFile(const std::string& path) {
    file_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (file_ < 0) throw ReportError("cannot create " + path);
    std::fflush(stderr);
    saved_ = ::dup(2);
    if (saved_ < 0 || ::dup2(file_, 2) < 0) {
      ::close(file_);
      throw ReportError("cannot send messages to " + path);
    }
  }
  ~StandardErrorToFile() {
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    ::close(file_);
  }
  StandardErrorToFile(const StandardErrorToFile&) = delete;
  StandardErrorToFile& operator=(const StandardErrorToFile&) = delete;

 private:
  int file_ = -1, saved_ = -1;
};

std::string withoutPrefix(std::string message) {
  if (message.compare(0, 7, "ERROR: ") == 0) message.erase(0, 7);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace

double asListed(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return std::strtod(text, nullptr);
}

PermutationOutcome runPermutations(const std::string& analysisFile, double cutoffCm, int64_t count,
                                   uint64_t seed, int threads, const std::string& logPath) {
  PermutationOutcome outcome;
  outcome.count = count;
  outcome.seed = seed;
  try {
    resetModel();
    PooledCohortPtr cohort;
    {
      StandardErrorToFile quiet(logPath);
      loadRunInputs(analysisFile);
      cohort = buildPooledCohort(cutoffCm, threads);
    }
    outcome.cohortBytes = pooledCohortBytes(*cohort);
    const bool terminal = ::isatty(2) != 0;
    Progress progress;
    const auto start = std::chrono::steady_clock::now();
    outcome.maxima = permutationMaxima(*cohort, seed, count, threads, [&](int64_t done) {
      if (!terminal) return;
      progress.phase = "relabellings " + std::to_string(done) + "/" + std::to_string(count + 1);
      progress.share = static_cast<double>(done) / static_cast<double>(count + 1);
      drawProgressBar(progress, done == count + 1);
    });
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } catch (const FatalError& error) {
    resetModel();
    throw ReportError("the permutations could not load the run again: " +
                      withoutPrefix(error.message) + " (see " + logPath + ")");
  }
  resetModel();  // the genome tables are not needed any more
  for (size_t k = 1; k < outcome.maxima.size(); ++k) {
    outcome.nullMaxima.push_back(asListed(outcome.maxima[k].both()));
  }
  return outcome;
}

double adjustedP(const PermutationOutcome& outcome, double minusLog10P) {
  int64_t reached = 0;
  for (double m : outcome.nullMaxima) reached += m >= minusLog10P;
  return static_cast<double>(1 + reached) / static_cast<double>(1 + outcome.count);
}

std::string nullMaximaTable(const PermutationOutcome& outcome) {
  std::string text =
      "# largest -log10 p over the genome per labelling (0: the observed labels); seed " +
      std::to_string(outcome.seed) + "\nrelabelling\tplain\tusing_representative\tlargest\n";
  char row[160];
  for (size_t k = 0; k < outcome.maxima.size(); ++k) {
    const ScanMaxima& m = outcome.maxima[k];
    std::snprintf(row, sizeof row, "%zu\t%f\t%f\t%f\n", k, static_cast<double>(m.plain),
                  static_cast<double>(m.representative), static_cast<double>(m.both()));
    text += row;
  }
  return text;
}
