// The output directory belongs to one run: taken with an advisory lock, free
// of links and other non-regular files at the run's names, cleared of pieces
// an interrupted run left, and checked for room before the pair files.
#pragma once
#include <cstdint>
#include <string>

// Locks the directory of `outputFilePath` (the prefix of every output name)
// for this process, so that a second run into it stops at once, touching
// nothing; the kernel drops the lock when the process ends, however it ends.
// Then stops the run when a symbolic link, FIFO, device, directory or
// hard-linked file stands at a name the run may write (every name that
// begins with the prefix followed by "HH_", "tempFile" or "____temp____").
// Does nothing when the directory cannot be opened (the probe file then
// reports it).
void claimOutputDirectory(const std::string& outputFilePath);

// Removes every per-chromosome piece (texts and figures of the passes, figure
// pieces of the query) that an interrupted run left, and with `pairFiles` its
// temporary pair files too, so that a pass or query turn merges only its own
// pieces. Only regular files are removed.
void removeStalePieces(bool pairFiles);

// Bytes the temporary pair files of the run need at most at one time: the
// rows of the largest pool's pairs on every analysed chromosome.
uint64_t estimatedPairFileBytes();

// Stops the run with both figures when the estimate exceeds `freeBytes`.
void requirePairFileSpace(uint64_t freeBytes);

// requirePairFileSpace with the free space of the output directory's file
// system; called before the first pass writes a pair file.
void checkPairFileSpace();
