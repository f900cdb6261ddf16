// The analysis file: the one configuration of a run.
#pragma once
#include <string>

// Reads the analysis file at `path` into `settings` (paths, pools, output
// directory, large gap), checks that every named input opens and that the
// output directory takes a file, and reports what it found on standard error.
// Returns only on success; every failure ends the process with status 1.
void readAnalysisFile(const std::string& path);

// The same reading without the output directory: for programs that analyse
// a run's inputs again and write nothing into its directory (the directory
// is neither locked nor probed, and settings.outputFilePath stays empty).
void readAnalysisInputs(const std::string& path);

// Takes `path` (a prefix of every output name, normally ending in '/') as the
// run's output directory: checks that its names fit, locks it, probes that it
// takes a file and reports it. Ends the run (FatalError) otherwise.
void useOutputDirectory(const std::string& path);

// True when `path` names something that can be opened and read as a file
// (a directory does not count).
bool canOpenForReading(const std::string& path);

// Stops the run with an "ERROR: " message naming `what` (for example
// "Annotation file") when `path` is a FIFO, device or socket, which would
// block the run or never end. Missing files are left to the caller's message.
void requireRegularInput(const std::string& path, const char* what);

// Largest pools the per-SNP pair key and the 16-bit cover counters can tell apart.
constexpr int kMaxPatients = 32767;
constexpr int kMaxControls = 65535;

// Stops the run with an "ERROR: " message when some output name of the run
// would exceed the 999-character name buffer; chrDigits is the number of
// digits of the highest chromosome number (at least 3).
void checkOutputNameRoom(int chrDigits);
