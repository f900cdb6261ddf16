// Fatal errors and output-file helpers shared by every writer: one way to stop
// the run, one way to build an output name, one way to finish an output file.
#pragma once
#include <cstdio>
#include <string>

// Size of every output-name buffer; a name holds at most kNameBufferSize - 1 characters.
constexpr int kNameBufferSize = 1000;

// Prints the printf-formatted message to standard error and ends the process
// with exit status 1. Nothing is cleaned up.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives the formatted message of a fatal stop instead of the default print
// and exit. Only the fuzzing harness and its replay tests install one: theirs
// throws, so that one process can feed many inputs to a reader. A handler that
// returns falls back to the default.
using FatalHandler = void (*)(const std::string& message);
// Installs `handler` (nullptr restores the default); returns the previous one.
FatalHandler setFatalHandler(FatalHandler handler);

// Formats an output file name. A name that would not fit the 1000-byte name
// buffer stops the run with an "ERROR: " message instead of being cut short.
std::string outName(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Flushes and closes an output file; a write that did not reach the file (disk
// full, file-size limit, removed directory) stops the run with an "ERROR: "
// message naming the file. Returns 0 (the fclose result) when all went well.
int closeOutput(FILE* file, const std::string& name);

// Flushes an output file that stays open, with the same failure handling.
void flushOutput(FILE* file, const std::string& name);
