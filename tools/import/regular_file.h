// The import's inputs opened through the shared safe opener (regular files
// only, never blocking), with the reason of a refusal as text for messages.
#pragma once
#include <string>

#include "base/input_file.h"

// Opens `path` for reading; holds nullptr with `problem` saying why when it is
// missing, unreadable, a directory, or not a regular file (FIFO, device, socket).
InputFile openRegularInput(const std::string& path, std::string& problem);
