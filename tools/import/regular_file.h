// File access of the import that never blocks and never follows a link it
// did not ask for: inputs must be regular files.
#pragma once
#include <string>

// Opens `path` read-only; a FIFO, device, socket or directory is refused
// without blocking. Returns the descriptor (owned by the caller), or -1 with
// `problem` saying why.
int openRegularForReading(const std::string& path, std::string& problem);
