// The one way a written file is finished: flushed, checked for a failed write
// and closed. closeOutput (output.h) stops velmora on failure through it; the
// companion programs, which must clean up before they stop, test its result.
#pragma once
#include <cstdio>

// Flushes and closes `file` (owned: it is closed whatever the outcome). False
// when any write since it was opened did not reach the file (disk full,
// file-size limit, removed directory) or the close itself failed.
bool finishWrittenFile(FILE* file);
