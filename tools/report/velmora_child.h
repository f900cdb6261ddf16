// Running velmora as a child process: its standard input fed, its standard
// error copied to the log file and read line by line, a progress bar drawn on
// a terminal.
#pragma once
#include <string>
#include <vector>

#include "velmora_log.h"

// Draws `progress` as a bar on standard error, ending the line when `final`.
void drawProgressBar(const Progress& progress, bool final);

struct ChildResult {
  int status = -1;  // exit status, or 128 + signal
};

// Runs `program` with `arguments`, `input` on its standard input, standard
// output and error appended to `logPath`; every stderr line goes to `log`.
// A progress bar is drawn on standard error when it is a terminal.
// Throws ReportError when the program cannot be started or the log written.
ChildResult runVelmora(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& input, const std::string& logPath, VelmoraLog& log);

// Runs a companion program to its end with no input; its standard output and
// error are returned in `output`. Returns the exit status (128 + signal).
int runCapture(const std::string& program, const std::vector<std::string>& arguments,
               std::string& output);
