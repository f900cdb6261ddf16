// Opening files so that the file system cannot trick a program: inputs must be
// regular files (a FIFO, device or socket would block or never end), and
// outputs are created without following a symbolic link and never written
// through a link of any kind. Shared by velmora and the companion programs.
#pragma once
#include <cstdio>
#include <string>

// What stands at a path that a program is about to read.
enum class InputKind {
  regular,     // a regular file that could be opened for reading
  cannotOpen,  // missing, unreadable, or a directory
  notRegular,  // a FIFO, character or block device, or socket
};

// Classifies `path` (a final symbolic link is followed: users may name links to
// their data). Never blocks, not even on a FIFO without a writer.
InputKind inputKind(const std::string& path);

// Opens `path` for reading when it is a regular file; nullptr otherwise (errno
// says why; EINVAL for a file that is not regular). Never blocks. With
// `followLink` false a symbolic link at the final component is refused too:
// for files a program wrote itself and reads back.
FILE* openRegularForReading(const std::string& path, bool followLink = true);

// The same as a descriptor (O_CLOEXEC, blocking reads); -1 otherwise.
int openRegularDescriptor(const std::string& path);

// How createOutput treats an existing file at the name.
enum class WriteMode { truncate, append };

// Why createOutput gave no stream.
enum class CreateFailure {
  none,
  cannotCreate,  // the directory is missing or refuses the file (errno says why)
  notOwnFile,    // a symbolic link, a non-regular file or a file with other hard links
};

// Creates the output file `path` for writing (mode 0666 before the umask),
// exclusively where it is new; an existing regular file with no other hard
// link is emptied (truncate) or appended to. Never follows a symbolic link and
// never opens a FIFO or device. Returns the stream, or nullptr with `failure`
// (when given) saying why.
FILE* createOutput(const std::string& path, WriteMode mode, CreateFailure* failure = nullptr);

// True when nothing, or a regular file without other hard links, stands at
// `path` (a symbolic link is not followed): createOutput may then write there.
bool outputNameIsFree(const std::string& path);

// Writes all `size` bytes to `fd`, going on after interrupted writes; false
// (errno set, 0 read as ENOSPC) when the descriptor takes no more.
bool writeWhole(int fd, const char* data, size_t size);
