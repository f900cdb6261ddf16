// A run's inputs loaded into the genome tables without running it: for the
// companion programs that analyse the same cohort again (label permutation).
#pragma once
#include <string>

// Reads the analysis file at `path` (without its output directory, which is
// neither locked nor written), the annotation, the regions and the
// genotyping files of both pools, printing velmora's loading messages on
// standard error. Nothing is written. Stops with FatalError on the messages
// velmora stops with.
void loadRunInputs(const std::string& path);
