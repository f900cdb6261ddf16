// velmora: entry, cutoff prompt and the phases of a run in their fixed order.
#include <cstdio>
#include <new>
#include <string>

#include "base/output.h"
#include "driver/analysis_file.h"
#include "driver/run_phases.h"
#include "genome/model.h"

namespace {

// Reads the cutoff line; a line without a number, or no line at all, leaves 0.0.
void askForCutoff() {
  std::fprintf(stderr, "Input RCHH cutoff in cM:  ");
  char line[255];
  if (std::fgets(line, sizeof line, stdin) != nullptr) {
    std::sscanf(line, " %lf", &settings.threshold);
  }
  std::fprintf(stderr, "Cutoff is %.2f cM\n", settings.threshold);
}

}  // namespace

namespace {

int run(int argc, char** argv) {
  if (argc == 2) requireRegularInput(argv[1], "Analysis file");
  if (argc != 2 || !canOpenForReading(argv[1])) {
    fatal("ERROR: Analysis file not found\nUsage: Velmora analysisfile\n");
  }
  readAnalysisFile(argv[1]);
  askForCutoff();
  runLoadingSequence();
  runAnalysisPhases();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Every stop of the run arrives here, from any phase and any thread, so the
  // process ends in one place. Every table is sized from the input; memory
  // that cannot be had ends the run with the run's allocation message rather
  // than an abort.
  try {
    return run(argc, argv);
  } catch (const FatalError& error) {
    reportFatal(error);
  } catch (const std::bad_alloc&) {
    reportFatal(FatalError{"ERROR: Failed to allocate memory\n"});
  }
  return 1;
}
