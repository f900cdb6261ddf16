// Running a companion program (velmora-tracks) as a child process to its
// end, its output captured.
#pragma once
#include <string>
#include <vector>

// Runs `program` with `arguments` and no input; its standard output and
// error are returned in `output`. The child does not outlive this process.
// Returns the exit status (128 + signal); throws ReportError when it cannot
// be started.
int runCapture(const std::string& program, const std::vector<std::string>& arguments,
               std::string& output);
