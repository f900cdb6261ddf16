// Fatal errors and output-file helpers shared by every writer: one way to stop
// the run, one way to build an output name, one way to finish an output file.
#pragma once
#include <cstdio>
#include <string>

// Size of every output-name buffer; a name holds at most kNameBufferSize - 1 characters.
constexpr int kNameBufferSize = 1000;

#include "base/safe_file.h"

// A stop of the run: the message (with its line end) that `main` prints to
// standard error before it ends the process with exit status 1. Threads catch
// it and hand it to the thread that joins them.
struct FatalError {
  std::string message;
};

// Stops the run: throws a FatalError with the printf-formatted message.
// Nothing is cleaned up on the way to `main` beyond closing files.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints the message of a stop to standard error, as `main` does before it
// returns status 1.
void reportFatal(const FatalError& error);

// Receives the formatted message of a fatal stop before it is thrown. Only the
// fuzzing harness and its replay tests install one: theirs throws its own type.
// A handler that returns falls back to throwing FatalError.
using FatalHandler = void (*)(const std::string& message);
// Installs `handler` (nullptr restores the default); returns the previous one.
FatalHandler setFatalHandler(FatalHandler handler);

// Creates the run's output file `name` (see createOutput): nullptr when the
// directory does not take it, for the caller's own message; a symbolic link or
// any file that is not a regular file of the run's own at that name stops the
// run with an "ERROR: " message naming it.
FILE* openOutput(const std::string& name, WriteMode mode = WriteMode::truncate);

// Stops the run because a link or foreign file stands at the output name `name`.
[[noreturn]] void refuseNotOwnFile(const std::string& name);

// Opens a file the run wrote itself for reading back: a regular file, not
// through a symbolic link; nullptr otherwise.
FILE* openOwnFile(const std::string& name);

// The directory part of an output prefix or name, to open: "out/run1_" →
// "out/", "run1_" → ".".
std::string directoryOf(const std::string& outputPath);

// Formats an output file name. A name that would not fit the 1000-byte name
// buffer stops the run with an "ERROR: " message instead of being cut short.
std::string outName(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Flushes and closes an output file; a write that did not reach the file (disk
// full, file-size limit, removed directory) stops the run with an "ERROR: "
// message naming the file. Returns 0 (the fclose result) when all went well.
int closeOutput(FILE* file, const std::string& name);

// Flushes an output file that stays open, with the same failure handling.
void flushOutput(FILE* file, const std::string& name);
